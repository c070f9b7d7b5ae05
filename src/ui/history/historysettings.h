#pragma once
// Where the calibration history is kept, as chosen in the program's settings: the embedded SQLite
// file (the default), or a PostgreSQL database a lab shares. The password of the shared database
// is never kept here: libpq takes it from ~/.pgpass or pg_service.conf.

#include <QString>
#include <string>

struct HistorySettings {
  bool shared = false;  // false: the embedded file
  QString host;         // a host name, an address or a socket folder
  int port = 5432;
  QString database;
  QString user;

  bool operator==(const HistorySettings&) const = default;
};

// The settings as last saved; the embedded file when none were.
HistorySettings loadHistorySettings();
// Throws when the settings cannot be written.
void saveHistorySettings(const HistorySettings& settings);

// What openHistoryStore takes: empty for the embedded file, a libpq key=value connection string
// for the shared database (every value quoted, so no entered text can add a keyword).
std::string historyLocation(const HistorySettings& settings);
// The store in one line for the console and the history window: the file's path or
// "user@host:port/database".
QString historyStoreText(const HistorySettings& settings);

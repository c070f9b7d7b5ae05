#pragma once
// The calibration history: an embedded SQLite file by default, or a PostgreSQL database a lab
// shares. Both hold the same schema, created and upgraded by the same ordered migrations.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/history/historyevent.h"

class HistoryStore {
 public:
  virtual ~HistoryStore() = default;
  // Stamps the event (see stampEvent) and keeps it; returns its id.
  virtual std::string record(HistoryEvent event) = 0;
  virtual std::vector<HistoryEvent> list(const HistoryFilter& filter) = 0;
  virtual std::optional<HistoryEvent> get(const std::string& id) = 0;
  // The version of the schema the store holds after opening (opening migrates).
  virtual int schemaVersion() = 0;
};

// The migrations, oldest first: migration i brings the schema to version i + 1. Each is run once,
// in one transaction with the update of the version.
const std::vector<std::string>& historyMigrations();

// The default store: history.sqlite in the program's folder below $XDG_DATA_HOME (or
// ~/.local/share).
std::string defaultHistoryPath();

// `location`: empty for the default file, a libpq connection string ("postgresql://…",
// "postgres://…" or "host=… dbname=…") for a shared database, anything else a SQLite file path.
std::unique_ptr<HistoryStore> openHistoryStore(const std::string& location);

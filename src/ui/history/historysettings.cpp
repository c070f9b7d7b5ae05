#include "ui/history/historysettings.h"

#include "core/history/historystore.h"
#include "ui/base/regkey.h"

namespace {

const QString kGroup = QString::fromUtf8(kProgramKey) + "\\История";

RegKey openGroup() {
  RegKey key;
  key.create(kGroup);
  return key;
}

// A libpq value in single quotes, with backslashes and quotes escaped.
std::string quoted(const QString& value) {
  std::string out = "'";
  for (char c : value.toStdString()) {
    if (c == '\\' || c == '\'') out += '\\';
    out += c;
  }
  return out + "'";
}

}  // namespace

HistorySettings loadHistorySettings() {
  RegKey key = openGroup();
  HistorySettings s;
  s.shared = key.readString("Store") == "postgresql";
  s.host = key.readString("Host");
  s.port = key.readInt("Port", 5432);
  s.database = key.readString("Database");
  s.user = key.readString("User");
  return s;
}

void saveHistorySettings(const HistorySettings& settings) {
  RegKey key = openGroup();
  key.writeString("Store", settings.shared ? QStringLiteral("postgresql") : QStringLiteral("file"));
  key.writeString("Host", settings.host);
  key.writeInt("Port", settings.port);
  key.writeString("Database", settings.database);
  key.writeString("User", settings.user);
}

std::string historyLocation(const HistorySettings& settings) {
  if (!settings.shared) return {};
  std::string text = "host=" + quoted(settings.host) + " port=" + std::to_string(settings.port) +
                     " dbname=" + quoted(settings.database);
  if (!settings.user.isEmpty()) text += " user=" + quoted(settings.user);
  return text;
}

QString historyStoreText(const HistorySettings& settings) {
  if (!settings.shared) return QString::fromStdString(defaultHistoryPath());
  const QString user = settings.user.isEmpty() ? QString() : settings.user + "@";
  return user + settings.host + ":" + QString::number(settings.port) + "/" + settings.database;
}

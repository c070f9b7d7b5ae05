#include <cstdlib>
#include <filesystem>

#include "core/history/historycolumns.h"
#include "core/history/historystore.h"
#include "core/history/pghistory.h"
#include "core/history/sqlitehistory.h"

const std::vector<std::string>& historyMigrations() {
  // Plain SQL both engines read alike: TEXT and BIGINT columns, no engine's own types.
  static const std::vector<std::string> migrations = {
      "CREATE TABLE events ("
      " id TEXT PRIMARY KEY, kind TEXT NOT NULL, time_ms BIGINT NOT NULL,"
      " os_user TEXT NOT NULL, bench TEXT NOT NULL, version TEXT NOT NULL,"
      " document TEXT NOT NULL, family TEXT NOT NULL, model TEXT NOT NULL,"
      " serial TEXT NOT NULL, payload TEXT NOT NULL);"
      "CREATE INDEX events_serial ON events (serial, time_ms);"
      "CREATE INDEX events_family ON events (family, time_ms);"
      "CREATE INDEX events_time ON events (time_ms);",
  };
  return migrations;
}

std::string defaultHistoryPath() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  std::filesystem::path base;
  if (dataHome && *dataHome) {
    base = dataHome;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home ? home : ".") / ".local/share";
  }
  return (base / "Duvara" / "history.sqlite").string();
}

namespace {

bool isConnectionString(const std::string& location) {
  // The keyword form ("host=… dbname=…") has its first '=' before any '/', a file path does not.
  const size_t equals = location.find('=');
  return location.starts_with("postgresql://") || location.starts_with("postgres://") ||
         (equals != std::string::npos && location.find('/') > equals);
}

}  // namespace

std::unique_ptr<HistoryStore> openHistoryStore(const std::string& location) {
  if (location.empty()) return std::make_unique<SqliteHistoryStore>(defaultHistoryPath());
  if (isConnectionString(location)) return std::make_unique<PgHistoryStore>(location);
  return std::make_unique<SqliteHistoryStore>(location);
}

std::vector<std::string> historyWhereValues(const HistoryFilter& filter) {
  std::vector<std::string> values;
  for (const std::string* value : {&filter.serial, &filter.family, &filter.model, &filter.kind})
    if (!value->empty()) values.push_back(*value);
  return values;
}

std::string historyWhere(const HistoryFilter& filter, char marker) {
  std::string sql;
  int number = 0;
  const auto part = [&](const std::string& value, const char* column) {
    if (value.empty()) return;
    sql += sql.empty() ? " WHERE " : " AND ";
    sql += std::string(column) + " = " + marker + std::to_string(++number);
  };
  part(filter.serial, "serial");
  part(filter.family, "family");
  part(filter.model, "model");
  part(filter.kind, "kind");
  sql += " ORDER BY time_ms DESC, id";
  if (filter.limit > 0) sql += std::string(" LIMIT ") + marker + std::to_string(++number);
  return sql;
}

#include "core/history/sqlitehistory.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "core/history/historycolumns.h"

namespace {

// Long enough for another program's short transaction, short enough not to look frozen.
constexpr int kBusyTimeoutMs = 5000;

void bindText(sqlite3_stmt* statement, int index, const std::string& text) {
  sqlite3_bind_text(statement, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

std::string columnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return text ? std::string(text, size_t(sqlite3_column_bytes(statement, column))) : std::string();
}

HistoryEvent readEvent(sqlite3_stmt* statement) {
  HistoryEvent event;
  for (int column = 0; column < kHistoryColumnCount; ++column) {
    if (std::string* field = historyTextField(event, column))
      *field = columnText(statement, column);
    else
      event.timeMs = sqlite3_column_int64(statement, column);
  }
  return event;
}

}  // namespace

SqliteHistoryStore::SqliteHistoryStore(const std::string& path) : path_(path) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  if (error)
    throw HistoryError("Не удалось создать папку журнала калибровок " + folder.string() + ": " +
                       error.message());
  const int code = sqlite3_open_v2(
      path.c_str(), &db_,
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
      nullptr);
  try {
    if (code != SQLITE_OK) fail(code);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    exec("PRAGMA journal_mode = WAL");
    // In WAL mode a commit survives a crash of the program; NORMAL spares a flush per event.
    exec("PRAGMA synchronous = NORMAL");
    migrate();
  } catch (...) {
    sqlite3_close(db_);
    throw;
  }
}

SqliteHistoryStore::~SqliteHistoryStore() { sqlite3_close(db_); }

void SqliteHistoryStore::fail(int code) const {
  switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw HistoryError("Журнал калибровок " + path_ + " занят другой программой");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      throw HistoryError("Файл " + path_ + " повреждён или не является журналом калибровок");
    case SQLITE_FULL:
      throw HistoryError("Нет места на диске для журнала калибровок " + path_);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
      throw HistoryError("Нет доступа к журналу калибровок " + path_);
    case SQLITE_IOERR:
      throw HistoryError("Ошибка ввода-вывода в журнале калибровок " + path_);
    default:
      throw HistoryError("Ошибка журнала калибровок " + path_ + " (код SQLite " +
                         std::to_string(code) + ")");
  }
}

SqliteHistoryStore::Statement SqliteHistoryStore::prepare(const std::string& sql) {
  sqlite3_stmt* raw = nullptr;
  const int code = sqlite3_prepare_v2(db_, sql.c_str(), int(sql.size()), &raw, nullptr);
  Statement statement(raw);
  if (code != SQLITE_OK) fail(code);
  return statement;
}

void SqliteHistoryStore::finish(sqlite3_stmt* statement) {
  const int code = sqlite3_step(statement);
  if (code != SQLITE_DONE) fail(code);
}

void SqliteHistoryStore::exec(const char* sql) {
  const int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) fail(code);
}

void SqliteHistoryStore::migrate() {
  const std::vector<std::string>& migrations = historyMigrations();
  // A current file is only read: opening takes no write lock another program would wait for.
  if (hasVersionTable() && schemaVersion() == int(migrations.size())) return;
  // IMMEDIATE takes the write lock at once: two programs opening a new file do not both migrate.
  exec("BEGIN IMMEDIATE");
  try {
    exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    const int version = schemaVersion();
    if (version > int(migrations.size()))
      throw HistoryError("Журнал калибровок " + path_ +
                         " создан более новой версией программы (схема " + std::to_string(version) +
                         ")");
    for (size_t i = size_t(version); i < migrations.size(); ++i) exec(migrations[i].c_str());
    if (version < int(migrations.size())) {
      exec("DELETE FROM schema_version");
      const Statement statement = prepare("INSERT INTO schema_version (version) VALUES (?1)");
      sqlite3_bind_int(statement.get(), 1, int(migrations.size()));
      finish(statement.get());
    }
    exec("COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

bool SqliteHistoryStore::hasVersionTable() {
  const Statement statement = prepare(
      "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'");
  const int code = sqlite3_step(statement.get());
  if (code != SQLITE_ROW) fail(code);
  return sqlite3_column_int(statement.get(), 0) > 0;
}

int SqliteHistoryStore::schemaVersion() {
  const Statement statement = prepare("SELECT max(version) FROM schema_version");
  sqlite3_stmt* raw = statement.get();
  const int code = sqlite3_step(raw);
  if (code != SQLITE_ROW) fail(code);
  return sqlite3_column_int(raw, 0);
}

std::string SqliteHistoryStore::record(HistoryEvent event) {
  stampEvent(event);
  insert(event);
  return event.id;
}

void SqliteHistoryStore::insert(const HistoryEvent& event) {
  static const std::string sql = std::string("INSERT INTO events (") + kHistoryColumns +
                                 ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)"
                                 " ON CONFLICT (id) DO NOTHING";
  const Statement statement = prepare(sql.c_str());
  sqlite3_stmt* raw = statement.get();
  for (int column = 0; column < kHistoryColumnCount; ++column) {
    if (const std::string* field = historyTextField(event, column))
      bindText(raw, column + 1, *field);
    else
      sqlite3_bind_int64(raw, column + 1, event.timeMs);
  }
  finish(raw);
}

void SqliteHistoryStore::remove(const std::string& id) {
  const Statement statement = prepare("DELETE FROM events WHERE id = ?1");
  sqlite3_stmt* raw = statement.get();
  bindText(raw, 1, id);
  finish(raw);
}

std::vector<HistoryEvent> SqliteHistoryStore::list(const HistoryFilter& filter) {
  const std::string sql =
      std::string("SELECT ") + kHistoryColumns + " FROM events" + historyWhere(filter, '?');
  const Statement statement = prepare(sql.c_str());
  sqlite3_stmt* raw = statement.get();
  int index = 0;
  for (const std::string& value : historyWhereValues(filter)) bindText(raw, ++index, value);
  if (filter.limit > 0) sqlite3_bind_int64(raw, ++index, filter.limit);
  std::vector<HistoryEvent> events;
  int code;
  while ((code = sqlite3_step(raw)) == SQLITE_ROW) events.push_back(readEvent(raw));
  if (code != SQLITE_DONE) fail(code);
  return events;
}

std::optional<HistoryEvent> SqliteHistoryStore::get(const std::string& id) {
  const std::string sql = std::string("SELECT ") + kHistoryColumns + " FROM events WHERE id = ?1";
  const Statement statement = prepare(sql.c_str());
  sqlite3_stmt* raw = statement.get();
  bindText(raw, 1, id);
  const int code = sqlite3_step(raw);
  if (code == SQLITE_ROW) return readEvent(raw);
  if (code != SQLITE_DONE) fail(code);
  return std::nullopt;
}

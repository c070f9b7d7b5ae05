#include "core/history/pghistory.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "core/history/historycolumns.h"
#include "core/history/libpq.h"

namespace {

struct Clear {
  void operator()(PGresult* result) const { libpq().clear(result); }
};
using Result = std::unique_ptr<PGresult, Clear>;

// Any key of the migration lock, the same for every program that shares the database.
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(7346201)";

// libpq's message in one line: its first, the hints after it are for a console session.
std::string trimmed(const char* text) {
  std::string s = text ? text : "";
  s = s.substr(0, s.find('\n'));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// The connection string's password, refused: it would sit in settings and command lines.
void checkConnection(const std::string& connection) {
  char* error = nullptr;
  PQconninfoOption* options = libpq().conninfoParse(connection.c_str(), &error);
  if (!options) {
    const std::string text = trimmed(error);
    libpq().freemem(error);
    throw HistoryError("Неправильная строка подключения к журналу калибровок: " + text);
  }
  bool password = false;
  for (const PQconninfoOption* o = options; o->keyword; ++o)
    if (std::string(o->keyword) == "password" && o->val && *o->val) password = true;
  libpq().conninfoFree(options);
  if (password)
    throw HistoryError(
        "Пароль не указывается в строке подключения к журналу калибровок: его берут из файла "
        "~/.pgpass или из службы в pg_service.conf");
}

HistoryEvent readEvent(const PGresult* result, int row) {
  HistoryEvent event;
  for (int column = 0; column < kHistoryColumnCount; ++column) {
    const char* value = libpq().getvalue(result, row, column);
    if (std::string* field = historyTextField(event, column))
      *field = std::string(value, size_t(libpq().getlength(result, row, column)));
    else
      event.timeMs = std::stoll(value);
  }
  return event;
}

}  // namespace

PgHistoryStore::PgHistoryStore(const std::string& connection, const std::string& outboxPath)
    : connection_((checkConnection(connection), connection)), outbox_(outboxPath) {
  try {
    connect();
  } catch (...) {
    libpq().finish(conn_);
    throw;
  }
}

PgHistoryStore::~PgHistoryStore() { libpq().finish(conn_); }

std::string PgHistoryStore::defaultOutboxPath() {
  return (std::filesystem::path(defaultHistoryPath()).parent_path() / "outbox.sqlite").string();
}

bool PgHistoryStore::connected() const { return conn_ && libpq().status(conn_) == CONNECTION_OK; }

bool PgHistoryStore::connect() {
  if (connected()) return true;
  libpq().finish(conn_);
  // The connection string comes last, so that its own values win over these defaults.
  const char* keywords[] = {"connect_timeout", "client_encoding", "application_name", "dbname",
                            nullptr};
  const char* values[] = {"3", "UTF8", "tdservice", connection_.c_str(), nullptr};
  conn_ = libpq().connectdbParams(keywords, values, 1);
  if (libpq().status(conn_) != CONNECTION_OK) {
    lastError_ = trimmed(libpq().errorMessage(conn_));
    retryAfter_ = std::chrono::steady_clock::now() + kRetryPause;
    return false;
  }
  // The server's notices ("already exists, skipping") would land on the program's standard error.
  libpq().setNoticeProcessor(
      conn_, [](void*, const char*) {}, nullptr);
  migrate();
  sendOutbox();
  return true;
}

void PgHistoryStore::requireServer() {
  if (!connect()) throw HistoryError("Сервер журнала калибровок недоступен: " + lastError_);
}

PGresult* PgHistoryStore::run(const std::string& sql, const std::vector<std::string>& params) {
  std::vector<const char*> values;
  for (const std::string& p : params) values.push_back(p.c_str());
  PGresult* result = libpq().execParams(conn_, sql.c_str(), int(values.size()), nullptr,
                                        values.data(), nullptr, nullptr, 0);
  const ExecStatusType status = libpq().resultStatus(result);
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;
  const std::string text = trimmed(libpq().resultErrorMessage(result));
  libpq().clear(result);
  if (libpq().status(conn_) != CONNECTION_OK) {
    lastError_ = text;
    return nullptr;
  }
  throw HistoryError("Ошибка журнала калибровок на сервере: " + text);
}

void PgHistoryStore::migrate() {
  const auto step = [this](const std::string& sql) {
    const Result result(run(sql, {}));
    if (!result) throw HistoryError("Связь с сервером журнала калибровок прервана: " + lastError_);
  };
  const std::vector<std::string>& migrations = historyMigrations();
  step("BEGIN");
  try {
    step(kMigrationLock);
    step("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    const int version = schemaVersion();
    if (version > int(migrations.size()))
      throw HistoryError(
          "Журнал калибровок на сервере создан более новой версией программы "
          "(схема " +
          std::to_string(version) + ")");
    // Each migration may hold several statements, which only the simple protocol runs.
    for (size_t i = size_t(version); i < migrations.size(); ++i) {
      const Result result(libpq().exec(conn_, migrations[i].c_str()));
      if (libpq().resultStatus(result.get()) != PGRES_COMMAND_OK)
        throw HistoryError("Ошибка журнала калибровок на сервере: " +
                           trimmed(libpq().resultErrorMessage(result.get())));
    }
    if (version < int(migrations.size())) {
      step("DELETE FROM schema_version");
      const Result result(run("INSERT INTO schema_version (version) VALUES ($1)",
                              {std::to_string(migrations.size())}));
    }
    step("COMMIT");
  } catch (...) {
    libpq().clear(libpq().exec(conn_, "ROLLBACK"));
    throw;
  }
}

int PgHistoryStore::schemaVersion() {
  requireServer();
  const Result result(run("SELECT coalesce(max(version), 0) FROM schema_version", {}));
  if (!result) throw HistoryError("Связь с сервером журнала калибровок прервана: " + lastError_);
  return std::stoi(libpq().getvalue(result.get(), 0, 0));
}

bool PgHistoryStore::insert(const HistoryEvent& event) {
  static const std::string sql = std::string("INSERT INTO events (") + kHistoryColumns +
                                 ") VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11)"
                                 " ON CONFLICT (id) DO NOTHING";
  std::vector<std::string> params;
  for (int column = 0; column < kHistoryColumnCount; ++column) {
    const std::string* field = historyTextField(event, column);
    params.push_back(field ? *field : std::to_string(event.timeMs));
  }
  return Result(run(sql, params)) != nullptr;
}

void PgHistoryStore::sendOutbox() {
  std::vector<HistoryEvent> waiting = outbox_.list({});
  // The outbox lists newest first; the server gets them in the order they happened.
  std::reverse(waiting.begin(), waiting.end());
  for (const HistoryEvent& event : waiting) {
    if (!insert(event)) return;
    outbox_.remove(event.id);
    ++sentFromOutbox_;
  }
}

size_t PgHistoryStore::flush() {
  if (connected())
    sendOutbox();
  else
    connect();
  return waiting();
}

size_t PgHistoryStore::waiting() { return outbox_.list({}).size(); }

std::string PgHistoryStore::record(HistoryEvent event) {
  stampEvent(event);
  const bool mayTry = connected() || std::chrono::steady_clock::now() >= retryAfter_;
  if (!mayTry || !connect() || !insert(event)) outbox_.insert(event);
  return event.id;
}

std::vector<HistoryEvent> PgHistoryStore::list(const HistoryFilter& filter) {
  requireServer();
  std::vector<std::string> params = historyWhereValues(filter);
  if (filter.limit > 0) params.push_back(std::to_string(filter.limit));
  const Result result(
      run(std::string("SELECT ") + kHistoryColumns + " FROM events" + historyWhere(filter, '$'),
          params));
  if (!result) throw HistoryError("Связь с сервером журнала калибровок прервана: " + lastError_);
  std::vector<HistoryEvent> events;
  for (int row = 0; row < libpq().ntuples(result.get()); ++row)
    events.push_back(readEvent(result.get(), row));
  return events;
}

std::optional<HistoryEvent> PgHistoryStore::get(const std::string& id) {
  requireServer();
  const Result result(
      run(std::string("SELECT ") + kHistoryColumns + " FROM events WHERE id = $1", {id}));
  if (!result) throw HistoryError("Связь с сервером журнала калибровок прервана: " + lastError_);
  if (libpq().ntuples(result.get()) == 0) return std::nullopt;
  return readEvent(result.get(), 0);
}

#pragma once
// The history in a SQLite file. Several programs may share the file: it runs in WAL mode, waits
// for a lock instead of failing at once, and keeps every transaction short.

#include <sqlite3.h>

#include <memory>
#include <string>

#include "core/history/historystore.h"

class SqliteHistoryStore : public HistoryStore {
 public:
  // Opens the file, creating it and its folder when missing, and migrates the schema. Raises
  // HistoryError when the file cannot be opened or is not a history; the file is left as it was.
  explicit SqliteHistoryStore(const std::string& path);
  ~SqliteHistoryStore() override;
  SqliteHistoryStore(const SqliteHistoryStore&) = delete;
  SqliteHistoryStore& operator=(const SqliteHistoryStore&) = delete;

  std::string record(HistoryEvent event) override;
  std::vector<HistoryEvent> list(const HistoryFilter& filter) override;
  std::optional<HistoryEvent> get(const std::string& id) override;
  int schemaVersion() override;

  // Keeps an event as it is, stamped already; one with a known id is left alone.
  void insert(const HistoryEvent& event);
  void remove(const std::string& id);

 private:
  struct Finalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
  };
  using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

  Statement prepare(const std::string& sql);
  // Steps a statement that returns no rows.
  void finish(sqlite3_stmt* statement);
  void exec(const char* sql);
  void migrate();
  bool hasVersionTable();
  [[noreturn]] void fail(int code) const;

  std::string path_;
  sqlite3* db_ = nullptr;
};

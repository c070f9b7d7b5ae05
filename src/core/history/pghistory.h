#pragma once
// The history in a PostgreSQL database a lab shares. While the server cannot be reached, events
// wait in a local SQLite outbox and go to the server, each exactly once, when it answers again:
// an event is inserted unless its id is there already, and leaves the outbox after the commit.

#include <libpq-fe.h>

#include <chrono>
#include <string>

#include "core/history/historystore.h"
#include "core/history/sqlitehistory.h"

class PgHistoryStore : public HistoryStore {
 public:
  // `connection`: a libpq connection string or URI without a password (libpq reads it from its
  // password or service file). Raises HistoryError for a connection string that does not parse,
  // one with a password, or an outbox that cannot be opened; an unreachable server is not an
  // error here.
  explicit PgHistoryStore(const std::string& connection,
                          const std::string& outboxPath = defaultOutboxPath());
  ~PgHistoryStore() override;
  PgHistoryStore(const PgHistoryStore&) = delete;
  PgHistoryStore& operator=(const PgHistoryStore&) = delete;

  // Goes to the outbox when the server cannot be reached. After a failed connection the next
  // attempt waits kRetryPause, so that an outage costs the recording side nothing.
  std::string record(HistoryEvent event) override;
  // These need the server: HistoryError when it cannot be reached.
  std::vector<HistoryEvent> list(const HistoryFilter& filter) override;
  std::optional<HistoryEvent> get(const std::string& id) override;
  int schemaVersion() override;

  // Connects now if need be and sends what waits in the outbox; returns how many events still
  // wait.
  size_t flush();
  bool connected() const;
  // How many events wait in the outbox, without trying the server.
  size_t waiting();
  // How many events of the outbox reached the server since the store was opened (the opening
  // itself sends what an earlier run left).
  size_t sentFromOutbox() const { return sentFromOutbox_; }
  // Why the last connection attempt failed, as libpq says it; empty before any failure.
  const std::string& lastError() const { return lastError_; }

  // outbox.sqlite beside the default history file.
  static std::string defaultOutboxPath();

 private:
  static constexpr std::chrono::seconds kRetryPause{10};

  // Connects when not connected, migrates and sends the outbox; false when the server cannot be
  // reached.
  bool connect();
  void requireServer();
  void migrate();
  // Runs a statement; nullptr when the connection broke, HistoryError for any other failure.
  PGresult* run(const std::string& sql, const std::vector<std::string>& params);
  bool insert(const HistoryEvent& event);
  void sendOutbox();

  std::string connection_;
  SqliteHistoryStore outbox_;
  PGconn* conn_ = nullptr;
  std::string lastError_;
  std::chrono::steady_clock::time_point retryAfter_;
  size_t sentFromOutbox_ = 0;
};

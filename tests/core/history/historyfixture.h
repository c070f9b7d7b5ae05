#pragma once
// Stores for the history tests: a SQLite file in a fresh temporary folder, or a fresh database on
// a throwaway PostgreSQL server that ./test starts (td_start_postgres in scripts/common.sh):
// TD_TEST_POSTGRES for the ordinary cases, TD_TEST_POSTGRES_OUTAGE for the one that stops and
// starts its server with the command in TD_TEST_POSTGRES_CONTROL.

#include <memory>
#include <string>

#include "core/history/historystore.h"

// A temporary folder, removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A throwaway server's connection string (the variable's value); empty when the tests run without.
std::string testPostgres(const char* variable = "TD_TEST_POSTGRES");
// A new empty database on that server; returns its connection string.
std::string newPostgresDatabase(const std::string& server = testPostgres());
// Stops or starts the outage server.
void controlPostgres(const char* action);

// A read of a transducer as the program would record it.
HistoryEvent sampleEvent(const std::string& serial, int64_t timeMs);

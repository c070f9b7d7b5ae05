#include "core/history/historyfixture.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tdhistory-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string testPostgres(const char* variable) {
  const char* connection = std::getenv(variable);
  return connection ? connection : "";
}

std::string newPostgresDatabase(const std::string& server) {
  static std::atomic<int> counter = 0;
  const std::string name = "history_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  PGconn* admin = PQconnectdb(server.c_str());
  EXPECT_EQ(PQstatus(admin), CONNECTION_OK) << PQerrorMessage(admin);
  PGresult* result = PQexec(admin, ("CREATE DATABASE " + name).c_str());
  EXPECT_EQ(PQresultStatus(result), PGRES_COMMAND_OK) << PQresultErrorMessage(result);
  PQclear(result);
  PQfinish(admin);
  return server + " dbname=" + name;
}

void controlPostgres(const char* action) {
  const char* control = std::getenv("TD_TEST_POSTGRES_CONTROL");
  ASSERT_TRUE(control);
  ASSERT_EQ(std::system((std::string(control) + " " + action).c_str()), 0) << action;
}

HistoryEvent sampleEvent(const std::string& serial, int64_t timeMs) {
  HistoryEvent event;
  event.kind = historykind::kRead;
  event.timeMs = timeMs;
  event.version = "0.1.0";
  event.document = "/home/lab/bench.srv";
  event.family = "td";
  event.model = "ТД-50";
  event.serial = serial;
  event.payload = R"({"diameter":50,"parameters":{"gmax":30}})";
  return event;
}

// tdservice-cli history: listing, showing and exporting a history file made by the store itself.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/clirun.h"
#include "core/history/historyfixture.h"
#include "core/history/pghistory.h"
#include "core/history/sqlitehistory.h"

namespace {

class CliHistory : public ::testing::Test {
 protected:
  void SetUp() override {
    SqliteHistoryStore store(db_);
    HistoryEvent read = sampleEvent("1001", 1'700'000'000'123);
    read.id = "read-1";
    store.record(read);
    HistoryEvent write = sampleEvent("1001", 1'700'000'060'000);
    write.id = "write-1";
    write.kind = historykind::kWrite;
    write.payload = R"({"sent":{"A1":1e-5},"check":"confirmed"})";
    store.record(write);
    HistoryEvent other = sampleEvent("2002, \"b\"", 1'700'000'030'000);
    other.id = "other-1";
    other.family = "kelt";
    other.payload = "not json";
    store.record(other);
  }

  CliRun history(std::vector<std::string> args) {
    args.insert(args.begin(), "history");
    args.insert(args.end(), {"--db", db_});
    return runCli(args);
  }

  TempFolder folder_;
  std::string db_ = folder_.file("history.sqlite");
};

std::vector<std::string> idsOf(const nlohmann::json& events) {
  std::vector<std::string> ids;
  for (const auto& e : events) ids.push_back(e["id"]);
  return ids;
}

TEST_F(CliHistory, ListFilters) {
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> ids;
  } cases[] = {
      {{"list"}, {"write-1", "other-1", "read-1"}},
      {{"list", "--serial", "1001"}, {"write-1", "read-1"}},
      {{"list", "--family", "kelt"}, {"other-1"}},
      {{"list", "--kind", "write"}, {"write-1"}},
      {{"list", "--serial", "1001", "--limit", "1"}, {"write-1"}},
      {{"list", "--serial", "9"}, {}},
  };
  for (const auto& c : cases) {
    const CliRun run = history(c.args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(idsOf(run.json()["events"]), c.ids) << c.args.back();
  }
}

TEST_F(CliHistory, ShowGivesTheWholeEvent) {
  const CliRun run = history({"show", "write-1"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const nlohmann::json j = run.json();
  EXPECT_EQ(j["time"], "2023-11-14T22:14:20.000Z");
  EXPECT_EQ(j["serial"], "1001");
  EXPECT_EQ(j["model"], "ТД-50");
  EXPECT_EQ(j["payload"]["check"], "confirmed");
  EXPECT_EQ(history({"show", "other-1"}).json()["payload"], "not json");

  const CliRun missing = history({"show", "nothing"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "В журнале калибровок нет события nothing\n");
}

TEST_F(CliHistory, ExportWritesQuotedCsv) {
  const std::string out = folder_.file("history.csv");
  const CliRun run = history({"export", "--csv", out, "--family", "kelt"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.json()["events"], 1);
  std::ifstream in(out, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "id,kind,time,user,bench,version,document,family,model,serial,payload\r\n"
            "other-1,read,2023-11-14T22:13:50.000Z," +
                SqliteHistoryStore(db_).get("other-1")->user + "," +
                SqliteHistoryStore(db_).get("other-1")->bench +
                ",0.1.0,/home/lab/bench.srv,kelt,ТД-50,\"2002, \"\"b\"\"\",not json\r\n");
}

// A store that cannot be opened is one message and exit code 1; the output stays as it was.
TEST_F(CliHistory, FailuresLeaveTheOutputAlone) {
  const std::string out = folder_.file("kept.csv");
  std::ofstream(out) << "kept";
  const std::string foreign = folder_.file("foreign.sqlite");
  std::ofstream(foreign) << std::string(4096, 'z');
  const struct {
    std::string db;
    std::string message;
  } cases[] = {
      {foreign, "Файл " + foreign + " повреждён или не является журналом калибровок\n"},
      {"postgresql://lab@localhost/history?password=secret",
       "Пароль не указывается в строке подключения к журналу калибровок: его берут из файла "
       "~/.pgpass или из службы в pg_service.conf\n"},
  };
  for (const auto& c : cases) {
    const CliRun run = runCli({"history", "export", "--csv", out, "--db", c.db});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(run.out, "");
  }
  std::ifstream in(out);
  std::string kept;
  in >> kept;
  EXPECT_EQ(kept, "kept");
  EXPECT_EQ(runCli({"history", "list", "--limit", "0", "--db", db_}).exitCode, 2);
}

// --db with a connection string reads the shared database; the outbox goes beside the default file
// of the user's data folder, here a temporary one.
TEST(CliHistoryServer, ListReadsTheSharedDatabase) {
  if (testPostgres().empty()) GTEST_SKIP() << "TD_TEST_POSTGRES is not set: no PostgreSQL";
  const TempFolder folder;
  const std::string database = newPostgresDatabase();
  const std::string id =
      PgHistoryStore(database, folder.file("outbox.sqlite")).record(sampleEvent("1001", 1000));
  setenv("XDG_DATA_HOME", folder.file("data").c_str(), 1);
  const CliRun run = runCli({"history", "list", "--serial", "1001", "--db", database});
  unsetenv("XDG_DATA_HOME");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(idsOf(run.json()["events"]), std::vector<std::string>{id});
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(std::filesystem::exists(folder.file("data/Duvara/outbox.sqlite")));
}

}  // namespace

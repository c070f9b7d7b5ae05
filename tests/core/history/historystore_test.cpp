// The behaviour both history stores share, run on a SQLite file and, when ./test started a server,
// on a PostgreSQL database.

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/history/historyfixture.h"
#include "core/history/pghistory.h"
#include "core/history/sqlitehistory.h"

namespace {

enum class Backend { sqlite, postgres };

class HistoryStoreTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == Backend::postgres) {
      if (testPostgres().empty()) GTEST_SKIP() << "TD_TEST_POSTGRES is not set: no PostgreSQL";
      location_ = newPostgresDatabase();
    } else {
      location_ = folder_.file("data/history.sqlite");
    }
  }

  std::unique_ptr<HistoryStore> open() {
    if (GetParam() == Backend::postgres)
      return std::make_unique<PgHistoryStore>(location_, folder_.file("outbox.sqlite"));
    return std::make_unique<SqliteHistoryStore>(location_);
  }

  TempFolder folder_;
  std::string location_;
};

std::vector<std::string> idsOf(const std::vector<HistoryEvent>& events) {
  std::vector<std::string> ids;
  for (const HistoryEvent& e : events) ids.push_back(e.id);
  return ids;
}

TEST_P(HistoryStoreTest, AnEmptyStoreIsMigratedOnceAndKeepsItsEvents) {
  std::string id;
  {
    const auto store = open();
    EXPECT_EQ(store->schemaVersion(), int(historyMigrations().size()));
    EXPECT_TRUE(store->list({}).empty());
    id = store->record(sampleEvent("1001", 5000));
  }
  // Reopening runs no migration again (a second CREATE TABLE would fail) and loses nothing.
  const auto again = open();
  EXPECT_EQ(again->schemaVersion(), int(historyMigrations().size()));
  EXPECT_EQ(idsOf(again->list({})), std::vector<std::string>{id});
}

TEST_P(HistoryStoreTest, RecordStampsTheEventAndGetReadsItBack) {
  const auto store = open();
  HistoryEvent event = sampleEvent("1001", 0);
  const std::string id = store->record(event);
  const std::optional<HistoryEvent> back = store->get(id);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->id.size(), 36u);
  EXPECT_GT(back->timeMs, 1'700'000'000'000);
  EXPECT_FALSE(back->user.empty());
  EXPECT_FALSE(back->bench.empty());
  event.id = back->id;
  event.timeMs = back->timeMs;
  event.user = back->user;
  event.bench = back->bench;
  EXPECT_EQ(*back, event);
  EXPECT_NE(store->record(event), "") << "a second record of the same event";
  EXPECT_EQ(store->list({}).size(), 1u) << "an id that is there already is not stored twice";
  EXPECT_FALSE(store->get("no-such-id"));
}

TEST_P(HistoryStoreTest, ListFiltersAndGivesTheNewestFirst) {
  const auto store = open();
  HistoryEvent a = sampleEvent("1001", 1000);
  HistoryEvent b = sampleEvent("1001", 3000);
  b.kind = historykind::kWrite;
  HistoryEvent c = sampleEvent("2002", 2000);
  c.family = "kelt";
  c.model = "КЕЛТ1-ЧИ7.73-xxx";
  const std::string ia = store->record(a), ib = store->record(b), ic = store->record(c);
  const struct {
    HistoryFilter filter;
    std::vector<std::string> ids;
  } cases[] = {
      {{}, {ib, ic, ia}},
      {{.serial = "1001"}, {ib, ia}},
      {{.family = "kelt"}, {ic}},
      {{.serial = "1001", .family = "kelt"}, {}},
      {{.family = "kelt", .model = "КЕЛТ1-ЧИ7.73-xxx"}, {ic}},
      {{.model = "КЕЛТ1"}, {}},
      {{.kind = historykind::kWrite}, {ib}},
      {{.limit = 2}, {ib, ic}},
      {{.serial = "1001", .limit = 1}, {ib}},
      {{.serial = "100"}, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(idsOf(store->list(c.filter)), c.ids)
        << c.filter.serial << "/" << c.filter.family << "/" << c.filter.limit;
}

// Text goes in as bound values only: quotes, statement separators, placeholders and long texts
// come back byte for byte and change nothing else.
TEST_P(HistoryStoreTest, HostileStringsComeBackUnchanged) {
  const std::string texts[] = {
      "O'Brien \"quoted\"",
      "1'; DROP TABLE events; --",
      "x' OR '1'='1",
      "$1 ? ?1 :name %s %% \\ \\\\ \\x00",
      "ТД-50 № 7 — «тест» 😀 \t\r\n",
      std::string(10 * 1024, 'Q') + "'",
  };
  const auto store = open();
  for (const std::string& text : texts) {
    HistoryEvent event = sampleEvent(text, 1000);
    event.model = text;
    event.family = text;
    event.document = text;
    event.bench = text;
    event.payload = text;
    const std::string id = store->record(event);
    event.id = id;
    const std::vector<HistoryEvent> found = store->list({.serial = text, .family = text});
    ASSERT_EQ(found.size(), 1u) << text.substr(0, 40);
    event.user = found[0].user;
    EXPECT_EQ(found[0], event) << text.substr(0, 40);
  }
  EXPECT_EQ(store->list({}).size(), std::size(texts));
}

TEST_P(HistoryStoreTest, TwoWritersAtOnceLoseNothing) {
  open();  // the schema exists before the writers start, as on a bench that ran before
  constexpr int kEach = 100;
  const auto write = [this](const std::string& serial) {
    const auto store = open();
    for (int i = 0; i < kEach; ++i) store->record(sampleEvent(serial, 1000 + i));
  };
  std::thread first(write, "1001");
  std::thread second(write, "2002");
  first.join();
  second.join();
  const auto store = open();
  const std::vector<HistoryEvent> all = store->list({});
  EXPECT_EQ(all.size(), 2u * kEach);
  const std::vector<std::string> ids = idsOf(all);
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 2u * kEach);
  EXPECT_EQ(store->list({.serial = "2002"}).size(), size_t(kEach));
}

TEST_P(HistoryStoreTest, TwoProgramsOpeningANewStoreMigrateItOnce) {
  std::vector<std::thread> openers;
  std::atomic<int> failures = 0;
  for (int i = 0; i < 4; ++i)
    openers.emplace_back([&] {
      try {
        open()->record(sampleEvent("1001", 1000));
      } catch (...) {
        ++failures;
      }
    });
  for (std::thread& t : openers) t.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(open()->list({}).size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Stores, HistoryStoreTest,
                         ::testing::Values(Backend::sqlite, Backend::postgres),
                         [](const auto& info) {
                           return info.param == Backend::sqlite ? "SQLite" : "PostgreSQL";
                         });

}  // namespace

#include "ui/history/historyrecorder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <chrono>

#include "core/history/historystore.h"
#include "core/history/pghistory.h"
#include "core/history/sqlitehistory.h"
#include "ui/base/messagelog.h"
#include "ui/package/toleranceprofiles.h"

namespace {

using namespace std::chrono_literals;

HistoryEvent readOf(const std::string& serial) {
  HistoryEvent event;
  event.kind = historykind::kRead;
  event.family = "td";
  event.model = "ТД-50";
  event.serial = serial;
  return event;
}

std::vector<std::string> serials(const std::vector<HistoryEvent>& events) {
  std::vector<std::string> out;
  for (auto it = events.rbegin(); it != events.rend(); ++it) out.push_back(it->serial);
  return out;
}

// Recorders write below a temporary folder (their outboxes too); the console and the bench are
// the fixture's.
class HistoryRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    signing = loadProtocolSigning();
    ProtocolSigning bench = signing;
    bench.bench = "Стенд 3";
    saveProtocolSigning(bench);
    setMessageSink([this](const QString& text) { console << text; });
  }
  void TearDown() override {
    setMessageSink({});
    saveProtocolSigning(signing);
    qputenv("XDG_DATA_HOME", dataHome);
  }
  std::string file(const QString& name) const { return dir.filePath(name).toStdString(); }
  std::vector<HistoryEvent> stored(const std::string& path) {
    return SqliteHistoryStore(path).list({});
  }
  QStringList consoleWith(const QString& part) const { return console.filter(part); }

  QTemporaryDir dir;
  QByteArray dataHome;
  ProtocolSigning signing;
  QStringList console;
};

TEST_F(HistoryRecorderTest, EventsReachTheStoreStampedHere) {
  const std::string path = file("history.sqlite");
  HistoryRecorder recorder(path, "history.sqlite");
  HistoryEvent own = readOf("3");
  own.bench = "Стенд 7";
  for (HistoryEvent e : {readOf("1"), readOf("2"), own}) recorder.record(e);
  ASSERT_TRUE(recorder.drain(5s));
  const std::vector<HistoryEvent> events = stored(path);
  EXPECT_EQ(serials(events), (std::vector<std::string>{"1", "2", "3"}));
  for (const HistoryEvent& e : events) {
    EXPECT_FALSE(e.version.empty());
    EXPECT_FALSE(e.user.empty());
    EXPECT_EQ(e.bench, e.serial == "3" ? "Стенд 7" : "Стенд 3");
  }
  EXPECT_NE(events[0].id, events[1].id);
  EXPECT_TRUE(console.isEmpty()) << console.join('\n').toStdString();
}

// The folder of the store is a file: nothing can be opened until it is removed.
TEST_F(HistoryRecorderTest, AStoreThatCannotBeOpenedIsToldOnceAndGetsItsEventsLater) {
  QFile blocker(dir.filePath("blocked"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const std::string path = file("blocked/history.sqlite");
  HistoryRecorder recorder(path, "blocked/history.sqlite");
  recorder.record(readOf("1"));
  EXPECT_FALSE(recorder.drain(5s));
  recorder.record(readOf("2"));
  EXPECT_FALSE(recorder.drain(5s));
  EXPECT_EQ(recorder.waiting(), 2u);
  ASSERT_EQ(console.size(), 1) << console.join('\n').toStdString();
  EXPECT_TRUE(console[0].startsWith("Журнал калибровок blocked/history.sqlite недоступен: "));
  EXPECT_TRUE(console[0].endsWith("калибровку можно продолжать")) << console[0].toStdString();

  ASSERT_TRUE(blocker.remove());
  recorder.record(readOf("3"));
  EXPECT_TRUE(recorder.drain(5s));
  EXPECT_EQ(serials(stored(path)), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(consoleWith("снова записывается").size(), 1);
}

// Another program holds the file locked: recording returns at once and the event is written once
// the lock is gone.
TEST_F(HistoryRecorderTest, ALockedStoreNeverMakesRecordingWait) {
  const std::string path = file("history.sqlite");
  SqliteHistoryStore(path).record(readOf("0"));
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

  HistoryRecorder recorder(path, "history.sqlite");
  const auto start = std::chrono::steady_clock::now();
  recorder.record(readOf("1"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
  EXPECT_FALSE(recorder.drain(300ms));
  EXPECT_EQ(recorder.waiting(), 1u);

  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_TRUE(recorder.drain(5s));
  EXPECT_EQ(serials(stored(path)), (std::vector<std::string>{"0", "1"}));
}

TEST_F(HistoryRecorderTest, SwitchingTheStoreSendsTheNextEventsThere) {
  const std::string first = file("first.sqlite"), second = file("second.sqlite");
  HistoryRecorder recorder(first, "first.sqlite");
  recorder.record(readOf("1"));
  ASSERT_TRUE(recorder.drain(5s));
  recorder.switchStore(second, "second.sqlite");
  recorder.record(readOf("2"));
  ASSERT_TRUE(recorder.drain(5s));
  EXPECT_EQ(serials(stored(first)), std::vector<std::string>{"1"});
  EXPECT_EQ(serials(stored(second)), std::vector<std::string>{"2"});
}

// No server listens on that socket folder: the events wait in the outbox beside the default file.
TEST_F(HistoryRecorderTest, AnUnreachableServerIsToldOnceAndItsEventsWait) {
  const std::string nowhere = "host=" + file("no-server") + " dbname=history";
  HistoryRecorder recorder(nowhere, "nowhere/history");
  QSignalSpy done(&recorder, &HistoryRecorder::batchDone);
  recorder.record(readOf("1"));
  ASSERT_TRUE(recorder.drain(10s));
  recorder.record(readOf("2"));
  ASSERT_TRUE(recorder.drain(10s));
  const QStringList told = consoleWith("Сервер журнала калибровок nowhere/history недоступен");
  ASSERT_EQ(told.size(), 1) << console.join('\n').toStdString();
  EXPECT_TRUE(told[0].contains("будут переданы, когда сервер ответит"));
  EXPECT_EQ(serials(stored(PgHistoryStore::defaultOutboxPath())),
            (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(done.size(), 2);
}

// Events an earlier run left in the outbox reach the server with the first event of this one,
// and the console says how many.
TEST_F(HistoryRecorderTest, EventsThatWaitedReachTheServerAndAreCounted) {
  const std::string server = qgetenv("TD_TEST_POSTGRES").toStdString();
  if (server.empty()) GTEST_SKIP() << "TD_TEST_POSTGRES is not set: no PostgreSQL";
  const std::string serial = std::to_string(QDateTime::currentMSecsSinceEpoch());
  {
    SqliteHistoryStore outbox(PgHistoryStore::defaultOutboxPath());
    for (int i = 1; i <= 2; ++i) {
      HistoryEvent waited = readOf(serial);
      waited.timeMs = 1000 + i;
      stampEvent(waited);
      outbox.insert(waited);
    }
  }
  HistoryRecorder recorder(server, "test server");
  recorder.record(readOf(serial));
  ASSERT_TRUE(recorder.drain(10s));
  EXPECT_EQ(console, QStringList{"На сервер журнала калибровок test server переданы события, "
                                 "ждавшие связи: 2"});
  EXPECT_EQ(openHistoryStore(server)->list({.serial = serial}).size(), 3u);
}

}  // namespace

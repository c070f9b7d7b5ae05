// The SQLite history file: what a damaged, foreign or newer file gives, and two programs writing
// one file at once.

#include "core/history/sqlitehistory.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/history/historyfixture.h"

namespace {

std::string contentOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// The message of opening `path`; empty when it opened.
std::string openFailure(const std::string& path) {
  try {
    SqliteHistoryStore store(path);
  } catch (const HistoryError& e) {
    return e.what();
  }
  return {};
}

// A history file whose first page (the header and the table list) is overwritten with junk.
std::string damagedHistory(const TempFolder& folder) {
  const std::string path = folder.file("damaged.sqlite");
  {
    SqliteHistoryStore store(path);
    for (int i = 0; i < 50; ++i) store.record(sampleEvent("1001", 1000 + i));
  }
  std::string bytes = contentOf(folder.file("damaged.sqlite"));
  for (size_t i = 100; i < 4096 && i < bytes.size(); ++i) bytes[i] = char(0xa5);
  std::filesystem::remove(path + "-wal");
  std::filesystem::remove(path + "-shm");
  return bytes;
}

// A file that is not a history is reported in one sentence and left byte for byte as it was.
TEST(SqliteHistory, ADamagedOrForeignFileIsReportedAndLeftAsItWas) {
  const TempFolder folder;
  const struct {
    const char* name;
    std::string content;
  } cases[] = {
      {"text", "Это не база данных, а текст.\n" + std::string(5000, 'x')},
      {"header only", std::string("SQLite format 3\0", 16) + std::string(84, '\xff')},
      {"damaged", damagedHistory(folder)},
  };
  for (const auto& c : cases) {
    const std::string path = folder.file("history.sqlite");
    writeFile(path, c.content);
    EXPECT_EQ(openFailure(path), "Файл " + path + " повреждён или не является журналом калибровок")
        << c.name;
    EXPECT_EQ(contentOf(path), c.content) << c.name;
  }
}

TEST(SqliteHistory, AFileOfANewerProgramIsNotTouched) {
  const TempFolder folder;
  const std::string path = folder.file("history.sqlite");
  SqliteHistoryStore(path).record(sampleEvent("1001", 1000));
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "UPDATE schema_version SET version = 99", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  EXPECT_EQ(openFailure(path),
            "Журнал калибровок " + path + " создан более новой версией программы (схема 99)");
}

TEST(SqliteHistory, AFolderThatCannotBeMadeIsReported) {
  const TempFolder folder;
  writeFile(folder.file("plain"), "a file, not a folder");
  EXPECT_TRUE(
      openFailure(folder.file("plain/sub/history.sqlite"))
          .starts_with("Не удалось создать папку журнала калибровок " + folder.file("plain/sub")));
}

// Another program that keeps the write lock longer than the store waits: the event is refused in
// one sentence, not dropped, and the next one goes in once the lock is free.
TEST(SqliteHistory, AFileLockedTooLongIsReported) {
  const TempFolder folder;
  const std::string path = folder.file("history.sqlite");
  SqliteHistoryStore store(path);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  try {
    store.record(sampleEvent("1001", 1000));
    ADD_FAILURE() << "recorded under another program's lock";
  } catch (const HistoryError& e) {
    EXPECT_EQ(std::string(e.what()), "Журнал калибровок " + path + " занят другой программой");
  }
  ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  store.record(sampleEvent("1001", 2000));
  EXPECT_EQ(store.list({}).size(), 1u);
}

// Two programs on one bench: each writes its own events while the other does.
TEST(SqliteHistory, TwoProcessesWriteOneFile) {
  const TempFolder folder;
  const std::string path = folder.file("history.sqlite");
  SqliteHistoryStore{path};  // the file exists before the two open it
  constexpr int kEach = 200;
  const auto write = [&](const char* serial) {
    SqliteHistoryStore store(path);
    for (int i = 0; i < kEach; ++i) store.record(sampleEvent(serial, 1000 + i));
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    try {
      write("2002");
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  write("1001");
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  SqliteHistoryStore store(path);
  EXPECT_EQ(store.list({.serial = "1001"}).size(), size_t(kEach));
  EXPECT_EQ(store.list({.serial = "2002"}).size(), size_t(kEach));
}

}  // namespace

#include "ui/history/historyloader.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <optional>

// The pooled loader answers on the UI thread, later than the call, with the events or the store's
// own message.
TEST(HistoryLoaderTest, PooledQueryAnswersOnTheUiThread) {
  QTemporaryDir folder;
  const std::string path = folder.filePath("history.sqlite").toStdString();
  HistoryEvent event;
  event.kind = "save";
  event.serial = "00000007";
  openHistoryStore(path)->record(event);

  struct Case {
    std::string location;
    size_t events;
    bool failed;
  };
  // A file where the store's folder should be: no store can be made there.
  const std::string blocked = folder.filePath("файл").toStdString();
  openHistoryStore(blocked);
  const Case cases[] = {{path, 1, false}, {blocked + "/h.sqlite", 0, true}};
  for (const Case& c : cases) {
    std::optional<HistoryResult> answer;
    bool onUiThread = false;
    pooledHistoryLoader([&] { return c.location; })({"00000007"}, [&](HistoryResult result) {
      onUiThread = QThread::currentThread() == qApp->thread();
      answer = std::move(result);
    });
    EXPECT_FALSE(answer);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
    EXPECT_TRUE(onUiThread);
    EXPECT_EQ(answer->events.size(), c.events) << c.location;
    EXPECT_EQ(!answer->error.isEmpty(), c.failed) << answer->error.toStdString();
  }
}

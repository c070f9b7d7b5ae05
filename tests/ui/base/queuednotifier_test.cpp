#include "ui/base/queuednotifier.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QThread>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/base/errors.h"

namespace {

struct Command {
  int value = 0;
};

// Fails odd values, doubles even ones, and signals transmit before each command.
class EchoThread : public QueueThread<Command> {
 public:
  ~EchoThread() override { stop(); }

 protected:
  void execute(std::int32_t, Command& data) override {
    notify(QM_INDICATOR, 1);
    if (data.value % 2) throw MessageError("Прибор не отвечает");
    data.value *= 2;
  }
};

struct Seen {
  std::string what;
  bool onUiThread;
};

// Lets queued calls run until `done` holds or a few seconds passed.
template <class Done>
void processEventsUntil(Done done) {
  const QDeadlineTimer deadline(5000);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
}

TEST(QueuedNotifier, PanelGetsEachResultOnItsOwnThreadInOrder) {
  QObject panel;
  EchoThread worker;
  std::vector<Seen> seen;
  auto onUi = [] { return QThread::currentThread() == QCoreApplication::instance()->thread(); };
  startWorker<Command>(
      &panel, worker,
      [&](auto& item, bool ok) {
        seen.push_back(
            {std::to_string(item.data.value) + (ok ? " ok" : " " + item.message), onUi()});
      },
      [&](int word) {
        seen.push_back({"tx " + std::to_string(word), onUi()});
      });
  for (int value : {2, 3}) {
    worker.nextItem().data.value = value;
    worker.push(0, QF_ALWAYS);
  }
  processEventsUntil([&] { return seen.size() >= 4; });

  ASSERT_EQ(seen.size(), 4u);
  const char* expected[] = {"tx 1", "4 ok", "tx 1", "3 Прибор не отвечает"};
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].what, expected[i]);
    EXPECT_TRUE(seen[i].onUiThread) << i;
  }
  EXPECT_EQ(worker.busyCount(), 0);  // every result consumed
}

TEST(QueuedNotifier, NotificationsPendingForADestroyedPanelAreDropped) {
  auto panel = std::make_unique<QObject>();
  int handled = 0;
  const QueueNotifier notifier = queuedNotifier(panel.get(), [&](QueueMessage, int) { ++handled; });
  std::thread([&] { notifier(QM_ITEM, 1); }).join();
  panel.reset();
  QCoreApplication::processEvents();
  EXPECT_EQ(handled, 0);
}

}  // namespace

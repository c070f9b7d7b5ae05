#include "core/comm/queuethread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <semaphore>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/errors.h"

namespace {
using Event = std::pair<QueueMessage, int>;  // message, word

struct Command {
  int value = 0;
};

enum : std::int32_t { kSucceed, kFail, kFailText, kWait, kIndicate };

// Runs commands by type; records the values it ran and answers with value * 10.
class TestThread : public QueueThread<Command> {
 public:
  ~TestThread() override { stop(); }

  void openGate() { gate_.release(); }
  std::vector<int> ran() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ran_;
  }

 protected:
  void execute(std::int32_t type, Command& data) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ran_.push_back(data.value);
    }
    switch (type) {
      case kFail:
        throw MessageError("Ошибка обмена");
      case kFailText:
        throw "Нет ответа";
      case kWait:
        gate_.acquire();
        break;
      case kIndicate:
        notify(QM_INDICATOR, 1);
        break;
    }
    data.value *= 10;
  }

 private:
  std::binary_semaphore gate_{0};
  std::mutex mutex_;
  std::vector<int> ran_;
};

// Stands in for the panel: records the notifications in the order they came.
class Recorder {
 public:
  QueueNotifier notifier() {
    return [this](QueueMessage message, int word) {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.emplace_back(message, word);
      changed_.notify_all();
    };
  }
  // The notifications so far, once there are at least `count` (or after a few seconds).
  std::vector<Event> waitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(10), [&] { return events_.size() >= count; });
    return events_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Event> events_;
};

struct Outcome {
  std::int32_t type;
  int value;
  std::string message;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
  return out << "{" << o.type << ", " << o.value << ", \"" << o.message << "\"}";
}

class Queue : public ::testing::Test {
 protected:
  void SetUp() override { worker_.start(recorder_.notifier()); }

  void push(std::int32_t type, std::uint32_t flags, int value = 0) {
    worker_.nextItem().data.value = value;
    worker_.push(type, flags);
  }
  Outcome consume() {
    Outcome outcome{};
    worker_.consume([&](auto& item) { outcome = {item.type, item.data.value, item.message}; });
    return outcome;
  }

  Recorder recorder_;  // outlives the worker, which notifies until it ends
  TestThread worker_;
};

TEST_F(Queue, RunsItemsInOrderAndReportsEachOutcome) {
  push(kSucceed, 0, 1);
  push(kFail, QF_ALWAYS, 2);
  push(kFailText, QF_ALWAYS, 3);
  push(kIndicate, QF_ALWAYS, 4);
  EXPECT_EQ(recorder_.waitFor(5),
            (std::vector<Event>{
                {QM_ITEM, 1}, {QM_ITEM, 0}, {QM_ITEM, 0}, {QM_INDICATOR, 1}, {QM_ITEM, 1}}));
  EXPECT_EQ(consume(), (Outcome{kSucceed, 10, ""}));
  EXPECT_EQ(consume(), (Outcome{kFail, 2, "Ошибка обмена"}));
  EXPECT_EQ(consume(), (Outcome{kFailText, 3, "Нет ответа"}));
  EXPECT_EQ(consume(), (Outcome{kIndicate, 40, ""}));
  EXPECT_EQ(worker_.history(), 0b1001u);
  EXPECT_EQ(worker_.busyCount(), 0);
}

// Around the ring more than once: a slot used again carries no stale failure text.
TEST_F(Queue, SlotsAreReusedAroundTheRing) {
  for (int i = 0; i < 12; ++i) {
    push(i == 0 ? kFail : kSucceed, 0, i);
    recorder_.waitFor(static_cast<std::size_t>(i) + 1);
    const Outcome outcome = consume();
    EXPECT_EQ(outcome.message, i == 0 ? "Ошибка обмена" : "") << i;
    EXPECT_EQ(outcome.value, i == 0 ? 0 : i * 10) << i;
  }
  EXPECT_EQ(worker_.ran().size(), 12u);
}

// The handler can tell kinds of failure apart by the exception itself; a slot used again after
// a failure carries none.
TEST_F(Queue, AFailedSlotKeepsTheThrownException) {
  push(kFail, 0, 1);
  recorder_.waitFor(1);
  worker_.consume([](auto& item) {
    ASSERT_TRUE(item.failure);
    EXPECT_THROW(std::rethrow_exception(item.failure), MessageError);
  });
  for (int i = 0; i < QueueThread<Command>::kQueueSize; ++i) {
    push(kSucceed, 0, 2);
    recorder_.waitFor(static_cast<std::size_t>(i) + 2);
    worker_.consume([](auto& item) { EXPECT_FALSE(item.failure); });
  }
}

TEST_F(Queue, TenthUnconsumedPushOverflows) {
  for (int i = 0; i < 9; ++i) push(kSucceed, QF_ALWAYS, i);
  for (std::uint32_t flags : {QF_ALWAYS, QF_DROP}) {
    try {
      push(kSucceed, flags, 9);
      ADD_FAILURE() << flags;
    } catch (const MessageError& e) {
      EXPECT_STREQ(e.what(), "Queue overflow");
    }
  }
  recorder_.waitFor(9);
  consume();
  push(kSucceed, QF_ALWAYS, 9);
  recorder_.waitFor(10);
  EXPECT_EQ(worker_.ran(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

// What a push does while one item is still pending (its worker is held inside it).
TEST(QueueBusy, PushIntoABusyQueueFollowsTheFlags) {
  const std::uint32_t kPoll = QF_BACKGROUND | QF_DROP;
  enum Expect { accepted, dropped, refused };
  const struct {
    std::uint32_t pendingFlags, flags;
    Expect expect;
  } cases[] = {
      {0, 0, refused},
      {0, QF_DROP, dropped},
      {0, QF_ALWAYS, accepted},
      {0, kPoll, dropped},
      {0, QF_BACKGROUND, refused},
      {QF_ALWAYS, 0, refused},
      {kPoll, 0, accepted},  // a pending poll does not hold up a command
      {kPoll, QF_DROP, accepted},
      {kPoll, kPoll, dropped},  // but polls do not pile up
      {kPoll, QF_BACKGROUND | QF_ALWAYS, accepted},
  };
  for (const auto& c : cases) {
    Recorder recorder;
    TestThread worker;
    worker.start(recorder.notifier());
    worker.nextItem().data.value = 1;
    worker.push(kWait, c.pendingFlags);
    worker.nextItem().data.value = 2;
    std::string failure;
    try {
      worker.push(kSucceed, c.flags);
    } catch (const MessageError& e) {
      failure = e.what();
    }
    worker.openGate();
    worker.stop();
    const std::vector<int> ran = worker.ran();
    const std::string where = std::to_string(c.pendingFlags) + " / " + std::to_string(c.flags);
    EXPECT_EQ(failure, c.expect == refused ? "Queue is not empty" : "") << where;
    const std::vector<int> expected =
        c.expect == accepted ? std::vector<int>{1, 2} : std::vector<int>{1};
    EXPECT_EQ(ran, expected) << where;
  }
}

TEST_F(Queue, BusyCountIgnoresBackgroundItems) {
  push(kWait, QF_BACKGROUND, 1);
  EXPECT_EQ(worker_.busyCount(), 0);
  push(kSucceed, 0, 2);
  push(kSucceed, QF_ALWAYS | QF_BACKGROUND, 3);
  EXPECT_EQ(worker_.busyCount(), 1);
  worker_.openGate();
  recorder_.waitFor(3);
  consume();
  consume();
  EXPECT_EQ(worker_.busyCount(), 0);
}

// Run only if the previous command succeeded. A skipped item comes back as type -1
// with word 1 and puts a 0 into the history, so a chain of them stops at the first failure.
TEST(QueueCondition, ConditionalItemFollowsThePreviousOutcome) {
  const std::uint32_t kIfPreviousSucceeded = QF_ALWAYS | QF_AFTER_SUCCESS;
  using Push = std::pair<std::int32_t, std::uint32_t>;
  const struct {
    const char* what;
    std::vector<Push> before;
    bool runs;
    std::uint32_t history;
  } cases[] = {
      {"after a success", {{kSucceed, QF_ALWAYS}}, true, 0b11},
      {"after a failure", {{kFail, QF_ALWAYS}}, false, 0b00},
      {"first of all", {}, false, 0b0},
      {"after a skipped item",
       {{kSucceed, QF_ALWAYS}, {kFail, QF_ALWAYS}, {kSucceed, kIfPreviousSucceeded}},
       false,
       0b1000},
  };
  for (const auto& c : cases) {
    Recorder recorder;
    TestThread worker;
    worker.start(recorder.notifier());
    for (const auto& [type, flags] : c.before) worker.push(type, flags);
    worker.nextItem().data.value = 7;
    worker.push(kSucceed, kIfPreviousSucceeded);
    const std::vector<Event> events = recorder.waitFor(c.before.size() + 1);
    ASSERT_EQ(events.size(), c.before.size() + 1) << c.what;
    EXPECT_EQ(events.back(), (Event{QM_ITEM, 1})) << c.what;
    for (std::size_t i = 0; i < c.before.size(); ++i) worker.consume([](auto&) {});
    worker.consume([&](auto& item) {
      EXPECT_EQ(item.type, c.runs ? kSucceed : -1) << c.what;
      EXPECT_EQ(item.data.value, c.runs ? 70 : 7) << c.what;
      EXPECT_EQ(item.message, "") << c.what;
    });
    EXPECT_EQ(worker.history(), c.history) << c.what;
  }
}

TEST(QueueStop, DestructionRunsWhatIsStillQueued) {
  Recorder recorder;
  auto worker = std::make_unique<TestThread>();
  worker->start(recorder.notifier());
  worker->nextItem().data.value = 1;
  worker->push(kWait, 0);
  for (int value : {2, 3}) {
    worker->nextItem().data.value = value;
    worker->push(kSucceed, QF_ALWAYS);
  }
  TestThread* running = worker.get();
  std::jthread release([running] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    running->openGate();
  });
  worker.reset();  // while the worker is still held inside the first item
  EXPECT_EQ(recorder.waitFor(3), (std::vector<Event>(3, Event{QM_ITEM, 1})));
}

TEST(QueueFailureText, EachKindOfThrownFailure) {
  auto textOf = [](auto thrown) {
    try {
      throw thrown;
    } catch (...) {
      return failureText(std::current_exception());
    }
  };
  EXPECT_EQ(textOf(MessageError("Прибор не отвечает")), "Прибор не отвечает");
  EXPECT_EQ(textOf(win_error(5)).rfind("System Error.  Code: 5.", 0), 0u);
  EXPECT_EQ(textOf("Ошибка обмена"), "Ошибка обмена");
  EXPECT_EQ(textOf(std::string("Ошибка контрольной суммы")), "Ошибка контрольной суммы");
  EXPECT_EQ(textOf(std::bad_alloc()), "Недостаточно памяти");
  EXPECT_EQ(textOf(42), "Неизвестная ошибка");
}

}  // namespace

#pragma once
// Drives a device worker from a test the way a panel does: results are awaited in push order and
// their slots consumed; the words of the indicator channel are kept apart.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "core/comm/queuethread.h"

template <class Thread>
class WorkerProbe {
 public:
  using Item = typename Thread::QueueItem;
  struct Result {
    int word = -1;  // 1 succeeded or skipped, 0 failed, -1 no notification in time
    Item item;
    std::vector<int> indicators;  // QM_INDICATOR words since the previous result
  };

  explicit WorkerProbe(Thread& thread) : thread_(thread) {
    thread_.start([this](QueueMessage message, int word) {
      std::lock_guard lock(mutex_);
      if (message == QM_INDICATOR) {
        indicators_.push_back(word);
      } else if (message == QM_ITEM) {
        words_.push_back(word);
        arrived_.notify_all();
      }
    });
  }
  // The worker notifies this probe while it drains its queue: stop it before the probe goes.
  ~WorkerProbe() { thread_.stop(); }

  // The next result, or a test failure after `limit`.
  Result await(std::chrono::seconds limit = std::chrono::seconds(15)) {
    std::unique_lock lock(mutex_);
    Result out;
    if (!arrived_.wait_for(lock, limit, [&] { return consumed_ < words_.size(); })) {
      ADD_FAILURE() << "no notification";
      return out;
    }
    out.word = words_[consumed_++];
    out.indicators.swap(indicators_);
    thread_.consume([&](const Item& item) { out.item = item; });
    return out;
  }

  // Fills the next slot and pushes it, then waits for its result.
  Result run(int type, const decltype(Item::data)& data, uint32_t flags = 0) {
    thread_.nextItem().data = data;
    thread_.push(type, flags);
    return await();
  }

 private:
  Thread& thread_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<int> words_;
  std::vector<int> indicators_;
  size_t consumed_ = 0;
};

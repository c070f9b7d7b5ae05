#pragma once
// The device worker: a ring of command slots that a panel fills on the user-interface thread
// and one worker thread runs, in order, on the device's serial port.
//
// Hand-over of a slot: the panel fills the slot at the write index and pushes it (the semaphore
// release publishes it); the worker runs it, stores the outcome in the slot and then notifies;
// the panel's notification handler consumes the slot at the read index. The panel never touches
// a slot between push and notification, the worker never after notifying.

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <semaphore>
#include <string>
#include <thread>

#include "core/base/errors.h"
#include "core/comm/frametap.h"

// Flags of QueueThread::push. Bits 0-7: the expected outcomes of the preceding commands (bit 0
// the newest, 1 = succeeded); bits 8-15: which of them the condition looks at (0 = none).
inline constexpr std::uint32_t QF_ALWAYS = 0x10000;      // pushed even if others are pending
inline constexpr std::uint32_t QF_BACKGROUND = 0x20000;  // pending, it does not make others wait
inline constexpr std::uint32_t QF_DROP = 0x40000;        // dropped silently when not pushed
// Run only if the command before it succeeded, else skipped. Pushed behind that command, so it
// goes with QF_ALWAYS: `QF_ALWAYS | QF_AFTER_SUCCESS`.
inline constexpr std::uint32_t QF_AFTER_SUCCESS = 0x0101;

// Notifications from the worker: QM_ITEM once per item (word 1 succeeded or skipped, 0 failed);
// QM_INDICATOR for whatever the device's worker signals along the way (transmit and receive).
enum class QueueMessage { QM_ITEM, QM_INDICATOR };
using enum QueueMessage;  // the kinds read as QM_ITEM and QM_INDICATOR; no int converts to them

// Called on the worker thread; a panel re-posts it to its own thread.
using QueueNotifier = std::function<void(QueueMessage message, int word)>;

template <class Common>
class QueueThread {
 public:
  struct QueueItem {
    std::int32_t type = 0;  // the device's command type; -1 when the worker skipped the item
    std::uint32_t flags = 0;
    Common data{};        // the request in, the reply out
    std::string message;  // the failure text, empty on success
    // The failure as thrown, for a handler that reacts to a kind of failure; null on success.
    std::exception_ptr failure;
  };
  static constexpr int kQueueSize = 10;

  QueueThread() = default;
  QueueThread(const QueueThread&) = delete;
  QueueThread& operator=(const QueueThread&) = delete;
  // A derived class must call stop() first in its own destructor: the queued items run through
  // its execute() and on its port.
  virtual ~QueueThread() { stop(); }

  // Starts the worker. Items pushed before wait for it.
  void start(QueueNotifier notifier) {
    if (worker_.joinable()) return;
    notifier_ = std::move(notifier);
    worker_ = std::jthread([this] { run(); });
  }

  // Runs every item still queued, then ends the worker. Later calls do nothing.
  void stop() {
    if (stopped_) return;
    stopped_ = true;
    stopIndex_.exchange(writeIndex_);
    semaphore_.release();
    if (worker_.joinable()) worker_.join();
  }

  // The slot the next push hands over; fill its data first.
  QueueItem& nextItem() { return items_[writeIndex_]; }

  // Hands the slot at the write index to the worker. Throws "Queue overflow" when nine results
  // are unconsumed, "Queue is not empty" when the flags forbid pushing into a busy queue (or
  // returns without pushing when QF_DROP is set).
  void push(std::int32_t type, std::uint32_t flags) {
    const int pending = (writeIndex_ - readIndex_ + kQueueSize) % kQueueSize;
    if (pending >= kQueueSize - 1) throw MessageError("Queue overflow");
    const bool background = flags & QF_BACKGROUND;
    if (pending != 0 && !(flags & QF_ALWAYS) && (background || busyCount() != 0)) {
      if (flags & QF_DROP) return;
      throw MessageError("Queue is not empty");
    }
    QueueItem& item = items_[writeIndex_];
    item.type = type;
    item.flags = flags;
    item.message.clear();
    item.failure = nullptr;
    writeIndex_ = (writeIndex_ + 1) % kQueueSize;
    semaphore_.release();
  }

  // Pending items without QF_BACKGROUND, from the read index up to the write index.
  int busyCount() const {
    int busy = 0;
    for (int i = readIndex_; i != writeIndex_; i = (i + 1) % kQueueSize) {
      if (!(items_[i].flags & QF_BACKGROUND)) ++busy;
    }
    return busy;
  }

  // On a QM_ITEM notification: hands the slot at the read index to `handler`, then moves the
  // read index on, also when the handler throws.
  template <class Handler>
  void consume(Handler&& handler) {
    struct Advance {
      int& index;
      ~Advance() { index = (index + 1) % kQueueSize; }
    } advance{readIndex_};
    handler(items_[readIndex_]);
  }

  // Outcomes of the commands run so far, newest in bit 0 (1 = ran and succeeded).
  std::uint32_t history() const { return history_.load(std::memory_order_acquire); }

 protected:
  // Runs one command on the worker thread; returns for success, throws for failure.
  virtual void execute(std::int32_t type, Common& data) = 0;

  // For execute(): an extra notification to the panel (QM_INDICATOR).
  void notify(QueueMessage message, int word) const {
    if (notifier_) notifier_(message, word);
  }

 private:
  void run() {
    for (int index = 0;; index = (index + 1) % kQueueSize) {
      semaphore_.acquire();
      if (index == stopIndex_.load()) return;
      runItem(items_[index]);
    }
  }

  // An item whose condition on the history does not hold is skipped: type -1, reported as
  // success, and a 0 in the history like a failure.
  void runItem(QueueItem& item) {
    const std::uint32_t pattern = item.flags & 0xFF;
    const std::uint32_t mask = (item.flags >> 8) & 0xFF;
    const std::uint32_t history = history_.load(std::memory_order_relaxed);
    bool succeeded = false;
    int word = 1;
    if ((pattern & mask) != (history & mask)) {
      item.type = -1;
    } else {
      try {
        execute(item.type, item.data);
        succeeded = true;
      } catch (...) {
        item.failure = std::current_exception();
        item.message = failureText(item.failure);
        word = 0;
      }
      comprt::endExchange(item.message);
    }
    history_.store((history << 1) | (succeeded ? 1u : 0u), std::memory_order_release);
    notify(QM_ITEM, word);
  }

  QueueItem items_[kQueueSize];
  std::counting_semaphore<kQueueSize> semaphore_{0};
  QueueNotifier notifier_;
  int readIndex_ = 0;   // the panel's
  int writeIndex_ = 0;  // the panel's
  bool stopped_ = false;
  std::atomic<std::uint32_t> history_{0};  // the worker's
  std::atomic<int> stopIndex_{-1};
  std::jthread worker_;  // last: ends before the members it uses
};

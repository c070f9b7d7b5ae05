#pragma once
// What every device command shares: the port named on the command line, the panel's worker run
// from a script (one command at a time, waiting for its notification), and the JSON files the
// write commands take.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <utility>

#include "core/base/errors.h"
#include "core/comm/frametap.h"
#include "core/comm/queuethread.h"
#include "core/devices/exchangelines.h"

// The 1-based port-list position of `nameOrPath`, as installPortListWith() gives it. A port that
// cannot be opened fails in the worker, with the panels' text.
int cliPortPosition(const std::string& nameOrPath);

// The JSON of a file; MessageError when it cannot be read or is not JSON.
nlohmann::json readJsonFile(const std::string& path);
// The number at `key` of `object`; MessageError naming the key when there is none.
double jsonNumber(const nlohmann::json& object, const std::string& key);

// How long one command may take at most. The worker's own time-outs decide every failure of the
// line; this only keeps a script from waiting forever on a worker that never reports.
inline constexpr std::chrono::seconds kCliCommandDeadline{120};

// The --trace file: while it is open the ports record, and a writer thread appends every frame
// as a line of the monitor's text form, a batch at a time, flushed after each batch.
class CliTrace {
 public:
  // Opens (empties) the file; MessageError when it cannot be written.
  explicit CliTrace(const std::string& path);  // can throw
  ~CliTrace();
  CliTrace(const CliTrace&) = delete;
  CliTrace& operator=(const CliTrace&) = delete;

  // The trace of the command line's --trace file, opened on first use; null without one.
  static CliTrace* ofCommandLine();  // can throw
  // Writes the frames waiting in the tap. A failure to write is kept for requireWritten().
  void flush();
  // MessageError when writing the file failed.
  void requireWritten();  // can throw

 private:
  static constexpr std::chrono::milliseconds kPeriod{50};

  std::string path_;
  comprt::FrameListener listener_;
  std::mutex mutex_;  // one writer at a time: the thread or flush()
  std::ofstream out_;
  ExchangeDecoder decoder_;
  std::jthread writer_;  // last: stops before the members it uses
};

// A panel's worker driven from the command line: run() hands one command to the worker and waits
// on its notification, so the commands go out in order and each sees the outcome of the one
// before, as the panel's queue conditions expect.
template <class Thread>
class CliWorker {
 public:
  using Item = typename Thread::QueueItem;
  using Common = decltype(Item::data);

  struct Result {
    Item item;
    bool ok;  // succeeded or skipped
  };

  template <class... ThreadArgs>
  explicit CliWorker(ThreadArgs&&... threadArgs)
      : trace_(CliTrace::ofCommandLine()), thread_(std::forward<ThreadArgs>(threadArgs)...) {
    thread_.start([this](QueueMessage message, int word) {
      if (message != QM_ITEM) return;
      {
        std::lock_guard lock(mutex_);
        ++finished_;
        lastWord_ = word;
      }
      done_.notify_one();
    });
  }
  ~CliWorker() {
    thread_.stop();
    if (trace_) trace_->flush();
  }
  CliWorker(const CliWorker&) = delete;
  CliWorker& operator=(const CliWorker&) = delete;

  // Runs one command to its end and returns it as the worker left it.
  Result run(std::int32_t type, const Common& data, std::uint32_t flags = 0) {  // can throw
    thread_.nextItem().data = data;
    thread_.push(type, flags);
    ++pushed_;
    int word = 0;
    {
      std::unique_lock lock(mutex_);
      if (!done_.wait_for(lock, kCliCommandDeadline, [this] { return finished_ == pushed_; }))
        throw MessageError("Прибор не отвечает");
      word = lastWord_;
    }
    if (trace_) trace_->requireWritten();
    Result result{{}, word != 0};
    thread_.consume([&](Item& item) { result.item = item; });
    return result;
  }

  // As run(), with a failure thrown as the worker's message.
  Common runOk(std::int32_t type, const Common& data, std::uint32_t flags = 0) {  // can throw
    Result result = run(type, data, flags);
    if (!result.ok) throw MessageError(result.item.message);
    return result.item.data;
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  long pushed_ = 0;
  long finished_ = 0;  // guarded by mutex_
  int lastWord_ = 0;   // guarded by mutex_
  CliTrace* trace_;
  Thread thread_;  // last: its worker ends before the members it notifies
};

// A single-precision value as JSON shows it: in the fewest digits that read back as that value.
double shortestOf(float value);

// The part of the usage text that explains the device commands' arguments and output.
std::string deviceUsageNotes();

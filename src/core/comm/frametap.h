#pragma once
// Recording of the frames that cross the serial lines, for the exchange monitor and the trace
// file. The ports record only while someone listens; a worker then hands each frame over with a
// short copy under a mutex into a ring of fixed slots (the oldest give way when the ring is full,
// and are counted), and the listener takes them in batches on its own thread.
//
// A port cannot tell where a device's frames end: it takes everything written in one call as a
// request and everything read after it, up to the next write, as its reply. The reply is closed
// by the next write (the exchange went on, so the reply was accepted), by a read that came short,
// or by the worker at the end of the command with the command's outcome (endExchange).

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace comprt {

enum class FrameFamily : std::uint8_t { unknown, td, kelt, zorb, rm23 };
enum class FrameDirection : std::uint8_t { toDevice, fromDevice };
enum class FrameCheck : std::uint8_t { none, good, bad };

// Bytes kept of one frame; the longest frame of any family (a TD frame) fits.
inline constexpr std::size_t kFrameBytesMax = 256;

// One frame as the listener gets it.
struct ExchangeFrame {
  std::int64_t timeUs = 0;      // when it ended: wall clock, microseconds since the epoch
  std::int32_t latencyUs = -1;  // a reply: from the end of its request to its last byte
  FrameFamily family = FrameFamily::unknown;
  FrameDirection direction = FrameDirection::toDevice;
  FrameCheck check = FrameCheck::none;  // as the worker judged it
  bool truncated = false;               // longer than kFrameBytesMax; the rest is not kept
  std::string port;
  std::string problem;  // why the worker rejected it
  std::vector<std::uint8_t> bytes;
};

// What a family's decoder reads from a frame.
struct FrameMeaning {
  std::string text;  // function or command and the main fields
  FrameCheck check = FrameCheck::none;
  std::string problem;  // why the check failed
};

// The frame as a worker hands it over: fixed size, so posting never allocates.
struct RawFrame {
  std::int64_t timeUs = 0;
  std::int32_t latencyUs = -1;
  std::uint16_t length = 0;
  FrameFamily family = FrameFamily::unknown;
  FrameDirection direction = FrameDirection::toDevice;
  FrameCheck check = FrameCheck::none;
  bool truncated = false;
  char port[40] = {};
  char problem[120] = {};
  std::uint8_t bytes[kFrameBytesMax] = {};
};

class FrameTap {
 public:
  static constexpr std::size_t kDefaultCapacity = 4096;

  explicit FrameTap(std::size_t capacity = kDefaultCapacity);

  // The one tap the ports of the process post to.
  static FrameTap& instance();
  // Whether any tap has a listener: the ports' one test per call when nobody listens.
  static bool recording() { return listeners_.load(std::memory_order_relaxed) > 0; }

  // A listener (the monitor window, a trace file) attaches while it wants frames.
  void attach();
  void detach();

  // Worker side: copies the frame into the ring, replacing the oldest when the ring is full.
  void post(const RawFrame& frame);
  // Listener side: appends the frames waiting, oldest first, to `out` and empties the ring.
  // Returns how many frames were lost to a full ring since the previous take.
  std::uint64_t take(std::vector<ExchangeFrame>& out);

 private:
  static std::atomic<int> listeners_;

  std::mutex mutex_;
  std::vector<RawFrame> ring_;  // guarded by mutex_
  std::size_t first_ = 0;       // guarded by mutex_
  std::size_t count_ = 0;       // guarded by mutex_
  std::uint64_t dropped_ = 0;   // guarded by mutex_
};

// Keeps FrameTap::instance() attached for its lifetime.
class FrameListener {
 public:
  FrameListener() { FrameTap::instance().attach(); }
  ~FrameListener() { FrameTap::instance().detach(); }
  FrameListener(const FrameListener&) = delete;
  FrameListener& operator=(const FrameListener&) = delete;
};

// The recording side of one port.
class FrameRecorder {
 public:
  explicit FrameRecorder(FrameFamily family) : family_(family) {}
  ~FrameRecorder();
  FrameRecorder(const FrameRecorder&) = delete;
  FrameRecorder& operator=(const FrameRecorder&) = delete;

  void setPort(const std::string& name);
  // A write: closes the pending reply as accepted and posts the request.
  void sent(const std::uint8_t* bytes, std::size_t n);
  // A read: the bytes join the pending reply.
  void received(const std::uint8_t* bytes, std::size_t n);
  // Closes the pending reply with a verdict; nothing when none is pending.
  void endReply(FrameCheck check, const char* problem);

 private:
  using Clock = std::chrono::steady_clock;

  void start(RawFrame& frame, FrameDirection direction);

  FrameFamily family_;
  std::string port_;
  Clock::time_point requestEnd_{};  // none before the port's first request
  Clock::time_point replyEnd_{};
  bool replyPending_ = false;
  RawFrame reply_;
};

// Closes the pending reply of the port this thread used last, with the outcome of the command
// (empty `failure`: it succeeded). The worker calls it after every command.
void endExchange(const std::string& failure);

}  // namespace comprt

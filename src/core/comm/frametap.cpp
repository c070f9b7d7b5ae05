#include "core/comm/frametap.h"

#include <algorithm>
#include <cstring>

namespace comprt {

namespace {

// The recorder whose pending reply endExchange() closes: each worker thread owns one port.
thread_local FrameRecorder* currentRecorder = nullptr;

// Copies `text` into `to`, cut at a character boundary so that no UTF-8 sequence is split.
template <std::size_t N>
void copyText(char (&to)[N], const char* text, std::size_t length) {
  std::size_t n = std::min(length, N - 1);
  while (n > 0 && n < length && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(to, text, n);
  to[n] = '\0';
}

std::int64_t wallClockUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::atomic<int> FrameTap::listeners_{0};

FrameTap::FrameTap(std::size_t capacity) : ring_(std::max<std::size_t>(capacity, 1)) {}

FrameTap& FrameTap::instance() {
  static FrameTap tap;
  return tap;
}

void FrameTap::attach() { listeners_.fetch_add(1, std::memory_order_relaxed); }

void FrameTap::detach() { listeners_.fetch_sub(1, std::memory_order_relaxed); }

void FrameTap::post(const RawFrame& frame) {
  std::lock_guard lock(mutex_);
  if (count_ == ring_.size()) {
    first_ = (first_ + 1) % ring_.size();
    --count_;
    ++dropped_;
  }
  ring_[(first_ + count_) % ring_.size()] = frame;
  ++count_;
}

std::uint64_t FrameTap::take(std::vector<ExchangeFrame>& out) {
  // The copies into ExchangeFrame allocate, so they are made outside the lock from a snapshot.
  std::vector<RawFrame> taken;
  std::uint64_t dropped = 0;
  {
    std::lock_guard lock(mutex_);
    taken.reserve(count_);
    for (std::size_t i = 0; i < count_; ++i) taken.push_back(ring_[(first_ + i) % ring_.size()]);
    first_ = 0;
    count_ = 0;
    std::swap(dropped, dropped_);
  }
  out.reserve(out.size() + taken.size());
  for (const RawFrame& raw : taken) {
    ExchangeFrame& frame = out.emplace_back();
    frame.timeUs = raw.timeUs;
    frame.latencyUs = raw.latencyUs;
    frame.family = raw.family;
    frame.direction = raw.direction;
    frame.check = raw.check;
    frame.truncated = raw.truncated;
    frame.port = raw.port;
    frame.problem = raw.problem;
    frame.bytes.assign(raw.bytes, raw.bytes + raw.length);
  }
  return dropped;
}

FrameRecorder::~FrameRecorder() {
  if (currentRecorder == this) currentRecorder = nullptr;
}

void FrameRecorder::setPort(const std::string& name) { port_ = name; }

void FrameRecorder::start(RawFrame& frame, FrameDirection direction) {
  frame.family = family_;
  frame.direction = direction;
  frame.latencyUs = -1;
  frame.check = FrameCheck::none;
  frame.truncated = false;
  frame.length = 0;
  frame.problem[0] = '\0';
  copyText(frame.port, port_.data(), port_.size());
}

void FrameRecorder::sent(const std::uint8_t* bytes, std::size_t n) {
  if (!FrameTap::recording()) {
    replyPending_ = false;
    return;
  }
  currentRecorder = this;
  endReply(FrameCheck::good, "");
  RawFrame request;
  start(request, FrameDirection::toDevice);
  request.length = static_cast<std::uint16_t>(std::min(n, kFrameBytesMax));
  request.truncated = n > kFrameBytesMax;
  std::memcpy(request.bytes, bytes, request.length);
  requestEnd_ = Clock::now();
  request.timeUs = wallClockUs();
  FrameTap::instance().post(request);
}

void FrameRecorder::received(const std::uint8_t* bytes, std::size_t n) {
  if (!FrameTap::recording()) return;
  currentRecorder = this;
  if (!replyPending_) {
    start(reply_, FrameDirection::fromDevice);
    replyPending_ = true;
  }
  const std::size_t room = kFrameBytesMax - reply_.length;
  const std::size_t kept = std::min(n, room);
  if (kept != 0) std::memcpy(reply_.bytes + reply_.length, bytes, kept);
  reply_.length = static_cast<std::uint16_t>(reply_.length + kept);
  reply_.truncated = reply_.truncated || kept < n;
  replyEnd_ = Clock::now();
  reply_.timeUs = wallClockUs();
}

void FrameRecorder::endReply(FrameCheck check, const char* problem) {
  if (!replyPending_) return;
  replyPending_ = false;
  if (!FrameTap::recording()) return;
  reply_.check = check;
  copyText(reply_.problem, problem, std::strlen(problem));
  if (requestEnd_ != Clock::time_point{}) {
    reply_.latencyUs = static_cast<std::int32_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(replyEnd_ - requestEnd_).count());
  }
  FrameTap::instance().post(reply_);
}

void endExchange(const std::string& failure) {
  FrameRecorder* recorder = currentRecorder;
  if (recorder == nullptr) return;
  currentRecorder = nullptr;
  recorder->endReply(failure.empty() ? FrameCheck::good : FrameCheck::bad, failure.c_str());
}

}  // namespace comprt

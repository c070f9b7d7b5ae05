#include "core/devices/td/tdthread.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <thread>

#include "core/base/errors.h"

namespace {

using std::chrono::milliseconds;

// Line time-outs: a reply may pause at most 50 ms between two bytes; the whole reply has the
// window of tdReplyWindowMs.
constexpr std::uint32_t kOpenReadTimeoutMs = 50;
constexpr std::uint32_t kReadIntervalMs = 50;
constexpr std::uint32_t kReplyWindowMs = 100;
constexpr int kPacedBaudRate = 9600;
// The pause after every reply, before the next request may follow.
constexpr milliseconds kAfterReply(20);

// Bytes that fit into the 256-byte frame buffer.
std::size_t frameBytes(std::int32_t n) {
  return static_cast<std::size_t>(std::clamp<std::int32_t>(n, 0, kTdFrameSize));
}

}  // namespace

std::uint32_t tdReplyWindowMs(int baudRate, int requestBytes, int replyBytes) {
  if (baudRate <= 0 || baudRate >= kPacedBaudRate) return kReplyWindowMs;
  // Ten bits a byte on the line; the fixed window already covers the time at 9600 baud.
  const double extraPerByte = 10000.0 / baudRate - 10000.0 / kPacedBaudRate;
  return kReplyWindowMs +
         static_cast<std::uint32_t>(std::ceil((requestBytes + replyBytes) * extraPerByte));
}

TDx2Thread::TDx2Thread(milliseconds settle) : settle_(settle) {}

TDx2Thread::~TDx2Thread() { stop(); }

void TDx2Thread::execute(std::int32_t type, TDx2Common& data) {
  data.check.reset();
  switch (type) {
    case TD_OPEN:
      return open(data);
    case TD_CLOSE:
      return port_.close();
    case TD_EXCHANGE:
      return exchangeAndCheck(data);
    case TD_POLL:
      return exchange(data);
    default:
      return;
  }
}

void TDx2Thread::open(const TDx2Common& data) {
  port_.open(data.port, data.baudRate, kOpenReadTimeoutMs);
  if (!port_.isOpen()) comprt::fail(comprt::msgPortNotOpen);
  if (!port_.escape(comprt::ComPort::SETDTR)) throw win_error(errno);
  if (!port_.escape(comprt::ComPort::CLRRTS)) throw win_error(errno);
  port_.setTimeouts({kReadIntervalMs, 0, kReplyWindowMs, 0, 0});
  baudRate_ = data.baudRate;
  std::this_thread::sleep_for(settle_);
}

// An acknowledged write is followed by the read of what it wrote: the acknowledgement says the
// meter took the request, not what it now holds.
void TDx2Thread::exchangeAndCheck(TDx2Common& data) {
  const TDx2Common write = data;  // the exchange leaves the reply in the frame
  exchange(data);
  const auto readBack = tdReadBackRequest(write);
  if (!readBack || !tdDecodeReply(data).accepted) return;
  data.check = writeCheckRun([&] {
    TDx2Common read = readBack->common;
    exchange(read);
    return tdCompareWritten(write, read);
  });
}

// The meter answers a whole request only, so whatever lies in the driver from an earlier
// exchange is discarded first; the pause of a millisecond per byte lets the request go out.
void TDx2Thread::exchange(TDx2Common& data) {
  const std::size_t request = frameBytes(data.requestLength);
  const std::size_t expected = frameBytes(data.replyLength);
  port_.purge();
  notify(QM_INDICATOR, 1);
  port_.write(data.frame.data(), request);
  std::this_thread::sleep_for(milliseconds(request));
  port_.setReadTimeout(
      tdReplyWindowMs(baudRate_, static_cast<int>(request), static_cast<int>(expected)));
  // A meter that answered an earlier request too late may do so after the purge; that answer
  // names another operation or function and is passed over, once, for the one that follows.
  const std::uint8_t operation = data.frame[1];
  const std::uint8_t function = data.frame[2];
  for (int attempt = 0;; ++attempt) {
    data.replyLength = static_cast<std::int32_t>(port_.readAvailable(data.frame.data(), expected));
    if (tdAnswers(operation, function, data.frame, data.replyLength)) break;
    if (attempt == 1) comprt::fail(comprt::msgNoAnswer);
  }
  notify(QM_INDICATOR, 0);
  std::this_thread::sleep_for(kAfterReply);
}

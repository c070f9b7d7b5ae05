#include "core/devices/zorb/zorbthread.h"

#include "core/base/errors.h"

namespace {

// The transducer's line: 600 baud, 8 data bits, one stop bit, DTR raised, RTS lowered; an answer
// has 4 s to arrive in full.
constexpr int kBaudRate = 600;
constexpr std::uint32_t kReadTimeoutMs = 4000;

}  // namespace

ZorbThread::~ZorbThread() { stop(); }

void ZorbThread::execute(std::int32_t type, ZorbCommon& data) {
  data.check.reset();
  switch (type) {
    case ZORB_OPEN:
      return open(data);
    case ZORB_WRITE:
      return write(data);
    case ZORB_READ:
      return read(data);
    default:
      return;
  }
}

void ZorbThread::open(const ZorbCommon& data) {
  port_.open(data.port, kBaudRate, kReadTimeoutMs, 0, comprt::ComPort::DTR_CONTROL_ENABLE,
             comprt::ComPort::RTS_CONTROL_DISABLE, comprt::ComPort::ONESTOPBIT);
}

// The coefficients are coded before anything is sent, so uncodable values never reach the line.
// The echo only shows the frame arrived; reading it back shows what the device kept.
void ZorbThread::write(ZorbCommon& data) {
  const ZorbFrame frame = zorbWriteFrame(data.A, data.B, data.Du);
  if (exchange(frame) != frame) comprt::fail(comprt::msgExchangeError);
  data.check = writeCheckRun(
      [&] { return zorbCompareWritten(frame, exchange(zorbReadRequest()), data.Du); });
}

void ZorbThread::read(ZorbCommon& data) {
  const auto got = zorbDecodeAnswer(exchange(zorbReadRequest()), data.Du);
  data.A = got.A;
  data.B = got.B;
}

// One request and its 8-byte answer. Whatever arrived before the request (a late answer to an
// earlier one) is discarded first, so it cannot be taken for this answer.
ZorbFrame ZorbThread::exchange(const ZorbFrame& request) {
  port_.purgeInput();
  port_.write(request.data(), request.size());
  ZorbFrame answer;
  port_.read(answer.data(), answer.size());
  return answer;
}

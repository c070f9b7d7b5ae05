#include "core/devices/rm23/rm23thread.h"

#include <vector>

namespace {

// The instrument's line: 9600 baud, 8 data bits, one stop bit, DTR raised, RTS lowered; every
// read has 1.5 s to complete.
constexpr int kBaudRate = 9600;
constexpr std::uint32_t kReadTimeoutMs = 1500;

}  // namespace

SpprThread::~SpprThread() { stop(); }

void SpprThread::execute(std::int32_t type, SpprCommon& data) {
  switch (type) {
    case SPPR_OPEN:
      return open(data);
    case SPPR_EXCHANGE:
      return exchange(data);
    default:
      return;
  }
}

void SpprThread::open(const SpprCommon& data) {
  port_.open(data.port, kBaudRate, kReadTimeoutMs, 0, comprt::ComPort::DTR_CONTROL_ENABLE,
             comprt::ComPort::RTS_CONTROL_DISABLE, comprt::ComPort::ONESTOPBIT);
}

// The request is coded before anything is sent, so an invalid start never reaches the line.
void SpprThread::exchange(SpprCommon& data) {
  const std::vector<uint8_t> request = spprRequest(data);
  port_.purge();
  identify();
  if (request.empty()) return;
  port_.write(request.data(), request.size());
  switch (data.command) {
    case SPPR_TEMPERATURE:
      return temperature(data);
    case SPPR_STATUS:
    case SPPR_STOP:
      return status(data);
    default:
      return expectEcho(request);
  }
}

void SpprThread::identify() {
  const std::vector<uint8_t> request{kSpprIdentify};
  port_.write(request.data(), request.size());
  expectEcho(request);
  std::array<uint8_t, 3> reply;
  port_.read(reply.data(), reply.size());
  spprCheckIdentity(reply);
}

// The instrument sends back what it was sent; anything else is an exchange error.
void SpprThread::expectEcho(const std::vector<uint8_t>& sent) {
  std::vector<uint8_t> echo(sent.size());
  port_.read(echo.data(), echo.size());
  if (echo != sent) comprt::fail(comprt::msgExchangeError);
}

void SpprThread::temperature(SpprCommon& data) {
  expectEcho({SPPR_TEMPERATURE});
  std::array<uint8_t, 9> reply;
  port_.read(reply.data(), reply.size());
  spprDecodeTemperature(reply, data);
}

void SpprThread::status(SpprCommon& data) {
  uint8_t state;
  port_.read(&state, 1);
  std::vector<uint8_t> rest(static_cast<std::size_t>(spprStatusLength(state)));
  if (!rest.empty()) port_.read(rest.data(), rest.size());
  spprDecodeStatus(state, rest, data);
}

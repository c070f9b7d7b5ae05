#pragma once
// The TD panel's worker: opens the meter's line and runs one request-reply exchange per command.

#include <chrono>
#include <cstdint>

#include "core/comm/comport.h"
#include "core/comm/queuethread.h"
#include "core/devices/td/tdprotocol.h"

// The time the reply to a request may take, from the end of the per-byte pause after writing:
// 100 ms at 9600 baud, plus, on a slower line, the longer time request and reply take on it.
std::uint32_t tdReplyWindowMs(int baudRate, int requestBytes, int replyBytes);

class TDx2Thread : public QueueThread<TDx2Common> {
 public:
  // settle: the pause after opening the line, before the meter is talked to.
  explicit TDx2Thread(std::chrono::milliseconds settle = std::chrono::milliseconds(500));
  ~TDx2Thread() override;

 protected:
  // TD_OPEN, TD_CLOSE, TD_EXCHANGE and TD_POLL; any other type does nothing. An exchange that
  // wrote a coefficient table, the outputs or the integrator reads it back into data.check.
  void execute(std::int32_t type, TDx2Common& data) override;  // can throw

 private:
  void open(const TDx2Common& data);
  void exchange(TDx2Common& data);
  void exchangeAndCheck(TDx2Common& data);

  comprt::ComPort port_{comprt::FrameFamily::td};
  std::chrono::milliseconds settle_;
  int baudRate_ = 9600;
};

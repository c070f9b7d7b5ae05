#pragma once
// The ZORB panel's worker: runs the panel's commands on the transducer's serial line.

#include <cstdint>

#include "core/comm/comport.h"
#include "core/comm/queuethread.h"
#include "core/devices/zorb/zorbprotocol.h"

// Command types of a ZorbCommon queue item.
enum ZorbCommand : std::int32_t {
  ZORB_OPEN = 0,   // open the port at data.port (0 closes it)
  ZORB_WRITE = 1,  // write data.A and data.B for Ду data.Du, read back into data.check
  ZORB_READ = 2,   // read A and B into data, scaled for Ду data.Du
};

class ZorbThread : public QueueThread<ZorbCommon> {
 public:
  ~ZorbThread() override;

 protected:
  void execute(std::int32_t type, ZorbCommon& data) override;  // can throw

 private:
  void open(const ZorbCommon& data);
  void write(ZorbCommon& data);
  void read(ZorbCommon& data);
  ZorbFrame exchange(const ZorbFrame& request);

  comprt::ComPort port_{comprt::FrameFamily::zorb};
};

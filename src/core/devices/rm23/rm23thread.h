#pragma once
// The RM-2.3 dialog's worker: runs the dialog's commands on the instrument's serial line.

#include <cstdint>

#include "core/comm/comport.h"
#include "core/comm/queuethread.h"
#include "core/devices/rm23/rm23protocol.h"

// Command types of an SpprCommon queue item; other types do nothing.
enum SpprCommandType : std::int32_t {
  SPPR_OPEN = 0,      // open the port at data.port (0 closes it)
  SPPR_EXCHANGE = 1,  // identification, then the command data.command
};

class SpprThread : public QueueThread<SpprCommon> {
 public:
  ~SpprThread() override;

 protected:
  void execute(std::int32_t type, SpprCommon& data) override;  // can throw

 private:
  void open(const SpprCommon& data);
  void exchange(SpprCommon& data);
  void identify();
  void expectEcho(const std::vector<uint8_t>& sent);
  void temperature(SpprCommon& data);
  void status(SpprCommon& data);

  comprt::ComPort port_{comprt::FrameFamily::rm23};
};

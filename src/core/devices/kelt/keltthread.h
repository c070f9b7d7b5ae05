#pragma once
// The KELT panel's worker: runs the panel's commands on the transducer's serial line, through
// the ОМБ-КЕЛТ adapter or direct.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/comm/comport.h"
#include "core/comm/queuethread.h"
#include "core/devices/kelt/keltprotocol.h"

// Command types of a KeltCommon queue item.
enum KeltTask : std::int32_t {
  KELT_OPEN_4800 = 0,  // open the port at data.command (0 closes it), then reset the line
  KELT_OPEN_9600 = 1,
  KELT_EXCHANGE = 2,  // one exchange of data.command with model data.model; a parameter write
                      // is read back into data.check
  KELT_RESET = 3,     // reset the line only
  KELT_PAUSE = 4,     // wait out a busy adapter, nothing sent
  KELT_AUTOTUNE = 5,  // threshold levels 3..0 until the coupling parameter is 25..80
};

// How long a busy adapter needs before it takes the next command.
inline constexpr std::chrono::milliseconds kKeltBusyPause{12000};

class KeltThread : public QueueThread<KeltCommon> {
 public:
  // busyPause: the length of KELT_PAUSE; only tests shorten it.
  explicit KeltThread(std::chrono::milliseconds busyPause = kKeltBusyPause);
  ~KeltThread() override;

 protected:
  void execute(std::int32_t type, KeltCommon& data) override;  // can throw

 private:
  void open(uint8_t portIndex, int baudRate);
  void resetLine();
  void wakeUpBreak();
  void exchange(KeltCommon& data);
  void runExchange(KeltCommon& data);
  void adapterExchange(KeltCommon& data);
  void probeAdapter(uint8_t command);
  void writeFormat3(std::span<const uint8_t> encoded, bool version3);
  void directExchange(KeltCommon& data);
  void directWakeUp(int model);
  void autoTune(KeltCommon& data);

  void send(std::span<const uint8_t> bytes);
  void sendByte(uint8_t byte);
  std::vector<uint8_t> receive(std::size_t n);
  std::vector<uint8_t> receiveChecked(std::size_t n);
  // A parameter block with its checksum checked, kept in lastBlock_ for a write's read-back.
  const std::vector<uint8_t>& receiveBlock(std::size_t n);
  uint8_t receiveValue();
  void expectEcho(uint8_t sent);
  void writeBlock(uint8_t leading, std::span<const uint8_t> sent,
                  std::span<const uint8_t> expected);

  comprt::ComPort port_{comprt::FrameFamily::kelt};
  std::chrono::milliseconds busyPause_;
  // The command of the adapter exchange in progress, whose echoes follow the busy rule; empty on
  // the direct link.
  std::optional<uint8_t> adapterCommand_;
  std::vector<uint8_t> lastBlock_;  // the parameter block read last, as it came
};

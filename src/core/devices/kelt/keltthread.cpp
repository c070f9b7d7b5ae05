#include "core/devices/kelt/keltthread.h"

#include <cerrno>
#include <thread>

#include "core/base/errors.h"
#include "core/devices/kelt/keltmodels.h"

namespace {

using comprt::ComPort;
using std::chrono::milliseconds;

// Read time-outs: the adapter's own answers and the threshold commands, a device behind the
// adapter, a directly connected device.
constexpr std::uint32_t kAdapterTimeoutMs = 200;
constexpr std::uint32_t kDeviceTimeoutMs = 4500;
constexpr std::uint32_t kDirectTimeoutMs = 250;

// Bytes of the adapter link.
constexpr uint8_t kProbe = 0x0F;
constexpr uint8_t kFirstIssue = 0xFF;
constexpr uint8_t kVersionRequest = 0x08;
constexpr uint8_t kBusy = 0xFF;
// Leading bytes of the adapter's writes.
constexpr uint8_t kWrite1 = 0x02;
constexpr uint8_t kWrite2 = 0x11;
constexpr uint8_t kWriteOffset = 0x14;
// Direct link.
constexpr uint8_t kWakeUp = 0xFF;
constexpr uint8_t kDirectRead = 0x01;
constexpr uint8_t kDirectWrite = 0x02;
constexpr uint8_t kDirectTemperature = 0x0B;

// A coupling parameter in this range means the threshold level suits the installation.
constexpr int kGoodCouplingMin = 25;
constexpr int kGoodCouplingMax = 80;

void pause(milliseconds ms) { std::this_thread::sleep_for(ms); }

void refusedUnless(bool accepted) {
  if (!accepted) throw win_error(errno);
}

}  // namespace

KeltThread::KeltThread(milliseconds busyPause) : busyPause_(busyPause) {}

KeltThread::~KeltThread() { stop(); }

void KeltThread::execute(std::int32_t type, KeltCommon& data) {
  data.check.reset();
  switch (type) {
    case KELT_OPEN_4800:
      return open(data.command, 4800);
    case KELT_OPEN_9600:
      return open(data.command, 9600);
    case KELT_EXCHANGE:
      return exchange(data);
    case KELT_RESET:
      return resetLine();
    case KELT_PAUSE:
      return pause(busyPause_);
    case KELT_AUTOTUNE:
      return autoTune(data);
    default:
      return;
  }
}

// Index 0 only closes the port: there is no line left to reset.
void KeltThread::open(uint8_t portIndex, int baudRate) {
  port_.open(portIndex, baudRate, kDeviceTimeoutMs, 0, ComPort::DTR_CONTROL_ENABLE,
             ComPort::RTS_CONTROL_DISABLE, ComPort::ONESTOPBIT);
  if (portIndex != 0) resetLine();
}

// The adapter and the transducers take their power from the modem lines: dropping both and
// raising DTR again restarts them.
void KeltThread::resetLine() {
  refusedUnless(port_.escape(ComPort::CLRDTR));
  refusedUnless(port_.escape(ComPort::CLRRTS));
  pause(milliseconds(200));
  refusedUnless(port_.escape(ComPort::SETDTR));
  pause(milliseconds(100));
}

void KeltThread::wakeUpBreak() {
  refusedUnless(port_.setBreak());
  pause(milliseconds(500));
  refusedUnless(port_.clearBreak());
  pause(milliseconds(100));
}

// A parameter write is followed by the read of the same parameters, as a command of its own: the
// device must show what it kept, not what the write's echo repeated.
void KeltThread::exchange(KeltCommon& data) {
  runExchange(data);
  const auto readCommand = keltReadBackCommand(data.command);
  if (!readCommand) return;
  data.check = writeCheckRun([&] {
    KeltCommon read = data;
    read.command = *readCommand;
    runExchange(read);
    return keltCompareWritten(data, lastBlock_);
  });
}

void KeltThread::runExchange(KeltCommon& data) {
  const KeltModel& model = keltModel(data.model);
  if (model.wakeUp == KeltWakeUp::lineBreak) wakeUpBreak();
  if (model.link == KeltLink::adapter) {
    adapterExchange(data);
  } else {
    directExchange(data);
  }
}

void KeltThread::adapterExchange(KeltCommon& data) {
  const uint8_t command = data.command;
  adapterCommand_ = command;
  // Encoding first: a value the block cannot hold is refused before anything is sent.
  std::vector<uint8_t> block;
  if (command == KELT_WRITE_1) block = keltWithChecksum(keltEncode(data.params12, 0));
  if (command == KELT_WRITE_2) block = keltWithChecksum(keltEncode(data.params12, data.model));
  if (command == KELT_WRITE_3 || command == KELT_WRITE_3_V3) {
    block = keltEncode(data.params3, data.model);
  }

  port_.purge();
  port_.setReadTimeout(kAdapterTimeoutMs);
  probeAdapter(command);
  if (!keltIsThresholdCommand(command)) port_.setReadTimeout(kDeviceTimeoutMs);
  bool version3 = false;
  if (keltNeedsVersion(command)) {
    sendByte(kVersionRequest);
    expectEcho(kVersionRequest);
    const int version = receiveValue();
    keltCheckAdapterVersion(version, command);
    version3 = version == 3;
  }
  if (keltSendsCommandByte(command)) {
    sendByte(command);
    expectEcho(command);
  }

  switch (command) {
    case KELT_COUPLING:
      data.value = receive(1)[0];
      break;
    case KELT_READ_1:
      data.params12 = keltDecode12(receiveBlock(kKeltBlockSize1 + 2), 0);
      break;
    case KELT_WRITE_1:
      writeBlock(kWrite1, block, block);
      break;
    case KELT_BATTERY:
    case KELT_TEMPERATURE:
      data.value = receiveValue();
      break;
    case KELT_READ_2:
      data.params12 = keltDecode12(receiveBlock(kKeltBlockSize2 + 2), data.model);
      break;
    case KELT_WRITE_2:
      writeBlock(kWrite2, block, block);
      break;
    case KELT_READ_OFFSET:
      data.offset = keltOffsetOf(receiveBlock(keltOffsetBlock(0).size()));
      break;
    case KELT_WRITE_OFFSET: {
      const auto offsetBlock = keltOffsetBlock(data.offset);
      writeBlock(kWriteOffset, offsetBlock, offsetBlock);
      break;
    }
    case KELT_MEASURE:
      data.measurement = keltDecodeMeasurement(receive(6));
      break;
    case KELT_READ_3:
      // The block carries the write counter after its 36 data bytes.
      data.params3 = keltDecode3(receiveBlock(kKeltBlockSize3 + 3), data.model);
      break;
    case KELT_WRITE_3:
    case KELT_WRITE_3_V3:
      writeFormat3(block, version3);
      break;
    default:
      break;
  }
}

// 0xFF: an adapter of the first issue, for model 0 only. 0x0F and two more bytes: a later one,
// whose version (the second byte) must be 2 or more for the format 3 models.
void KeltThread::probeAdapter(uint8_t command) {
  sendByte(kProbe);
  const uint8_t answer = receive(1)[0];
  if (answer == kFirstIssue) {
    if (keltFirstIssueRefuses(command)) {
      throw MessageError("Адаптер поддерживает только КЕЛТ-ЧИ7-xxx");
    }
    return;
  }
  if (answer != kProbe) comprt::fail(comprt::msgExchangeError);
  const auto version = receive(2)[1];
  if (version < 2 && keltOldAdapterRefuses(command)) {
    throw MessageError("Адаптер не поддерживает КЕЛТ1(2)-ЧИ7.73-xxx");
  }
}

// The device keeps a write counter in its block: read the current block, then write the new one
// with the counter the device version expects.
void KeltThread::writeFormat3(std::span<const uint8_t> encoded, bool version3) {
  sendByte(KELT_READ_3);
  expectEcho(KELT_READ_3);
  const auto current = receiveChecked(kKeltBlockSize3 + 3);
  const auto frame = keltAdapterWrite3(encoded, current[kKeltBlockSize3], version3);
  writeBlock(frame.command, frame.sent, frame.expected);
}

void KeltThread::directExchange(KeltCommon& data) {
  adapterCommand_.reset();
  const uint8_t command = data.command;
  const int model = data.model;
  std::vector<uint8_t> block;
  if (command == KELT_WRITE_3 || command == KELT_WRITE_3_V3) {
    block = keltWithChecksum(keltEncode(data.params3, model));
  }
  if (command == KELT_WRITE_4 || command == KELT_WRITE_4_ALT) {
    block = keltWithChecksum(keltEncode(data.params4, model));
  }

  port_.purge();
  port_.setReadTimeout(kDirectTimeoutMs);
  directWakeUp(model);
  sendByte(kVersionRequest);
  expectEcho(kVersionRequest);
  keltCheckDirectVersion(receiveValue(), model);
  directWakeUp(model);

  switch (command) {
    case KELT_TEMPERATURE:
      sendByte(kDirectTemperature);
      pause(milliseconds(600));  // the device measures before it echoes
      expectEcho(kDirectTemperature);
      data.value = receiveValue();
      break;
    case KELT_MEASURE:
      sendByte(kDirectTemperature);
      expectEcho(kDirectTemperature);
      data.measurement = keltDecodeMeasurement(receive(6));
      break;
    case KELT_READ_3:
      sendByte(kDirectRead);
      expectEcho(kDirectRead);
      data.params3 = keltDecode3(receiveBlock(kKeltBlockSize3 + 2), model);
      break;
    case KELT_READ_4:
      sendByte(kDirectRead);
      expectEcho(kDirectRead);
      data.params4 = keltDecode4(receiveBlock(kKeltBlockSize4 + 2), model);
      break;
    default:
      if (!block.empty()) writeBlock(kDirectWrite, block, block);
      break;
  }
}

void KeltThread::directWakeUp(int model) {
  if (keltModel(model).wakeUp != KeltWakeUp::byte) return;
  pause(milliseconds(5));
  sendByte(kWakeUp);
}

void KeltThread::autoTune(KeltCommon& data) {
  for (int level = 3; level >= 0; --level) {
    const auto threshold = static_cast<uint8_t>(KELT_LEVEL_0 + level);
    data.model = 0;
    data.command = threshold;
    adapterExchange(data);
    data.command = KELT_COUPLING;
    adapterExchange(data);
    data.command = threshold;
    if (data.value >= kGoodCouplingMin && data.value <= kGoodCouplingMax) return;
  }
}

void KeltThread::send(std::span<const uint8_t> bytes) { port_.write(bytes.data(), bytes.size()); }

void KeltThread::sendByte(uint8_t byte) { port_.write(&byte, 1); }

std::vector<uint8_t> KeltThread::receive(std::size_t n) {
  std::vector<uint8_t> bytes(n);
  port_.read(bytes.data(), n);
  return bytes;
}

std::vector<uint8_t> KeltThread::receiveChecked(std::size_t n) {
  auto bytes = receive(n);
  keltVerifyChecksum(bytes);
  return bytes;
}

const std::vector<uint8_t>& KeltThread::receiveBlock(std::size_t n) {
  lastBlock_ = receiveChecked(n);
  return lastBlock_;
}

// A one-byte value followed by its sum.
uint8_t KeltThread::receiveValue() { return receiveChecked(3)[0]; }

// Over the adapter a busy adapter answers 0xFF in place of the echo: KeltBusyError tells the
// panel to wait before the next command. The coupling and threshold commands are the adapter's
// own and have no busy answer.
void KeltThread::expectEcho(uint8_t sent) {
  const uint8_t got = receive(1)[0];
  if (got == kBusy && adapterCommand_ && keltMayAnswerBusy(*adapterCommand_)) {
    throw KeltBusyError();
  }
  if (got != sent) comprt::fail(comprt::msgExchangeError);
}

// A write: the leading byte and the block go out together; the device echoes the leading byte
// and then the block as it took it.
void KeltThread::writeBlock(uint8_t leading, std::span<const uint8_t> sent,
                            std::span<const uint8_t> expected) {
  std::vector<uint8_t> frame{leading};
  frame.insert(frame.end(), sent.begin(), sent.end());
  send(frame);
  expectEcho(leading);
  if (receive(expected.size()) != std::vector<uint8_t>(expected.begin(), expected.end())) {
    comprt::fail(comprt::msgExchangeError);
  }
}

#include "core/devices/kelt/keltprotocol.h"

#include <algorithm>
#include <stdexcept>

#include "core/base/errors.h"
#include "core/comm/comport.h"
#include "core/devices/kelt/keltmodels.h"

namespace {

bool inRange(int x, int lo, int hi) { return x >= lo && x <= hi; }

constexpr std::size_t kOffsetBlockSize = 31;
constexpr uint8_t kVersion3Quirk = 0x27;

}  // namespace

uint16_t keltChecksum(std::span<const uint8_t> bytes) {
  unsigned sum = 0;
  for (uint8_t b : bytes) sum += b;
  return static_cast<uint16_t>(sum & 0xFFFF);
}

std::vector<uint8_t> keltWithChecksum(std::span<const uint8_t> bytes) {
  std::vector<uint8_t> out(bytes.begin(), bytes.end());
  const uint16_t sum = keltChecksum(bytes);
  out.push_back(static_cast<uint8_t>(sum >> 8));
  out.push_back(static_cast<uint8_t>(sum & 0xFF));
  return out;
}

void keltVerifyChecksum(std::span<const uint8_t> answer) {
  if (answer.size() < 2) comprt::fail(comprt::msgChecksumError);
  const std::size_t n = answer.size() - 2;
  const unsigned stored = (answer[n] << 8) | answer[n + 1];
  if (stored != keltChecksum(answer.first(n))) comprt::fail(comprt::msgChecksumError);
}

bool keltFirstIssueRefuses(uint8_t command) {
  return command == 9 || command == 10 || inRange(command, 16, 26);
}

bool keltOldAdapterRefuses(uint8_t command) { return inRange(command, 23, 26); }

bool keltIsThresholdCommand(uint8_t command) { return inRange(command, 11, 15); }

bool keltNeedsVersion(uint8_t command) {
  return inRange(command, 1, 4) || command == 6 || command == 7 || command == 9 || command == 10 ||
         inRange(command, 16, 31);
}

bool keltSendsCommandByte(uint8_t command) {
  static constexpr uint8_t kOwnLeadingByte[] = {2, 4, 6, 7, 10, 17, 18, 20, 21, 25, 26};
  return std::find(std::begin(kOwnLeadingByte), std::end(kOwnLeadingByte), command) ==
         std::end(kOwnLeadingByte);
}

void keltCheckAdapterVersion(int version, uint8_t command) {
  if (!inRange(version, 1, 6)) throw MessageError("Неизвестная версия прибора");
  bool serves = false;
  switch (version) {
    case 1:
      serves = inRange(command, 1, 8);
      break;
    case 2:
      serves = command == 5 || inRange(command, 8, 10) || inRange(command, 16, 22);
      break;
    case 3:
    case 4:
      serves = command == 5 || command == 8 || inRange(command, 23, 26);
      break;
    default:
      break;
  }
  if (!serves) throw MessageError("Неправильный тип КЕЛТ");
}

void keltCheckDirectVersion(int version, int model) {
  if (!inRange(version, 5, 8)) throw MessageError("Неизвестная версия прибора");
  const KeltModel& m = keltModel(model);
  if (!inRange(version, m.firstVersion, m.lastVersion))
    throw MessageError("Неправильный тип прибора");
}

KeltMeasurement keltDecodeMeasurement(std::span<const uint8_t> answer) {
  if (answer.size() != 6) throw std::invalid_argument("KELT measurement answer of 6 bytes");
  keltVerifyChecksum(answer);
  KeltMeasurement m;
  m.temperature = answer[0] * 0.5;
  m.status = answer[1];
  const int period = answer[2] | (answer[3] << 8);
  const bool noSignal = m.status & 0x04;
  m.frequency = noSignal || period == 0 ? 0 : 32768.0 / period;
  return m;
}

std::vector<uint8_t> keltOffsetBlock(int8_t offset) {
  // Only byte 0 means anything to the device; it echoes the others unchanged.
  std::vector<uint8_t> block(kOffsetBlockSize, 0);
  block[0] = static_cast<uint8_t>(offset + 7);
  return keltWithChecksum(block);
}

int8_t keltOffsetOf(std::span<const uint8_t> block) {
  return static_cast<int8_t>((block[0] & 0x0F) - 7);
}

KeltAdapterWrite3 keltAdapterWrite3(std::span<const uint8_t> encoded, uint8_t currentCounter,
                                    bool version3) {
  if (encoded.size() != kKeltBlockSize3) throw std::invalid_argument("format 3 block size");
  std::vector<uint8_t> body(encoded.begin(), encoded.end());
  body.push_back(static_cast<uint8_t>(currentCounter + (version3 ? 0 : 1)));
  KeltAdapterWrite3 w{version3 ? KELT_WRITE_3_V3 : KELT_WRITE_3, keltWithChecksum(body), {}};
  w.expected = w.sent;
  if (version3) w.sent.back() = static_cast<uint8_t>(w.sent.back() - kVersion3Quirk);
  return w;
}

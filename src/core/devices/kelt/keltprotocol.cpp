#include "core/devices/kelt/keltprotocol.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>

#include "core/base/errors.h"
#include "core/comm/comport.h"
#include "core/devices/kelt/keltmodels.h"

namespace {

bool inRange(int x, int lo, int hi) { return x >= lo && x <= hi; }

constexpr std::size_t kOffsetBlockSize = 31;
constexpr uint8_t kVersion3Quirk = 0x27;

// Device versions on the adapter link, as bits of KeltCommandRow::versions.
constexpr uint8_t V1 = 1 << 0;
constexpr uint8_t V2 = 1 << 1;
constexpr uint8_t V34 = (1 << 2) | (1 << 3);  // versions 3 and 4 serve the same commands

// Flags of a command on the adapter link.
enum : uint8_t {
  ASK = 1 << 0,     // the device version is asked and must serve the command
  OWN = 1 << 1,     // a write: its own leading byte goes with the block, not the code
  FIRST = 1 << 2,   // refused by a first-issue adapter (it serves model 0 only)
  OLD = 1 << 3,     // refused by adapters below version 2 (no format 3 models)
  LEVEL = 1 << 4,   // a threshold level: the adapter's short time-out
  ADAPTER = 1 << 5  // the adapter's own: never answered busy
};

struct KeltCommandRow {
  uint8_t code;
  uint8_t versions;  // device versions that serve it; 0: none (or not asked)
  uint8_t flags;
};

// Codes without a name are sent by no panel; their rows keep the adapter's rules complete.
constexpr KeltCommandRow kCommands[] = {
    {KELT_COUPLING, 0, ADAPTER},
    {KELT_READ_1, V1, ASK},
    {KELT_WRITE_1, V1, ASK | OWN},
    {3, V1, ASK},
    {4, V1, ASK | OWN},
    {KELT_BATTERY, V1 | V2 | V34, 0},
    {6, V1, ASK | OWN},
    {7, V1, ASK | OWN},
    {8, V1 | V2 | V34, 0},
    {9, V2, ASK | FIRST},
    {10, V2, ASK | OWN | FIRST},
    {KELT_LEVEL_0, 0, LEVEL | ADAPTER},
    {KELT_LEVEL_1, 0, LEVEL | ADAPTER},
    {KELT_LEVEL_2, 0, LEVEL | ADAPTER},
    {KELT_LEVEL_3, 0, LEVEL | ADAPTER},
    {15, 0, LEVEL | ADAPTER},
    {KELT_READ_2, V2, ASK | FIRST},
    {KELT_WRITE_2, V2, ASK | OWN | FIRST},
    {18, V2, ASK | OWN | FIRST},
    {KELT_READ_OFFSET, V2, ASK | FIRST},
    {KELT_WRITE_OFFSET, V2, ASK | OWN | FIRST},
    {21, V2, ASK | OWN | FIRST},
    {KELT_TEMPERATURE, V2, ASK | FIRST},
    {KELT_MEASURE, V34, ASK | FIRST | OLD},
    {KELT_READ_3, V34, ASK | FIRST | OLD},
    {KELT_WRITE_3, V34, ASK | OWN | FIRST | OLD},
    {KELT_WRITE_3_V3, V34, ASK | OWN | FIRST | OLD},
    {KELT_READ_4, 0, ASK},  // the direct link's: no adapter version serves them
    {KELT_WRITE_4, 0, ASK},
    {KELT_WRITE_4_ALT, 0, ASK},
    {30, 0, ASK},
    {31, 0, ASK},
};

constexpr bool rowsInCodeOrder() {
  for (std::size_t i = 0; i < std::size(kCommands); ++i) {
    if (kCommands[i].code != i) return false;
  }
  return true;
}
static_assert(rowsInCodeOrder());

// Codes above the table have none of the rules.
KeltCommandRow rowOf(uint8_t command) {
  return command < std::size(kCommands) ? kCommands[command] : KeltCommandRow{command, 0, 0};
}

bool has(uint8_t command, uint8_t flag) { return (rowOf(command).flags & flag) != 0; }

}  // namespace

bool keltAdapterBusy(const std::exception_ptr& failure) {
  if (!failure) return false;
  try {
    std::rethrow_exception(failure);
  } catch (const KeltBusyError&) {
    return true;
  } catch (...) {
    return false;
  }
}

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

bool keltFirstIssueRefuses(uint8_t command) { return has(command, FIRST); }

bool keltOldAdapterRefuses(uint8_t command) { return has(command, OLD); }

bool keltIsThresholdCommand(uint8_t command) { return has(command, LEVEL); }

bool keltNeedsVersion(uint8_t command) { return has(command, ASK); }

bool keltSendsCommandByte(uint8_t command) { return !has(command, OWN); }

bool keltMayAnswerBusy(uint8_t command) { return !has(command, ADAPTER); }

void keltCheckAdapterVersion(int version, uint8_t command) {
  if (!inRange(version, 1, 6)) throw MessageError("Неизвестная версия прибора");
  if (!(rowOf(command).versions & (1u << (version - 1)))) {
    throw MessageError("Неправильный тип КЕЛТ");
  }
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

namespace {

using Values = std::vector<WriteCheckValue>;

void addCharacteristic(Values& values, const KeltCharacteristic& w, const KeltCharacteristic& f) {
  for (int i = 0; i < 5; ++i) {
    const std::string digit = std::to_string(i + 1);
    values.push_back({"A" + digit, w.A[i], f.A[i]});
    values.push_back({"B" + digit, w.B[i], f.B[i]});
  }
  for (int j = 0; j < 4; ++j) {
    values.push_back({"F" + std::to_string(j + 1) + std::to_string(j + 2), w.F[j], f.F[j]});
  }
  values.push_back({"Длительность импульса, мс", w.pulseDuration, f.pulseDuration});
  values.push_back({"Код Ду", double(w.duCode), double(f.duCode)});
}

Values valuesOf(const KeltParams12& w, const KeltParams12& f) {
  Values values;
  addCharacteristic(values, w, f);
  values.push_back({"Делитель частоты", double(w.n), double(f.n)});
  values.push_back({"Код выхода", double(w.outputCode), double(f.outputCode)});
  return values;
}

Values valuesOf(const KeltParams3& w, const KeltParams3& f) {
  Values values;
  addCharacteristic(values, w, f);
  values.push_back({"Код цены импульса", double(w.weightCode), double(f.weightCode)});
  values.push_back({"Смещение температуры, °C", w.tempOffset * 0.5, f.tempOffset * 0.5});
  values.push_back({"Тип выхода", double(w.outputType), double(f.outputType)});
  return values;
}

Values valuesOf(const KeltParams4& w, const KeltParams4& f) {
  Values values = valuesOf(static_cast<const KeltParams3&>(w), static_cast<const KeltParams3&>(f));
  values.push_back({"Заводской номер", double(w.serialNumber), double(f.serialNumber)});
  values.push_back(
      {"Восстановление отключено", double(w.disableRestoration), double(f.disableRestoration)});
  values.push_back({"Термокоррекция отключена", double(w.disableThermalCorrection),
                    double(f.disableThermalCorrection)});
  return values;
}

// The encoded block against the one found, both decoded by `decode` to name a difference.
template <class Decode>
WriteCheck compareBlocks(const std::vector<uint8_t>& written, std::span<const uint8_t> found,
                         Decode decode) {
  const auto shown = found.first(std::min(found.size(), written.size()));
  if (shown.size() < written.size()) return writeCheckCompare(written, shown, {});
  return writeCheckCompare(written, shown, valuesOf(decode(written), decode(shown)));
}

WriteCheck compareOffset(int8_t offset, std::span<const uint8_t> found) {
  const uint8_t written[] = {static_cast<uint8_t>(keltOffsetBlock(offset)[0] & 0x0F)};
  const uint8_t kept[] = {static_cast<uint8_t>(found.empty() ? 0 : found[0] & 0x0F)};
  return writeCheckCompare(
      written, std::span(kept, found.empty() ? 0 : 1),
      {{"Смещение температуры, °C", offset * 0.5, found.empty() ? 0 : keltOffsetOf(found) * 0.5}});
}

}  // namespace

std::optional<uint8_t> keltReadBackCommand(uint8_t writeCommand) {
  switch (writeCommand) {
    case KELT_WRITE_1:
      return KELT_READ_1;
    case KELT_WRITE_2:
      return KELT_READ_2;
    case KELT_WRITE_OFFSET:
      return KELT_READ_OFFSET;
    case KELT_WRITE_3:
    case KELT_WRITE_3_V3:
      return KELT_READ_3;
    case KELT_WRITE_4:
    case KELT_WRITE_4_ALT:
      return KELT_READ_4;
    default:
      return std::nullopt;
  }
}

WriteCheck keltCompareWritten(const KeltCommon& data, std::span<const uint8_t> found) {
  const int model = data.model;
  switch (data.command) {
    case KELT_WRITE_1:
    case KELT_WRITE_2: {
      const int blockModel = data.command == KELT_WRITE_1 ? 0 : model;
      return compareBlocks(keltEncode(data.params12, blockModel), found,
                           [&](std::span<const uint8_t> b) { return keltDecode12(b, blockModel); });
    }
    case KELT_WRITE_OFFSET:
      return compareOffset(data.offset, found);
    case KELT_WRITE_3:
    case KELT_WRITE_3_V3:
      return compareBlocks(keltEncode(data.params3, model), found,
                           [&](std::span<const uint8_t> b) { return keltDecode3(b, model); });
    case KELT_WRITE_4:
    case KELT_WRITE_4_ALT:
      return compareBlocks(keltEncode(data.params4, model), found,
                           [&](std::span<const uint8_t> b) { return keltDecode4(b, model); });
    default:
      throw std::invalid_argument("not a KELT parameter write");
  }
}

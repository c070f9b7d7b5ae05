#include "core/devices/kelt/keltpanelmodel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/devices/kelt/keltmodels.h"
#include "core/document/devicebase.h"

namespace {

// printf-formatted number with the user's decimal separator.
std::string number(const char* format, double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, value);
  std::string text = buf;
  std::replace(text.begin(), text.end(), '.', localeHook().decimalSeparator);
  return text;
}

int limited(int value, int lo, int hi) { return std::clamp(value, lo, hi); }

bool isKelt3(int model) { return keltModel(model).variant == KeltVariant::kelt3; }

template <class P>
void fillCharacteristic(P& p, const KeltPanelValues& v) {
  std::copy(std::begin(v.A), std::end(v.A), p.A);
  std::copy(std::begin(v.B), std::end(v.B), p.B);
  std::copy(std::begin(v.F), std::end(v.F), p.F);
  p.pulseDuration = v.pulseDuration;
  p.duCode = static_cast<uint8_t>(v.duPosition + 1);
}

void showCharacteristic(KeltShownParameters& s, const KeltCharacteristic& p, int segments) {
  s.segments = segments;
  s.boundaries = segments - 1;
  std::copy(std::begin(p.A), std::end(p.A), s.A);
  std::copy(std::begin(p.B), std::end(p.B), s.B);
  std::copy(std::begin(p.F), std::end(p.F), s.F);
  s.pulseDuration = p.pulseDuration;
}

void showFormat12(KeltShownParameters& s, const KeltParams12& p, int model) {
  s.outputPosition = p.outputCode == 0 ? 1 : 0;
  s.weightPosition = p.outputCode - 1;
  // Within the n edit's range: a pulse output of format 2 holds 0 there, which the edit shows as 1.
  const int n = keltModel(model).format == 2 ? p.n & 0x7F : p.n;
  s.n = limited(n, 1, keltLayout(model).nMax);
  showCharacteristic(s, p, keltSegmentCount(model));
}

// A frequency output of formats 3 and 4 carries no characteristic: only the type, the Ду and the
// offset are shown.
void showFormat34(KeltShownParameters& s, const KeltParams3& p) {
  s.outputPosition = p.outputType;
  s.offset = p.tempOffset;
  if (p.outputType != 0) return;
  s.weightPosition = p.weightCode - 1;
  showCharacteristic(s, p, 5);
}

}  // namespace

const std::array<const char*, kKeltDuCount>& keltDuItems() {
  static const std::array<const char*, kKeltDuCount> kItems{"20", "25",  "32",  "40",  "50", "65",
                                                            "80", "100", "125", "150", "200"};
  return kItems;
}

const std::array<const char*, 5>& keltPulseWeights(int duCode) {
  static const std::array<const char*, 5> kWeights[] = {
      {"0,0001", "0,0005", "0,001", "0,005", "0,01"},
      {"0,001", "0,005", "0,01", "0,05", "0,1"},
      {"0,01", "0,05", "0,1", "0,5", "1"}};
  return kWeights[duCode <= 4 ? 0 : duCode <= 8 ? 1 : 2];
}

double keltDefaultPulseDuration(int weightPosition) {
  static constexpr double kDurations[] = {1, 2, 2, 30, 80};
  return kDurations[limited(weightPosition, 0, 4)];
}

std::span<const char* const> keltOutputTypes(int model) {
  static const char* const kTypes[] = {"Импульсный Vp",  "Частотный Vf",   "Частотный Vf/2",
                                       "Частотный Vf/4", "Частотный Vf/8", "Частотный Vf/16"};
  static const char* const kOldTypes[] = {"Импульсный Vp", "Частотный Vf/n"};
  if (keltModel(model).format >= 3) return kTypes;
  return kOldTypes;
}

KeltLayout keltLayout(int model) {
  const KeltModel& m = keltModel(model);
  return {m.link == KeltLink::adapter,
          m.temperatureCommand != 0,
          m.temperatureCommand == KELT_MEASURE ? "Считать T/F" : "Считать T",
          m.format != 1,
          m.format == 2 ? 127 : 255,
          m.format == 4 ? 8192.0 : 32768.0};
}

KeltOutputState keltOutputState(int model, int outputPosition) {
  const bool newFormat = keltModel(model).format >= 3;
  const bool frequency = outputPosition > 0;
  return {!frequency || newFormat, !(frequency && newFormat)};
}

double keltSnapPulseDuration(double value, int model) {
  if (!std::isfinite(value)) return value;
  if (keltModel(model).format == 4) {
    const bool slow = keltModel(model).slowPulse;
    const double step = slow ? 3.9 : 1.9;
    return std::clamp(keltRound(value / step), 1.0, slow ? 30.0 : 60.0) * step;
  }
  double c = std::clamp(keltRound(value * 32.78688524590164), 1.0, 65407.0);
  if (c >= 256) c = static_cast<double>((static_cast<int>(c) + 128) & 0xFF00);
  return c * 0.0305;
}

std::string keltOffsetText(int steps) { return number("%.1f", steps * 0.5); }

int keltOffsetSteps(double degrees) {
  if (std::isnan(degrees)) return 0;
  return static_cast<int>(std::clamp(keltRound(2 * degrees), -7.0, 7.0));
}

int32_t keltSerialFromText(std::string_view text) {
  int32_t value = 0;
  const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (err != std::errc() || end != text.data() + text.size()) return 0;
  return value;
}

int keltDuPosition(int duCode) { return limited(duCode - 1, 0, kKeltDuCount - 1); }

double keltPulseWeightValue(std::string_view text) {
  std::string plain(text);
  std::replace(plain.begin(), plain.end(), ',', '.');
  double value = 0;
  const auto [end, err] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (err != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value)) return 0;
  return value;
}

KeltTask keltOpenTask(int model) {
  return keltModel(model).baudRate == 4800 ? KELT_OPEN_4800 : KELT_OPEN_9600;
}

std::vector<KeltRequest> keltReadRequests(int model) {
  KeltRequest read;
  read.data.command = keltModel(model).readCommand;
  read.data.model = model;
  if (keltModel(model).format != 2) return {read};
  KeltRequest offset;
  offset.data.command = KELT_READ_OFFSET;
  offset.data.model = model;
  offset.flags = QF_ALWAYS | QF_AFTER_SUCCESS;
  return {read, offset};
}

std::vector<KeltRequest> keltWriteRequests(const KeltPanelValues& v, int model) {
  if (isKelt3(model) && v.duPosition == 0) throw MessageError("Прибор не поддерживает Ду20");
  KeltRequest write;
  KeltCommon& d = write.data;
  d.command = keltModel(model).writeCommand;
  d.model = model;
  const bool pulse = v.outputPosition == 0;
  switch (keltModel(model).format) {
    case 1:
    case 2: {
      fillCharacteristic(d.params12, v);
      const bool format1 = keltModel(model).format == 1;
      d.params12.n = static_cast<uint8_t>(format1 || !pulse ? v.n : 0);
      d.params12.outputCode = pulse ? v.weightPosition + 1 : 0;
      if (format1) return {write};
      KeltRequest offset;
      offset.data.command = KELT_WRITE_OFFSET;
      offset.data.model = model;
      offset.data.offset = static_cast<int8_t>(v.offset);
      offset.flags = QF_ALWAYS | QF_AFTER_SUCCESS;
      return {write, offset};
    }
    case 3:
      fillCharacteristic(d.params3, v);
      d.params3.weightCode = v.weightPosition + 1;
      d.params3.tempOffset = static_cast<int8_t>(v.offset);
      d.params3.outputType = v.outputPosition;
      return {write};
    default:
      fillCharacteristic(d.params4, v);
      d.params4.weightCode = v.weightPosition + 1;
      d.params4.tempOffset = static_cast<int8_t>(v.offset);
      d.params4.outputType = v.outputPosition;
      d.params4.serialNumber = keltSerialFromText(v.serialText);
      d.params4.disableRestoration = v.disableRestoration;
      d.params4.disableThermalCorrection = v.disableThermalCorrection;
      return {write};
  }
}

// A Du code outside the panel's list (a device reporting Ду 15 or nothing) selects its nearest
// entry rather than no entry, which would leave the pulse-weight list without a group.
KeltShownParameters keltShownParameters(const KeltCommon& data, int model) {
  KeltShownParameters s;
  const KeltCharacteristic* read = nullptr;
  switch (keltModel(model).format) {
    case 1:
    case 2:
      showFormat12(s, data.params12, model);
      read = &data.params12;
      break;
    case 3:
      showFormat34(s, data.params3);
      read = &data.params3;
      break;
    default:
      showFormat34(s, data.params4);
      read = &data.params4;
      s.serialText = formatSerialNumber(data.params4.serialNumber, data.params4.duCode);
      s.disableRestoration = data.params4.disableRestoration != 0;
      s.disableThermalCorrection = data.params4.disableThermalCorrection != 0;
      break;
  }
  s.duPosition = keltDuPosition(read->duCode);
  return s;
}

const char* keltBatteryText(uint8_t code) {
  static const char* const kTexts[] = {"меньше 3,0В", "3,0..3,15В", "3,15..3,3В",
                                       "3,3..3,45В",  "3,45..3,6В", "больше 3,6В"};
  return kTexts[std::min(code & 0x0F, 5)];
}

std::string keltMeasurementText(const KeltMeasurement& m) {
  const char* quality = "нет сигнала";
  if (!(m.status & 0x04)) {
    static const char* const kQuality[] = {"хорошее", "удовлетворительное", "плохое", "плохое"};
    quality = kQuality[m.status & 3];
  }
  const std::string frequency = (m.status & 6) == 2 ? "?" : number("%.4g", m.frequency) + " Гц";
  return "\r\n  Температура: " + number("%.1f", m.temperature) +
         "°C\r\n  Качество сигнала: " + quality + "\r\n  Частота: " + frequency;
}

bool keltCompletesRead(uint8_t command) {
  return command == KELT_READ_1 || command == KELT_READ_OFFSET || command == KELT_READ_3 ||
         command == KELT_READ_4;
}

std::string keltResultText(const KeltCommon& data) {
  if (keltCompletesRead(data.command)) return "Параметры считаны";
  switch (data.command) {
    case KELT_WRITE_1:
    case KELT_WRITE_OFFSET:
    case KELT_WRITE_3:
    case KELT_WRITE_4:
      return "Параметры записаны";
    case KELT_BATTERY:
      return std::string("Напряжение батареи: ") + keltBatteryText(data.value);
    case KELT_TEMPERATURE:
      return "Температура: " + number("%.1f", data.value * 0.5) + "°C";
    case KELT_MEASURE:
      return keltMeasurementText(data.measurement);
    default:
      return "";
  }
}

std::optional<WriteCheck> KeltWriteChecks::checkAfter(const KeltCommon& data) {
  if (!data.check) return checkAfterFailure();
  const WriteCheck check = held_ ? writeCheckJoin(*held_, *data.check) : *data.check;
  held_.reset();
  if (data.command == KELT_WRITE_2) {
    held_ = check;
    return std::nullopt;
  }
  return check;
}

std::optional<WriteCheck> KeltWriteChecks::checkAfterFailure() { return std::exchange(held_, {}); }

std::string KeltWriteChecks::lineAfter(const KeltCommon& data) {
  const std::optional<WriteCheck> check = checkAfter(data);
  return check ? writeCheckLine(*check) : std::string();
}

std::string KeltWriteChecks::lineAfterFailure() {
  const std::optional<WriteCheck> check = checkAfterFailure();
  return check ? writeCheckLine(*check) : std::string();
}

bool keltCouplingGood(int value) { return value >= 25 && value <= 80; }

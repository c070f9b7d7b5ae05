#include "core/devices/rm23/rm23protocol.h"

#include <cmath>

#include "core/base/errors.h"
#include "core/comm/comport.h"

namespace {

constexpr const char* kBadTime = "Недопустимая длительность измерения";
constexpr const char* kBadPulses = "Недопустимое количество импульсов";
constexpr const char* kBadInput = "Недопустимый номер входа";
constexpr const char* kBadType = "Неподдерживаемый тип РМ";
constexpr const char* kUncalibrated = "АЦП РМ не откалиброван";
constexpr const char* kTemperatureFailed = "Ошибка измерения температуры";

// Below this the root of a + c·x is taken as undefined and the temperature reported as −300.
constexpr double kMinRadicand = 0.000001;
constexpr double kNoTemperature = -300;

// The last byte must be the sum of the ones before it.
void checkSum(std::span<const uint8_t> bytes) {
  if (bytes.back() != spprSum(bytes.first(bytes.size() - 1)))
    comprt::fail(comprt::msgChecksumError);
}

// A request followed by the sum of its bytes after the command byte.
std::vector<uint8_t> withSum(std::vector<uint8_t> request) {
  request.push_back(spprSum(std::span(request).subspan(1)));
  return request;
}

std::vector<uint8_t> timeStart(double seconds) {
  std::vector<uint8_t> request(4, 0);
  request[0] = SPPR_TIME_STOP;
  spprPut24(&request[1], spprTicks(seconds));
  return withSum(request);
}

std::vector<uint8_t> pulseStart(int32_t pulses, uint8_t input) {
  if (pulses < 0 || static_cast<uint32_t>(pulses) > kSpprMax24) throw MessageError(kBadPulses);
  if (input >= kSpprInputs) throw MessageError(kBadInput);
  std::vector<uint8_t> request(5, 0);
  request[0] = SPPR_PULSE_STOP;
  spprPut24(&request[1], static_cast<uint32_t>(pulses));
  request[4] = input;
  return withSum(request);
}

double ratio(int code, int zero, int reference) {
  return static_cast<double>(code - zero) / (reference - zero) + 1;
}

}  // namespace

const std::array<SpprSensor, 2>& spprSensors() {
  static const std::array<SpprSensor, 2> kSensors{{
      {"100П (W=1,391)", -1715560.13038257, 13307546.542698981, 3404.7006347572483},
      {"Pt-100 (W=1,385)", -1731601.7316017316, 13181768.62502577, 3383.809523809524},
  }};
  return kSensors;
}

uint8_t spprSum(std::span<const uint8_t> bytes) {
  unsigned sum = 0;
  for (uint8_t b : bytes) sum += b;
  return static_cast<uint8_t>(sum & 0xFF);
}

void spprPut24(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 3; ++i) at[i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
}

uint32_t spprGet24(const uint8_t* at) {
  return at[0] | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16);
}

uint32_t spprTicks(double seconds) {
  const double ticks = std::round(seconds * kSpprTicksPerSecond);
  // Also false for NaN.
  if (!(ticks >= 1 && ticks <= kSpprMax24)) throw MessageError(kBadTime);
  return static_cast<uint32_t>(ticks);
}

std::vector<uint8_t> spprRequest(const SpprCommon& data) {
  switch (data.command) {
    case SPPR_TIME_STOP:
      return timeStart(data.time);
    case SPPR_PULSE_STOP:
      return pulseStart(data.pulses, data.input);
    case SPPR_START_STOP1:
    case SPPR_START_STOP2:
    case SPPR_TEMPERATURE:
    case SPPR_STATUS:
    case SPPR_STOP:
      return {data.command};
    default:
      return {};
  }
}

void spprCheckIdentity(const std::array<uint8_t, 3>& reply) {
  checkSum(reply);
  if (reply[1] != kSpprInstrumentType) throw MessageError(kBadType);
}

void spprDecodeTemperature(const std::array<uint8_t, 9>& reply, SpprCommon& data) {
  checkSum(reply);
  int code[4];
  for (int i = 0; i < 4; ++i) code[i] = reply[2 * i] | (reply[2 * i + 1] << 8);
  // Codes 0 and 1 are the ADC's readings of its two reference levels.
  if (code[1] == code[0]) throw MessageError(kUncalibrated);
  const double x1 = ratio(code[2], code[0], code[1]);
  const double x2 = ratio(code[3], code[0], code[1]);
  const double t1 = spprTemperature(x1, data.sensor);
  const double t2 = spprTemperature(x2, data.sensor);
  data.x1 = x1;
  data.x2 = x2;
  data.t1 = t1;
  data.t2 = t2;
}

double spprTemperature(double x, int sensor) {
  if (sensor < 0 || sensor >= static_cast<int>(spprSensors().size()))
    throw MessageError(kTemperatureFailed);
  const SpprSensor& s = spprSensors()[sensor];
  try {
    const double g = checked(s.a * x + s.c);
    return g > kMinRadicand ? checked(s.b - std::sqrt(g)) : kNoTemperature;
  } catch (const MathError&) {
    throw MessageError(kTemperatureFailed);
  }
}

int spprStatusLength(uint8_t state) {
  if (state < kSpprStateNoResults) return 29;
  if (state == kSpprStateNoResults) return 0;
  if (state == kSpprStateStopped) return 3;
  comprt::fail(comprt::msgExchangeError);
}

// Results (29 bytes): flags; reference ticks; per input its ticks and its pulse count; the sum.
// State 9 (3 bytes): two data bytes and their sum.
void spprDecodeStatus(uint8_t state, std::span<const uint8_t> bytes, SpprCommon& data) {
  if (static_cast<int>(bytes.size()) != spprStatusLength(state))
    comprt::fail(comprt::msgExchangeError);
  if (!bytes.empty()) checkSum(bytes);
  data.state = state;
  if (state == kSpprStateStopped) {
    data.flags = bytes[0];
    data.data2 = bytes[1];
  } else if (state < kSpprStateNoResults) {
    data.flags = bytes[0];
    data.refTime = spprGet24(&bytes[1]) / kSpprTicksPerSecond;
    for (int i = 0; i < kSpprInputs; ++i) {
      data.inputTime[i] = spprGet24(&bytes[4 + 6 * i]) / kSpprTicksPerSecond;
      data.inputPulses[i] = static_cast<int32_t>(spprGet24(&bytes[7 + 6 * i]));
    }
  }
}

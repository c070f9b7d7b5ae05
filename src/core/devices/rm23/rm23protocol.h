#pragma once
// RM-2.3 instrument line protocol. Frames carry no delimiter: every exchange opens with the
// identification byte 0x09, and the command byte that follows fixes how many bytes go each way.
// Start requests are checked by their echo; identification, ADC and status replies end with the
// 8-bit sum (modulo 256) of the bytes before the sum.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// Command bytes.
enum SpprCommand : uint8_t {
  SPPR_TIME_STOP = 0x00,    // start, stop after a time
  SPPR_START_STOP1 = 0x01,  // start/stop mode 1
  SPPR_START_STOP2 = 0x02,  // start/stop mode 2
  SPPR_PULSE_STOP = 0x03,   // start, stop after a number of pulses on one input
  SPPR_TEMPERATURE = 0xFB,  // measure the temperature
  SPPR_STATUS = 0xFD,       // read the state and the results
  SPPR_STOP = 0xFE,         // stop and read the results
};

inline constexpr uint8_t kSpprIdentify = 0x09;
inline constexpr uint8_t kSpprInstrumentType = 3;  // the only type this program drives
inline constexpr double kSpprTicksPerSecond = 4096;
inline constexpr uint32_t kSpprMax24 = 0xFFFFFF;  // times and counts travel as 24 bits
inline constexpr int kSpprInputs = 4;

// State byte of a status or stop reply: below 4 the results follow, 4 nothing follows, 9 two data
// bytes follow; anything else is an exchange error.
inline constexpr uint8_t kSpprStateNoResults = 4;
inline constexpr uint8_t kSpprStateStopped = 9;
// Flags byte of the results.
inline constexpr uint8_t kSpprVoltageMask = 0x1F;
inline constexpr uint8_t kSpprCompleteFlag = 0x80;

// Command record of an RM-2.3 worker queue item. The dialog fills the request fields of its
// command, the worker writes the reply fields.
struct SpprCommon {
  uint8_t command = SPPR_STATUS;
  uint8_t port = 0;  // open: 1-based position in the port list, 0 = close

  // Requests.
  double time = 0;          // time stop: measuring time, s
  int32_t pulses = 0;       // pulse stop: number of pulses
  uint8_t input = 0;        // pulse stop: input index 0..3
  uint8_t sensor = 0;       // temperature: sensor type, an index of spprSensors()
  uint8_t tempChannel = 0;  // temperature: the thermometer channel the dialog shows (0 or 1)

  // Temperature reply: resistance ratios R/R0 and temperatures of thermometer channels 1 and 2.
  double x1 = 0, x2 = 0, t1 = 0, t2 = 0;

  // Status and stop replies.
  uint8_t state = 0;
  uint8_t flags = 0;   // below 4: supply voltage code and completion; state 9: the first data byte
  double refTime = 0;  // reference time Tэт, s
  std::array<double, kSpprInputs> inputTime{};     // time of inputs 1..4, s
  std::array<int32_t, kSpprInputs> inputPulses{};  // pulse counts of inputs 1..4
  int32_t data2 = 0;                               // state 9: the second data byte
};

// A resistance thermometer: t = b − √(a·x + c) for the resistance ratio x = R/R0.
struct SpprSensor {
  const char* name;
  double a, c, b;
};
const std::array<SpprSensor, 2>& spprSensors();

uint8_t spprSum(std::span<const uint8_t> bytes);
// Unsigned 24-bit little-endian numbers.
void spprPut24(uint8_t* at, uint32_t value);
uint32_t spprGet24(const uint8_t* at);

// Ticks of 1/4096 s, halves away from zero. Throws "Недопустимая длительность измерения" unless
// the result is 1..16777215.
uint32_t spprTicks(double seconds);  // can throw

// The bytes sent after the identification for a command: 00 t0 t1 t2 sum, 03 P0 P1 P2 k sum, or
// the command byte alone; nothing for an unknown command. Invalid start values throw
// (spprTicks, "Недопустимое количество импульсов", "Недопустимый номер входа").
std::vector<uint8_t> spprRequest(const SpprCommon& data);  // can throw

// The three bytes after the identification echo: d0, the instrument type, their sum. Throws
// "Ошибка контрольной суммы" or "Неподдерживаемый тип РМ".
void spprCheckIdentity(const std::array<uint8_t, 3>& reply);  // can throw

// Temperature reply after its echo: four little-endian uint16 ADC codes and their sum. Writes
// x1, x2, t1, t2 for data.sensor. Throws "Ошибка контрольной суммы", "АЦП РМ не откалиброван"
// (reference codes 0 and 1 equal) or "Ошибка измерения температуры".
void spprDecodeTemperature(const std::array<uint8_t, 9>& reply, SpprCommon& data);  // can throw

// Temperature of a sensor type at the resistance ratio x; −300 where the root is undefined.
// Throws "Ошибка измерения температуры" when the arithmetic fails.
double spprTemperature(double x, int sensor);  // can throw

// How many bytes follow the state byte; an unknown state throws "Ошибка обмена".
int spprStatusLength(uint8_t state);  // can throw
// Stores the state and decodes what followed it (spprStatusLength bytes). Throws "Ошибка
// контрольной суммы".
void spprDecodeStatus(uint8_t state, std::span<const uint8_t> bytes,
                      SpprCommon& data);  // can throw

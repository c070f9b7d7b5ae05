#pragma once
// What the TD panel shows of the meter's replies and what it sends from its fields, how its
// requests wait in the worker queue, and the values the document's device reads of it: every text
// the panel puts into a control and every value it takes out of one goes through these.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/devices/td/tdprotocol.h"

// The program's "%g": general notation in the user's decimal separator; a value that is exactly
// a single-precision number (what the meter sends) in the fewest digits that read back as that
// number, any other with at most 15 significant digits. Throws MathError for a value that is not
// finite, which no field can show.
std::string tdFormatG(double v);  // can throw

// A number typed with "," or "." as the decimal separator; none when the text is not one.
std::optional<double> tdParseNumber(const std::string& text);
double tdNumberOrZero(const std::string& text);

// Noise to signal, |noise × 100 / sum| %, in single precision; MathError when it has no value.
float tdNoiseRatio(double noise, double sum);  // can throw

// Firmware version as the panel shows it: "%X.%X" of major and minor.
std::string tdVersionText(uint8_t major, uint8_t minor);

// At most this many requests wait in the panel's worker, the polls among them; a request beyond
// them is dropped silently.
inline constexpr int kTdMaxPending = 7;
// The push flags of a request of `type` while `pending` requests wait; none when it is dropped.
// A poll waits in the queue like any request but as a background item, so the unattended polls
// never make the panel busy.
std::optional<std::uint32_t> tdQueueFlags(TdCommand type, int pending);

// "Считать" of the coefficients: the direct table, then the reverse one when the firmware keeps
// one.
std::vector<TdRequest> tdCoefficientReads(uint8_t address, uint8_t major, uint8_t minor);
// What the panel reads once the port is open: the system parameters, the outputs, the
// coefficient tables, the network address and the integrator.
std::vector<TdRequest> tdOpeningReads(uint8_t address, uint8_t major, uint8_t minor);

// The status indicators a status byte lights, in this order.
enum TdLamp { TL_POUR, TL_RESET_PULSES, TL_REVERSE, TL_BELOW_THRESHOLD, TL_ABOVE_MAX, TL_FAULT };
std::array<bool, 6> tdStatusLamps(uint8_t status);
// H 4 for a click on the pour (TL_POUR) or reset-pulses (TL_RESET_PULSES) indicator: it sets the
// bit when the indicator is not lit and clears it when it is.
TdRequest tdToggleLamp(uint8_t address, TdLamp lamp, bool lit);

// The panel's diameter list is in the meter's order (15, 20, 25, 32, 40, 50, 80, 100, 150, 65
// mm). Nominal-diameter code of a list position; 0 for no selection (or any other position).
int tdDuCode(int position);
// List position of a nominal-diameter code; 0 for the codes the list lacks (125 and 200 mm).
int tdDuPosition(int code);

// "ТД-2.2-" (by the version major read from the meter) followed by "Б" when gpor exceeds the
// sensitivity threshold of the selected diameter, else "А".
std::string tdDeviceName(uint8_t major, double gpor, int diameterPosition);

// The serial number in the panel's text; 0 when the text is not a decimal number.
int32_t tdSerialOfText(const std::string& text);

// Baud rate of a position of the port speed list "9600", "4800", "2400", "1200".
int tdBaudRate(int speedPosition);
// Start-stop mode of the radio buttons, top to bottom.
uint8_t tdStartStopMode(int radio);
// A time in steps of 0.8 ms as its label shows it: "%g мс".
std::string tdStepsText(int steps);

// The external-output controls as a reply (or a stored parameter block) sets them.
struct TdOutputsView {
  std::string weightText;  // the shown weight, m³: doubled for a meander
  double litresPerPulse = 0;
  int pulseLength = 0;
  bool meander = false;      // Meandr ticked, the length field disabled
  int cardPosition = -1;     // -1: no selection
  bool noFilter = false;     // optimise for a batcher
  int reversePosition = -1;  // -1: no selection
};
TdOutputsView tdOutputsView(const TdOutputs& outputs, uint8_t major);

// The external-output controls as the user left them.
struct TdOutputsFields {
  std::string weightText;
  bool meander = false;
  int pulseLength = 1;
  int cardPosition = -1;
  bool noFilter = false;
  int reversePosition = -1;
};
// The block to write to the meter. Throws MessageError "Необходимо указать цену импульса",
// "Необходимо выбрать тип платы расширения" or "Необходимо выбрать режим реверсивного выхода".
TdOutputs tdStrictOutputs(const TdOutputsFields& fields, uint8_t major, uint8_t minor);
// The block a document stores: a weight that is not a number is 0.001 m³, a missing selection 0.
TdOutputs tdLenientOutputs(const TdOutputsFields& fields, uint8_t major, uint8_t minor);

// What the document's device reads of the panel.
struct TdPanelValues {
  std::string serialText;
  int duPosition = -1;  // -1: no selection
  TdOutputsFields outputs;
  std::string gporText;  // the limits of the direct table
  std::string gmaxText;
  uint8_t major = 0;  // the firmware version of the last system read; 0 before it
  uint8_t minor = 0;
};

// Texts of a coefficient grid: rows 1..5, code threshold (none for row 5), A and B; and the two
// limit fields of the direct grid.
struct TdGridText {
  std::array<std::string, 5> code;
  std::array<std::string, 5> a;
  std::array<std::string, 5> b;
  std::string lo;  // sensitivity threshold gpor
  std::string hi;  // maximum flow gmax
};
// Throws MathError for a value that is not finite.
TdGridText tdGridText(const TdCoefficients& block);

// A grid read back: a cell that is not a number gives 0 and marks the block corrected, and the
// panel then shows the grid again from the block.
struct TdGridBlock {
  TdCoefficients block;
  bool corrected = false;
};
// direct: the limits come from lo and hi (both 0 when either is not a number); else both are 0.
TdGridBlock tdReadGrid(const TdGridText& grid, bool direct);

// The panel's fields after a poll of the current values.
struct TdCurrentView {
  std::array<bool, 6> lamps{};
  std::string integrator;    // code sum
  std::string measureCount;  // measurements summed
  std::string middleCode;
  std::string middleNoise;
  std::string noiseSignal;
  std::string workTime;
  std::string volumeDir;
  std::string volumeRev;
  std::string pulseCount;  // pulses, halved for a meander
  std::string volume;      // litres by the pulses
  std::string flow;
  std::optional<double> average;  // the new last average code; none keeps the previous one
  uint32_t pulses = 0;            // the new last pulse count
};
TdCurrentView tdCurrentView(const TdCurrentValues& values, bool meander, double litresPerPulse);

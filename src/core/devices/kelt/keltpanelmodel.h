#pragma once
// What the KELT panel shows and sends, and what the KELT device of a document keeps, as plain
// functions: the panel only connects them to its controls.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/devices/kelt/keltprotocol.h"
#include "core/devices/kelt/keltthread.h"

// Lists of the panel.
inline constexpr int kKeltDuCount = 11;  // Ду 20 .. Ду 200: position = Du code - 1
const std::array<const char*, kKeltDuCount>& keltDuItems();
// Pulse weights (m³ per pulse) offered for a Du code.
const std::array<const char*, 5>& keltPulseWeights(int duCode);
// Pulse duration (ms) that goes with a pulse-weight position 0..4.
double keltDefaultPulseDuration(int weightPosition);
// Output types of the model: "Импульсный Vp" first, then its frequency outputs.
std::span<const char* const> keltOutputTypes(int model);

// Which controls the model's panel shows.
struct KeltLayout {
  bool adapter;                    // the adapter group and the battery button
  bool offset;                     // the temperature offset, its label and the temperature button
  const char* temperatureCaption;  // "Считать T/F" or "Считать T"
  bool fifthSegment;               // A5, B5 and F45
  int nMax;                        // upper limit of n
  double fMax;                     // upper limit and initial value of the boundaries
};
KeltLayout keltLayout(int model);

// Output-type position 1.. of models 0..6 shows n instead of the pulse weight; of models 7..17 it
// disables the pulse weight, the duration and the characteristic.
struct KeltOutputState {
  bool showWeight;
  bool characteristicEnabled;
};
KeltOutputState keltOutputState(int model, int outputPosition);

// The nearest pulse duration the model's block can hold (before the edit's own limits).
double keltSnapPulseDuration(double value, int model);

// The temperature offset edit shows steps of 0.5 °C as degrees with one decimal; typed degrees
// become steps limited to -7..7.
std::string keltOffsetText(int steps);
int keltOffsetSteps(double degrees);

// A decimal integer, or 0 for any other text.
int32_t keltSerialFromText(std::string_view text);
// Position in the Ду list of a Du code, limited to the list (code 0, Ду 15, gives Ду 20).
int keltDuPosition(int duCode);
// A pulse-weight text in m³, a comma or a point as the decimal separator; 0 for other text.
double keltPulseWeightValue(std::string_view text);

// The panel's controls as the protocol sees them.
struct KeltPanelValues {
  int duPosition = 0;      // 0 = Ду 20
  int outputPosition = 0;  // 0 = pulse output
  int weightPosition = 0;  // -1: nothing selected
  int n = 1;
  double pulseDuration = 1;  // ms
  int offset = 0;            // steps of 0.5 °C
  double A[5] = {};
  double B[5] = {};
  double F[4] = {};
  std::string serialText;
  bool disableRestoration = false;        // only when its check box is shown and checked
  bool disableThermalCorrection = false;  // likewise
  // The selected pulse weight as listed, also while a frequency output disables the list.
  std::string weightText;
};

// What a document sets on the panel: the factory number as shown and the Ду position.
struct KeltPanelIdentity {
  std::string serialText;
  int duPosition = 0;
};

// The output settings a document keeps in its parameter block.
struct KeltOutputSettings {
  int outputPosition = 0;
  int weightPosition = 0;
  int n = 1;
  double pulseDuration = 1;  // ms
  int offset = 0;            // steps of 0.5 °C
};

// One queue item: the record to copy into the slot and the flags to push it with (type 2).
struct KeltRequest {
  KeltCommon data;
  uint32_t flags = 0;
};
// The open command of the model's line speed.
KeltTask keltOpenTask(int model);
// "Считать": models 1..6 follow the parameter read by the offset read, run only if it succeeded.
std::vector<KeltRequest> keltReadRequests(int model);
// "Записать"; throws "Прибор не поддерживает Ду20" for the КЕЛТ3 variants with Ду 20.
std::vector<KeltRequest> keltWriteRequests(const KeltPanelValues& values, int model);

// The controls a successful parameter read sets (unset fields stay as they are).
struct KeltShownParameters {
  int outputPosition = 0;
  int duPosition = 0;
  std::optional<int> weightPosition;  // -1: no selection
  std::optional<int> n;
  std::optional<double> pulseDuration;
  std::optional<int> offset;
  int segments = 0;    // A and B values to set, 0: the coefficients stay
  int boundaries = 0;  // F values to set
  double A[5] = {};
  double B[5] = {};
  double F[4] = {};
  std::optional<std::string> serialText;
  std::optional<bool> disableRestoration;
  std::optional<bool> disableThermalCorrection;
};
// For a record after a successful read command 1, 16, 24 or 27.
KeltShownParameters keltShownParameters(const KeltCommon& data, int model);

// Console texts of a successful command ("" when it prints nothing).
std::string keltResultText(const KeltCommon& data);
// Whether the command's success completes a read of the parameters: the offset's read does so
// for the models that read it after their block.
bool keltCompletesRead(uint8_t command);
// The read-back lines of "Записать". Models 1..6 write their parameters and then the offset as
// two items; the console shows both checks as one line, after the second item's result.
class KeltWriteChecks {
 public:
  // The line that follows the result of a successful item; "" when there is none yet.
  std::string lineAfter(const KeltCommon& data);
  // The line of a check still held when the item after it failed; "" when none is held.
  std::string lineAfterFailure();
  // The same as checks: the one that ends a write, none while a write is not complete.
  std::optional<WriteCheck> checkAfter(const KeltCommon& data);
  std::optional<WriteCheck> checkAfterFailure();

 private:
  std::optional<WriteCheck> held_;
};
const char* keltBatteryText(uint8_t code);
std::string keltMeasurementText(const KeltMeasurement& m);
// Coupling parameters in 25..80 are shown green.
bool keltCouplingGood(int value);

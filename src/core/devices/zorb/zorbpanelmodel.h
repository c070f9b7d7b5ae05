#pragma once
// What the ZORB panel shows and sends, as plain functions: the panel only connects them to its
// controls, and the command-line tool runs the same requests.

#include <cstdint>
#include <optional>
#include <string>

#include "core/devices/zorb/zorbprotocol.h"
#include "core/devices/zorb/zorbthread.h"

// The panel's Ду list: Ду 25 .. Ду 200, position = Du code - 2.
inline constexpr int kZorbDuCount = 10;
// Du code of a Ду position; -1 (none selected) gives 1.
int zorbDuCode(int duPosition);
// Position of a Du code in the Ду list; -1 (none selected) for a code outside 2..11.
int zorbDuPosition(int duCode);

// The panel's controls as the device and the protocol see them.
struct ZorbPanelValues {
  int portPosition = 0;  // 0 = "-------"
  int32_t serial = 0;
  int duPosition = 0;      // 0 = Ду 25, -1: none selected
  int weightPosition = 0;  // in the pulse-weight list of the Ду, -1: none selected
  double A = 0.12;
  double B = 0;
};

// The selected pulse weight in m³ per pulse; 0 when none is selected.
double zorbPulseWeight(const ZorbPanelValues& values);

// One queue item: the command and the record to push.
struct ZorbRequest {
  ZorbCommand type;
  ZorbCommon data;
};
// Opens the port at the position (0 closes it).
ZorbRequest zorbOpenCommand(int portPosition);
// "Записать": A and B for the selected Ду.
ZorbRequest zorbWriteCommand(const ZorbPanelValues& values);
// "Считать": A and B scaled for the selected Ду.
ZorbRequest zorbReadCommand(const ZorbPanelValues& values);

// What the panel does with a finished item.
struct ZorbOutcome {
  std::optional<std::string> text;        // console line
  std::optional<int> portPosition;        // the port selector's new position
  std::optional<ZorbCoefficients> shown;  // the values read, for the A and B edits
  std::optional<std::string> checkText;   // after a write: the line of its read-back
};
ZorbOutcome zorbOutcome(ZorbCommand type, const ZorbCommon& data, bool ok,
                        const std::string& message);

// Only the models with a pulse output read and write, with a port chosen and the panel idle;
// only they show the pulse weight.
struct ZorbControlState {
  bool exchange;
  bool showWeight;
};
ZorbControlState zorbControlState(int model, int portPosition, bool busy);

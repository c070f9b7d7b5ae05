#pragma once
// The eighteen KELT transducer models (model index 0..17) and what sets them apart: names, block
// format, link, line speed, variant, the commands they are served with and their quirks.

#include <cstdint>

enum class KeltLink : uint8_t { adapter, direct };

// Within each group of three models the first is a КЕЛТ1, the second a КЕЛТ2 and the third a КЕЛТ3
// variant; model 0 counts as a КЕЛТ1.
enum class KeltVariant : uint8_t { kelt1 = 1, kelt2 = 2, kelt3 = 3 };

// How a directly connected model is woken before an exchange: models 9..11 by a 0xFF byte before
// and after the version request, models 15..17 by a line break.
enum class KeltWakeUp : uint8_t { none, byte, lineBreak };

struct KeltModel {
  const char* group;  // tree group of the New document dialog; nullptr: a top-level row
  const char* name;   // display name, also the row text in that tree
  uint8_t format;     // parameter block format 1..4
  KeltLink link;      // through the adapter or straight on the serial line
  int baudRate;       // 9600, or 4800 for models 15..17
  KeltVariant variant;
  uint8_t readCommand;         // KeltCommon command that reads the parameters (1, 16, 24, 27)
  uint8_t writeCommand;        // ... and the one that writes them (2, 17, 25, 28)
  uint8_t temperatureCommand;  // 22 (temperature) or 23 (temperature and frequency); 0: none
  KeltWakeUp wakeUp;
  // Versions a directly connected model answers with (0..0: an adapter model).
  uint8_t firstVersion;
  uint8_t lastVersion;
  // Segment divisors up to 60, above 15 coded in steps of 4; otherwise up to 31 (format 3 models
  // 7 and 8).
  bool wideDivisors;
  // Format 4 pulse durations in steps of 3.9 ms up to 30 steps, not of 1.9 ms up to 60.
  bool slowPulse;
  // Format 4 prefers the divisor that lets the device restore a segment whatever the weight and
  // the Ду.
  bool alwaysRestorable;
  // Format 3 keeps the Du code in the offset byte, which then holds no temperature offset.
  bool duInOffsetByte;
};

inline constexpr int kKeltModelCount = 18;

// Throws std::out_of_range outside 0..17.
const KeltModel& keltModel(int model);

// Segments (coefficient lines) a model holds: 4 for format 1, 5 for the others.
int keltSegmentCount(int model);

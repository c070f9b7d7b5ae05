#pragma once
// The eighteen KELT transducer models (model index = device type code - 18) and what sets them
// apart: block format, link, line speed, variant and the commands they are served with.

#include <cstdint>

enum class KeltLink : uint8_t { adapter, direct };

// Within each group of three models the first is a КЕЛТ1, the second a КЕЛТ2 and the third a КЕЛТ3
// variant; model 0 counts as a КЕЛТ1.
enum class KeltVariant : uint8_t { kelt1 = 1, kelt2 = 2, kelt3 = 3 };

// How a directly connected model is woken before an exchange: models 9..11 by a 0xFF byte before
// and after the version request, models 15..17 by a line break.
enum class KeltWakeUp : uint8_t { none, byte, lineBreak };

struct KeltModel {
  uint8_t format;  // parameter block format 1..4
  KeltLink link;   // through the adapter or straight on the serial line
  int baudRate;    // 9600, or 4800 for models 15..17
  KeltVariant variant;
  uint8_t readCommand;         // KeltCommon command that reads the parameters (1, 16, 24, 27)
  uint8_t writeCommand;        // ... and the one that writes them (2, 17, 25, 28)
  uint8_t temperatureCommand;  // 22 (temperature) or 23 (temperature and frequency); 0: none
  KeltWakeUp wakeUp;
};

inline constexpr int kKeltModelCount = 18;

// Throws std::out_of_range outside 0..17.
const KeltModel& keltModel(int model);

// Segments (coefficient lines) a model holds: 4 for format 1, 5 for the others.
int keltSegmentCount(int model);

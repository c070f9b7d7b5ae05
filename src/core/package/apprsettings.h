#pragma once
// Approximation settings: 35 bytes in documents, fields in this order, little-endian, no padding.

#include <cstdint>

#pragma pack(push, 1)
struct ApprSettings {
  uint8_t func = 0;           // 0 piecewise linear, 1 y = a*x+b, 2 y = a*x
  uint8_t manual = 1;         // piecewise: 0 automatic break points, 1 from the marked entries
  uint8_t fromEntries = 1;    // fit points: 0 section means, 1 every entry
  double refTemp = 20;        // temperature flows and frequencies are reduced to, °C
  double maxAutoErr = 1;      // error limit of the automatic search, %
  double sectionScatter = 5;  // allowed scatter of readings within a section, %
  double pulseWeight = 0;     // volume per output pulse of the device, m³
};
#pragma pack(pop)
static_assert(sizeof(ApprSettings) == 35);

// The defaults of a new document; pulseWeight belongs to the device and is kept.
void setDefaultApprSettings(ApprSettings& settings);

#pragma once

#include <cstdint>
#include <vector>

#include "core/package/packagebase.h"

// Base of the package template; holds the section and break-point lists all packages share (they
// describe the package approximated last).
class PackageHelper : public PackageBase {
 public:
  // A run of entries whose readings lie within the allowed scatter of the first one.
  struct Section {
    int32_t first = 0;  // index of the section's first entry
    int32_t last = 0;   // index of the entry before the one that ended it (or the last entry)
    double meanX = 0;   // mean reading
    double meanY = 0;   // mean reference flow
  };

  static std::vector<Section>& sections();
  // Ascending section indices at which lines end; the last is the last section.
  static std::vector<int32_t>& breakPoints();
};

#pragma once
// Realistic KELT measurements for the benchmarks: a spread of temperatures, volumes and pulse
// counts so that every line of a five-line set is used.

#include <vector>

#include "core/package/line.h"
#include "core/package/package.h"

// The five-line set the measurements are spread over.
inline std::vector<files::Line> fiveKeltLines() {
  return {{0.01, 0.001, 50},
          {0.011, 0.002, 100},
          {0.012, 0.003, 200},
          {0.013, 0.004, 400},
          {0.014, 0.005, 0}};
}

inline void fillKeltEntries(Package<KeltEntry>& package, int n) {
  package.entries().resize(n);
  for (int i = 0; i < n; ++i) {
    KeltEntry& e = package.entries()[i];
    e.temperature = 5 + (i % 80);
    e.refVolume = 10 + (i % 1000) * 0.1;
    e.refTime = 60;
    e.pulseTime = 59.5;
    e.pulses1 = 100 + i % 50000;
    e.pulses2 = 100 + i % 2000;
  }
}

#pragma once

namespace files {

// One coefficient line of the transducer characteristic, y = A * x + B for x up to F; 24 bytes in
// documents (A, B, F as little-endian doubles). F is in the units of the reading: reduced frequency
// (Hz) for ZORB and KELT, the output code for TD. The last line of a set is unbounded.
#pragma pack(push, 1)
struct Line {
  double A = 0;
  double B = 0;
  double F = 0;
};
#pragma pack(pop)
static_assert(sizeof(Line) == 24);

}  // namespace files

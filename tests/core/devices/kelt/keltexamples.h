#pragma once
// Worked KELT parameter sets, shared by the block tests and the fuzzing seeds: Ду 50 (code 5),
// A 0.5 and B 0.01 on every segment, boundaries 100, 200, 400 and 800 Hz.

#include <cstdint>
#include <initializer_list>

#include "core/devices/kelt/keltblocks.h"

namespace keltexamples {

template <class P>
P uniform(uint8_t du, double a, double b, std::initializer_list<double> f) {
  P p;
  p.duCode = du;
  for (int i = 0; i < 5; ++i) {
    p.A[i] = a;
    p.B[i] = b;
  }
  int j = 0;
  for (double x : f) p.F[j++] = x;
  return p;
}

inline KeltParams3 example3() { return uniform<KeltParams3>(5, 0.5, 0.01, {100, 200, 400, 800}); }
inline KeltParams4 example4() { return uniform<KeltParams4>(5, 0.5, 0.01, {100, 200, 400, 800}); }
inline KeltParams12 example12() {
  return uniform<KeltParams12>(5, 0.5, 0.01, {100, 200, 400, 800});
}

}  // namespace keltexamples

#include <benchmark/benchmark.h>

#include <type_traits>

#include "core/devices/kelt/keltblocks.h"

namespace {

template <class P>
P sample() {
  P p;
  p.duCode = 5;
  for (int i = 0; i < 5; ++i) {
    p.A[i] = 0.5 + 0.1 * i;
    p.B[i] = 0.01 * (i - 2);
  }
  p.F[0] = 100;
  p.F[1] = 200;
  p.F[2] = 400;
  p.F[3] = 800;
  return p;
}

// Encoding a block runs once per write, before anything is sent; its divisor searches are the
// costliest part of a write that the user waits for.
template <class P>
void BM_KeltEncode(benchmark::State& state) {
  const int model = static_cast<int>(state.range(0));
  P p = sample<P>();
  if constexpr (std::is_same_v<P, KeltParams4>) {
    p.pulseDuration = 3.8;  // in steps of 1.9 ms, allowed for weight code 2
    p.weightCode = 2;
  }
  for (auto _ : state) benchmark::DoNotOptimize(keltEncode(p, model));
}
BENCHMARK(BM_KeltEncode<KeltParams12>)->Arg(0)->Arg(3);
BENCHMARK(BM_KeltEncode<KeltParams3>)->Arg(7)->Arg(11);
BENCHMARK(BM_KeltEncode<KeltParams4>)->Arg(12)->Arg(17);

void BM_KeltDecode4(benchmark::State& state) {
  auto p = sample<KeltParams4>();
  p.pulseDuration = 3.8;
  p.weightCode = 2;
  const auto block = keltEncode(p, 12);
  for (auto _ : state) benchmark::DoNotOptimize(keltDecode4(block, 12));
}
BENCHMARK(BM_KeltDecode4);

}  // namespace

#include <benchmark/benchmark.h>

#include <cmath>

#include "core/package/approxstate.h"
#include "core/package/package.h"
#include "keltentries.h"

namespace {

// Every entry of one package kind is at most 128 bytes.
void BM_EntrySize(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(state.iterations());
  state.counters["ZorbEntry_bytes"] = sizeof(ZorbEntry);
  state.counters["KeltEntry_bytes"] = sizeof(KeltEntry);
  state.counters["EprEntry_bytes"] = sizeof(EprEntry);
}
BENCHMARK(BM_EntrySize)->Iterations(1);

// Recalculation of a large volumetric KELT package against a five-line set; target 50 ns/entry.
void BM_RecalcAllKelt(benchmark::State& state) {
  resetApproxState();
  apprSettings().pulseWeight = 0.0001;
  currentLines() = {
      {0.01, 0.1, 50}, {0.011, 0.05, 150}, {0.012, 0, 400}, {0.0125, -0.1, 900}, {0.013, -0.2, 0}};
  const int n = static_cast<int>(state.range(0));
  Package<KeltEntry> p;
  fillKeltEntries(p, n);
  for (auto _ : state) {
    p.recalcAll();
    benchmark::ClobberMemory();
  }
  state.counters["per_entry"] = benchmark::Counter(
      n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  resetApproxState();
}
BENCHMARK(BM_RecalcAllKelt)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Automatic piecewise approximation of 200 sections of 10 entries on a bent characteristic with a
// limit of 0, so that every line spans two sections and each one is found by trying every longer
// run first; target 50 ms.
void BM_AutoApproxKelt(benchmark::State& state) {
  resetApproxState();
  ApprSettings& st = apprSettings();
  st.func = 0;
  st.manual = 0;
  st.maxAutoErr = 0;
  Package<KeltEntry> p;
  p.method = mReference;
  const int sections = static_cast<int>(state.range(0));
  for (int s = 0; s < sections; ++s)
    for (int j = 0; j < 10; ++j) {
      const double f = 10 * std::pow(1.08, s) * (1 + 0.002 * j);  // 8 % apart, 1.8 % within
      KeltEntry e;
      e.temperature = 20;
      e.refTime = 60;
      e.pulses1 = 1001;
      e.pulseTime = 1000 / f;
      e.refFlow = 0.001 * f * (1 + 0.05 * std::log(f));
      p.entries().push_back(e);
    }
  for (auto _ : state) {
    p.approximate();
    benchmark::DoNotOptimize(currentLines().data());
  }
  state.counters["lines"] = static_cast<double>(currentLines().size());
  resetApproxState();
}
BENCHMARK(BM_AutoApproxKelt)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

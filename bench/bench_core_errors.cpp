#include <benchmark/benchmark.h>

#include "core/base/errors.h"

// Cost of the finiteness check every derived value goes through.
static void BM_Checked(benchmark::State& state) {
  double x = 1.0;
  for (auto _ : state) {
    x = checked(x * 1.0000001);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_Checked);

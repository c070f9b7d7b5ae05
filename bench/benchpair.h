#pragma once
// A product measurement with its stock reference in one benchmark: each iteration runs both, the
// benchmark's time is the product's, and the counters give the reference's time per iteration
// ("stock_ms") and how many times slower the product is ("x_stock"). The two alternate so that
// both see the same machine load.

#include <benchmark/benchmark.h>

#include <chrono>

template <class Product, class Stock>
void timeAgainstStock(benchmark::State& state, Product&& product, Stock&& stock) {
  using Clock = std::chrono::steady_clock;
  using Seconds = std::chrono::duration<double>;
  double productTotal = 0, stockTotal = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    product();
    const Clock::time_point middle = Clock::now();
    stock();
    const Clock::time_point end = Clock::now();
    const double productTime = Seconds(middle - start).count();
    productTotal += productTime;
    stockTotal += Seconds(end - middle).count();
    state.SetIterationTime(productTime);
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["stock_ms"] = 1e3 * stockTotal / iterations;
  state.counters["x_stock"] = stockTotal > 0 ? productTotal / stockTotal : 0;
}

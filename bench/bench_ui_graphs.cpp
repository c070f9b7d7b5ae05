#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <QPixmap>
#include <cmath>
#include <string>

#include "ui/graphs/tservicegraph.h"

namespace {

// A document of `count` packages with `points` measurements each over 0.1..100 m3/h, against
// three coefficient lines.
SPILTS_DATA_EXCHANGE graphData(int count, int points) {
  SPILTS_DATA_EXCHANGE data;
  for (int k = 0; k < count; ++k) {
    SPILT_STRUCT s{"Пакет " + std::to_string(k + 1), {}, 1, 1};
    for (int i = 0; i < points; ++i) {
      const double flow = 0.1 * std::pow(1000.0, double(i) / points);
      s.points.push_back({flow * 25 * (1 + 0.01 * std::sin(i + k)), flow, k, 0, 0.5});
    }
    data.series.push_back(std::move(s));
  }
  data.lines = {{50, 0.04, 0}, {500, 0.041, -0.05}, {1e6, 0.0405, 0.2}};
  return data;
}

// What "Графики" costs on the error tab: the window rebuilds every series and the chart is drawn.
void BM_ErrorTabRebuildAndDraw(benchmark::State& state) {
  const SPILTS_DATA_EXCHANGE data =
      graphData(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  TServiceGraph graph;
  graph.resize(1000, 700);
  for (auto _ : state) {
    graph.showData(&data);
    benchmark::DoNotOptimize(graph.Chart->toPixmap(800, 600));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_ErrorTabRebuildAndDraw)->Args({20, 500})->Unit(benchmark::kMillisecond);

}  // namespace

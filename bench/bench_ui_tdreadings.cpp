#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include "ui/devices/td/tdreadingspage.h"

namespace {

// A page that has been recording for a while: `count` readings at 5 per second.
void fill(TTDReadingsPage& page, int count) {
  for (int i = 0; i < count; ++i) page.addReading(100000 + (i * 7919) % 41 - 20);
}

// One live reading on a long recording: the point, the filter and the automatic scale. It must
// stay far below the 200 ms between readings.
void BM_TdLiveReading(benchmark::State& state) {
  TTDReadingsPage page;
  fill(page, static_cast<int>(state.range(0)));
  int i = 0;
  for (auto _ : state) page.addReading(100000 + (++i % 41) - 20);
}
BENCHMARK(BM_TdLiveReading)->Arg(1000)->Arg(18000)->Arg(180000)->Unit(benchmark::kMicrosecond);

// Drawing the chart of a long recording, as the queued replot after each reading does.
void BM_TdReadingsReplot(benchmark::State& state) {
  TTDReadingsPage page;
  page.resize(900, 500);
  fill(page, static_cast<int>(state.range(0)));
  auto* chart = page.findChild<QCustomPlot*>("Chart");
  for (auto _ : state) benchmark::DoNotOptimize(chart->toPixmap(800, 450));
}
BENCHMARK(BM_TdReadingsReplot)->Arg(18000)->Arg(180000)->Unit(benchmark::kMillisecond);

}  // namespace

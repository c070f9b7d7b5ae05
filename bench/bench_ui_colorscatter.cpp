// The coloured scatter against stock graphs: BM_ReplotColorScatter draws the same points both
// ways in each iteration; its time is the coloured scatter's, the counter stock_ms the stock
// graphs' and x_stock the ratio, which is to stay at 1.3 or below for 100 000 points.

#include <benchmark/benchmark.h>

#include <QPixmap>
#include <cmath>
#include <vector>

#include "benchpair.h"
#include "ui/graphs/colorscatter.h"

namespace {

const QColor kColors[] = {Qt::green, Qt::blue, Qt::black, Qt::yellow, Qt::red};

std::vector<ColorScatter::Point> points(int count, bool labelled) {
  std::vector<ColorScatter::Point> v;
  v.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const double flow = 0.1 + 100.0 * i / count;
    v.push_back({flow, std::sin(i * 0.01) * 2, kColors[i / 1000 % 5],
                 labelled ? QString::number(i / 100 + 1) : QString(), i});
  }
  return v;
}

// A graph-window sized chart: logarithmic flow axis, the points' axes set up as the graph
// window has them.
void setUpChart(QCustomPlot& plot) {
  plot.resize(800, 600);
  plot.xAxis->setScaleType(QCPAxis::stLogarithmic);
  plot.xAxis->setRange(0.05, 200);
  plot.yAxis->setRange(-3, 3);
}

// The stock reference: the same points as plain graphs, one per colour, each with the marker of
// the coloured series in its colour.
void addStockGraphs(QCustomPlot& plot, const std::vector<ColorScatter::Point>& data,
                    const ColorScatter& like) {
  for (const QColor& color : kColors) {
    QVector<double> keys, values;
    for (const ColorScatter::Point& p : data) {
      if (p.color != color) continue;
      keys.append(p.key);
      values.append(p.value);
    }
    QCPGraph* graph = plot.addGraph(plot.xAxis, plot.yAxis);
    graph->setPen(like.pen());
    graph->setLineStyle(QCPGraph::lsNone);
    QCPScatterStyle style = like.scatterStyle();
    style.setBrush(color);
    graph->setScatterStyle(style);
    graph->setData(keys, values, true);
  }
}

// Drawing the chart with points of mixed colours, against the same points drawn by stock graphs.
void BM_ReplotColorScatter(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::vector<ColorScatter::Point> data = points(count, false);
  QCustomPlot plot, stock;
  setUpChart(plot);
  setUpChart(stock);
  auto* series = new ColorScatter(plot.xAxis, plot.yAxis);
  series->setPoints(data);
  addStockGraphs(stock, data, *series);
  timeAgainstStock(
      state, [&] { benchmark::DoNotOptimize(plot.toPixmap(800, 600)); },
      [&] { benchmark::DoNotOptimize(stock.toPixmap(800, 600)); });
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_ReplotColorScatter)
    ->Arg(1000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Replacing the points of a chart: what every redraw of the section window or a tab change does.
void BM_SetPoints(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const bool labelled = state.range(1) != 0;
  QCustomPlot plot;
  auto* series = new ColorScatter(plot.xAxis, plot.yAxis);
  series->setLabelsVisible(labelled);
  const std::vector<ColorScatter::Point> data = points(count, labelled);
  for (auto _ : state) series->setPoints(data);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SetPoints)->Args({100000, 0})->Args({1000, 1})->Unit(benchmark::kMillisecond);

}  // namespace

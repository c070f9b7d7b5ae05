// The graph window against stock graphs: BM_ErrorTabRebuildAndDraw rebuilds and draws the error
// tab both ways in each iteration; its time is the window's, the counter stock_ms the stock
// graphs' and x_stock the ratio, which is to stay at 1.5 or below.

#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <QPixmap>
#include <cmath>
#include <string>

#include "benchpair.h"
#include "ui/graphs/colorscatter.h"
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

// The stock reference of a rebuild: one plain graph per package with the window's markers, the
// curve as a plain line, the same points computed again, the axes fitted, one replot.
void stockRebuild(QCustomPlot& stock, const SPILTS_DATA_EXCHANGE& data, const TServiceGraph& like) {
  using graphcalc::GraphTab;
  stock.clearPlottables();
  for (std::size_t k = 0; k < data.series.size(); ++k) {
    QVector<double> keys, values;
    for (const graphcalc::PlotPoint& p :
         graphcalc::seriesPoints(GraphTab::Error, data.series[k], data.lines, {})) {
      keys.append(p.x);
      values.append(p.y);
    }
    const ColorScatter* series = like.packageSeries(static_cast<int>(k));
    QCPGraph* graph = stock.addGraph();
    graph->setPen(series->pen());
    graph->setLineStyle(QCPGraph::lsNone);
    graph->setScatterStyle(series->scatterStyle());
    graph->setData(keys, values);
  }
  QVector<double> keys, values;
  for (const graphcalc::CurvePoint& p :
       graphcalc::curvePoints(GraphTab::Error, data.lines, 0, 0, 0)) {
    keys.append(p.x);
    values.append(p.y);
  }
  QCPGraph* curve = stock.addGraph();
  curve->setPen(like.curveSeries()->pen());
  curve->setData(keys, values);
  stock.rescaleAxes();
  stock.replot();
}

// What "Графики" costs on the error tab: the window rebuilds every series and the chart is drawn;
// against stock graphs rebuilt and drawn the same way.
void BM_ErrorTabRebuildAndDraw(benchmark::State& state) {
  const SPILTS_DATA_EXCHANGE data =
      graphData(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  TServiceGraph graph;
  graph.resize(1000, 700);
  graph.showData(&data);
  QCustomPlot stock;
  stock.resize(graph.Chart->size());
  stock.xAxis->setScaleType(QCPAxis::stLogarithmic);
  stock.xAxis->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
  timeAgainstStock(
      state,
      [&] {
        graph.showData(&data);
        benchmark::DoNotOptimize(graph.Chart->toPixmap(800, 600));
      },
      [&] {
        stockRebuild(stock, data, graph);
        benchmark::DoNotOptimize(stock.toPixmap(800, 600));
      });
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_ErrorTabRebuildAndDraw)
    ->Args({20, 500})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

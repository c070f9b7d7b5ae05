#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QStringList>

#include "ui/widgets/goodtable.h"

namespace {

constexpr int kCols = 15;

void Shape(TGoodTable& table, int rows) {
  table.resize(1000, 700);
  table.SetColCount(kCols);
  for (int col = 0; col < kCols; ++col) {
    table.SetCaptions(col, QStringLiteral("Столбец %1").arg(col));
    table.SetWidths(col, 64);
    table.SetColTypes(col, col == 0 ? ColType::CheckBox : ColType::Text);
    table.SetColReadOnly(col, col > 8);
  }
  table.SetRowCount(rows);
  table.show();
}

// What binding a package does: every cell set one by one, texts formatted on the way.
void BM_FillTableCellByCell(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  TGoodTable table;
  Shape(table, 0);
  for (auto _ : state) {
    table.SetRowCount(0);
    table.SetRowCount(rows);
    for (int row = 0; row < rows; ++row) {
      table.SetCellsChecked(row, 0, row % 3 == 0);
      for (int col = 1; col < kCols; ++col)
        table.SetCells(row, col, QString::number(row * 0.125 + col, 'f', 3));
    }
  }
  state.SetItemsProcessed(state.iterations() * rows * kCols);
}
BENCHMARK(BM_FillTableCellByCell)->Arg(10000)->Unit(benchmark::kMillisecond);

// One full viewport, scrolled to the middle; the cost must not depend on the row count.
void BM_PaintViewport(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  TGoodTable table;
  Shape(table, rows);
  for (int row = 0; row < rows; ++row)
    for (int col = 1; col < kCols; ++col)
      table.SetCells(row, col, QString::number(row * 0.125 + col, 'f', 3));
  table.SetRow(rows / 2);
  QWidget* viewport = table.viewport();
  QImage image(viewport->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    viewport->render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
}
BENCHMARK(BM_PaintViewport)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

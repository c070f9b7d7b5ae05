#include <benchmark/benchmark.h>

#include <sstream>

#include "core/package/approxstate.h"
#include "core/package/package.h"
#include "core/storage/report.h"
#include "core/storage/textexchange.h"
#include "keltentries.h"

namespace {

// A volumetric KELT calibration package of n recalculated entries.
Package<KeltEntry> keltPackage(int n) {
  resetApproxState();
  currentLines() = {{0.01, 0.1, 50}, {0.011, 0.05, 150}, {0.013, -0.2, 0}};
  Package<KeltEntry> p;
  fillKeltEntries(p, n);
  p.recalcAll();
  return p;
}

// The protocol of a large package, page text and code page conversion included.
void BM_ReportPage(benchmark::State& state) {
  const Package<KeltEntry> p = keltPackage(static_cast<int>(state.range(0)));
  ReportFacts facts;
  facts.deviceName = "КЕЛТ1-ЧИ7.61-xxx";
  facts.typeCode = 21;
  facts.lines = currentLines();
  for (auto _ : state) benchmark::DoNotOptimize(reportPage(facts, p));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReportPage)->Arg(10000)->Unit(benchmark::kMillisecond);

// Export of every offered column, then import of the typed ones back into an empty package.
void BM_ExportImport(benchmark::State& state) {
  const Package<KeltEntry> p = keltPackage(static_cast<int>(state.range(0)));
  const std::vector<int> exported = offeredColumns(p, 0, true);
  const std::vector<int> imported = offeredColumns(p, 0, false);
  for (auto _ : state) {
    std::ostringstream out;
    writeText(out, p, imported, ';', '.');
    std::istringstream in(out.str());
    Package<KeltEntry> target;
    readText(in, target, imported, ';');
    std::ostringstream all;
    writeText(all, p, exported, ';', '.');
    benchmark::DoNotOptimize(all.str().size() + target.entryCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ExportImport)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

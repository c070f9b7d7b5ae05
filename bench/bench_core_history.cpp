#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "core/history/sqlitehistory.h"

namespace {

// A history file in a fresh temporary folder, removed at the end.
struct BenchFolder {
  BenchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tdbench-XXXXXX").string();
    if (mkdtemp(pattern.data())) path = pattern;
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

HistoryEvent benchEvent(const std::string& serial, int64_t timeMs) {
  HistoryEvent event;
  event.kind = historykind::kWrite;
  event.timeMs = timeMs;
  event.family = "td";
  event.model = "ТД-50";
  event.serial = serial;
  event.payload =
      R"({"sent":{"A1":1e-5,"A2":1.1e-5,"B2":-0.05,"gmax":30,"gpor":0.25},"check":"confirmed"})";
  return event;
}

}  // namespace

// What a program pays for one event on the bench's own file: a stamped insert, committed (the
// median of the repetitions is the figure; the target is a few milliseconds).
static void BM_HistoryRecord(benchmark::State& state) {
  const BenchFolder folder;
  SqliteHistoryStore store(folder.path + "/history.sqlite");
  int64_t time = 1;
  for (auto _ : state) benchmark::DoNotOptimize(store.record(benchEvent("1001", ++time)));
}
BENCHMARK(BM_HistoryRecord)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();

// Opening the history of one instrument that has 10,000 events among others' (target: under
// 100 ms): the file opened and every event of the serial number read.
static void BM_HistoryOpenInstrument(benchmark::State& state) {
  const BenchFolder folder;
  const std::string path = folder.path + "/history.sqlite";
  {
    SqliteHistoryStore store(path);
    for (int64_t i = 0; i < 10'000; ++i) {
      store.record(benchEvent("1001", i));
      store.record(benchEvent(std::to_string(2000 + i % 50), i));
    }
  }
  for (auto _ : state) {
    SqliteHistoryStore store(path);
    const std::vector<HistoryEvent> events = store.list({.serial = "1001"});
    if (events.size() != 10'000) state.SkipWithError("the instrument's events are not all there");
  }
}
BENCHMARK(BM_HistoryOpenInstrument)->Unit(benchmark::kMillisecond);

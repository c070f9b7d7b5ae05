#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "../tests/core/storage/fakedevice.h"
#include "core/package/approxstate.h"
#include "core/package/package.h"
#include "core/package/packagecreate.h"
#include "core/storage/files.h"
#include "keltentries.h"

namespace {

constexpr int kPackages = 100;
constexpr int kEntries = 10000;

// A KELT document of 100 packages x 10,000 entries with five lines, as a long calibration run.
struct LargeDocument {
  LargeDocument() : device(30) {
    device.lines = fiveKeltLines();
    device.weight = 0.001;
    for (int p = 0; p < kPackages; ++p) {
      PackagePtr package = createPackage(ekKelt, p % 2, mVolume);
      auto& entries = static_cast<Package<KeltEntry>&>(*package).entries();
      entries.resize(kEntries);
      for (int i = 0; i < kEntries; ++i) {
        KeltEntry& e = entries[size_t(i)];
        e.temperature = 15 + i % 30;
        e.refVolume = 10 + i % 100;
        e.refTime = 60 + i % 7;
        e.pulseTime = 59 + i % 5;
        e.pulses1 = 1000 + i * 3;
        e.pulses2 = 10000 + i;
        e.section = 1 + i % 10;
        e.point = uint8_t(i % 50 == 0);
      }
      packages.push_back(package);
    }
    path = (std::filesystem::temp_directory_path() /
            ("bench-document-" + std::to_string(::getpid()) + ".srv"))
               .string();
  }
  ~LargeDocument() { std::filesystem::remove(path); }

  FakeDevice device;
  std::vector<PackagePtr> packages;
  std::string path;
};

LargeDocument& largeDocument() {
  static LargeDocument doc;
  return doc;
}

void BM_WriteDocument(benchmark::State& state) {
  LargeDocument& doc = largeDocument();
  for (auto _ : state) files::writeDocument(doc.path, doc.device, doc.packages);
  state.SetBytesProcessed(int64_t(state.iterations()) *
                          int64_t(std::filesystem::file_size(doc.path)));
}
BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reading includes the recalculation of every entry against the document's lines.
void BM_ReadAndRecalculateDocument(benchmark::State& state) {
  LargeDocument& doc = largeDocument();
  files::writeDocument(doc.path, doc.device, doc.packages);
  FakeDeviceFactory devices;
  Document read;
  for (auto _ : state) files::readDocument(doc.path, read, devices.factory());
  state.SetBytesProcessed(int64_t(state.iterations()) *
                          int64_t(std::filesystem::file_size(doc.path)));
}
BENCHMARK(BM_ReadAndRecalculateDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "../tests/core/storage/fakedevice.h"
#include "core/package/approxstate.h"
#include "core/package/package.h"
#include "core/package/packagecreate.h"
#include "core/package/recalc.h"
#include "core/storage/files.h"
#include "keltentries.h"

// How the cost per entry grows from 10,000 to 1,000,000 entries, and how far opening a document is
// from a reader that knows nothing but the layout. Compare the per_entry counters of the /10000
// and /1000000 runs; the ratio of the document reads is printed by the minimal reader.

namespace {

constexpr int kPackages = 100;
constexpr int kEntries = 10000;

std::string tempPath(const std::string& what) {
  return (std::filesystem::temp_directory_path() /
          ("bench-scale-" + what + "-" + std::to_string(::getpid()) + ".srv"))
      .string();
}

struct DocumentFile {
  DocumentFile(int packages, int entries) : device(30), path(tempPath(std::to_string(entries))) {
    device.lines = fiveKeltLines();
    device.weight = 0.001;
    std::vector<PackagePtr> list;
    for (int p = 0; p < packages; ++p) {
      PackagePtr package = createPackage(ekKelt, pkCalibration, mVolume);
      fillKeltEntries(static_cast<Package<KeltEntry>&>(*package), entries);
      list.push_back(package);
    }
    files::writeDocument(path, device, list);
  }
  ~DocumentFile() { std::filesystem::remove(path); }

  FakeDevice device;
  std::string path;
};

void setPerEntry(benchmark::State& state, int64_t entries) {
  state.counters["per_entry"] = benchmark::Counter(
      double(entries), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The product: open a document of one package of n entries (read and recalculate).
void BM_OpenOnePackage(benchmark::State& state) {
  const int n = int(state.range(0));
  DocumentFile file(1, n);
  FakeDeviceFactory devices;
  for (auto _ : state) {
    Document read;
    files::readDocument(file.path, read, devices.factory());
    benchmark::DoNotOptimize(read.packages.data());
  }
  setPerEntry(state, n);
}
BENCHMARK(BM_OpenOnePackage)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// "Аппроксимация" of one calibration package of n entries entered in random flow order.
void BM_ApproximateOnePackage(benchmark::State& state) {
  resetApproxState();
  ApprSettings& st = apprSettings();
  st.func = 1;
  const int n = int(state.range(0));
  Package<KeltEntry> p;
  fillKeltEntries(p, n);
  std::shuffle(p.entries().begin(), p.entries().end(), std::mt19937(7));
  const std::vector<KeltEntry> entered = p.entries();
  for (auto _ : state) {
    state.PauseTiming();
    p.entries() = entered;
    state.ResumeTiming();
    p.approximate();
    benchmark::DoNotOptimize(currentLines().data());
  }
  setPerEntry(state, n);
  resetApproxState();
}
BENCHMARK(BM_ApproximateOnePackage)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The large document: 100 packages of 10,000 entries.
DocumentFile& largeDocument() {
  static DocumentFile file(kPackages, kEntries);
  return file;
}

// The least any reader must do: read the file through one reused 1 MB block, fill the entries
// straight from the records at offsets it knows, and recalculate them.
class BlockReader {
 public:
  explicit BlockReader(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), block_(1 << 20) {}
  ~BlockReader() { ::close(fd_); }

  void get(void* to, size_t n) {
    char* out = static_cast<char*>(to);
    while (n > 0) {
      if (at_ == end_) {
        const ssize_t got = ::read(fd_, block_.data(), block_.size());
        if (got <= 0) throw std::runtime_error("short file");
        at_ = 0;
        end_ = size_t(got);
      }
      const size_t take = std::min(n, end_ - at_);
      std::memcpy(out, block_.data() + at_, take);
      at_ += take;
      out += take;
      n -= take;
    }
  }
  template <class T>
  T get() {
    T value;
    get(&value, sizeof value);
    return value;
  }

 private:
  int fd_;
  std::vector<char> block_;
  size_t at_ = 0, end_ = 0;
};

std::vector<std::vector<KeltEntry>> minimalRead(const std::string& path) {
  BlockReader in(path);
  char skip[4 + 4 + 1 + sizeof(DeviceIdentity) + sizeof(ApprSettings)];
  in.get(skip, sizeof skip);
  for (uint32_t lines = in.get<uint32_t>(); lines > 0; --lines) in.get<files::Line>();
  std::vector<std::vector<KeltEntry>> packages(in.get<uint32_t>());
  for (std::vector<KeltEntry>& entries : packages) {
    char header[1 + 1 + sizeof(SystemTime)];
    in.get(header, sizeof header);
    entries.resize(in.get<uint32_t>());
    for (KeltEntry& e : entries) {
      const auto r = in.get<files::KeltEntry>();
      e.temperature = r.temperature;
      e.refVolume = r.refQuantity;
      e.refTime = r.refTime;
      e.pulseTime = r.pulseTime;
      e.pulses1 = r.pulses1;
      e.pulses2 = r.pulses2;
      e.section = r.section;
      e.point = r.point;
      e.switchedOff = r.switchedOff;
    }
    recalcEntries(std::span(entries), mVolume);
  }
  return packages;
}

double cpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void BM_OpenLargeDocumentMinimal(benchmark::State& state) {
  DocumentFile& file = largeDocument();
  FakeDeviceFactory devices;
  // Product and reference alternate within one run and are timed in CPU time, so that a busy
  // neighbour on the shared machine hits both alike.
  std::vector<double> product, minimal;
  auto timeProduct = [&] {
    auto read = std::make_unique<Document>();
    const double t0 = cpuSeconds();
    files::readDocument(file.path, *read, devices.factory());
    benchmark::DoNotOptimize(read->packages.data());
    product.push_back(cpuSeconds() - t0);
  };
  auto timeMinimal = [&] {
    const double t0 = cpuSeconds();
    auto packages = minimalRead(file.path);
    benchmark::DoNotOptimize(packages.data());
    minimal.push_back(cpuSeconds() - t0);
  };
  // Each side frees its data outside its timing, and they take turns at going first, since the
  // second one reuses memory the first has just given back.
  for (auto _ : state) {
    if (product.size() % 2 == 0) {
      timeProduct();
      timeMinimal();
    } else {
      timeMinimal();
      timeProduct();
    }
  }
  std::sort(product.begin(), product.end());
  std::sort(minimal.begin(), minimal.end());
  state.counters["product_ms"] = product[product.size() / 2] * 1000;
  state.counters["minimal_ms"] = minimal[minimal.size() / 2] * 1000;
  state.counters["ratio"] = product[product.size() / 2] / minimal[minimal.size() / 2];
}
BENCHMARK(BM_OpenLargeDocumentMinimal)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

}  // namespace

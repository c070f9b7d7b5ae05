#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <streambuf>
#include <vector>

#include "clijson.h"
#include "core/package/approxstate.h"
#include "core/package/package.h"
#include "core/package/packagecreate.h"
#include "keltentries.h"

// The JSON `tdservice-cli show` writes for a document of one KELT package of n entries: how fast it
// is written, and how much the process grows while writing it (it should not grow with n).

namespace {

// Takes the text as a terminal or a pipe would and keeps only its length.
class CountingBuf : public std::streambuf {
 public:
  CountingBuf() : block_(1 << 16) { setp(block_.data(), block_.data() + block_.size()); }
  long long bytes() const { return counted_ + (pptr() - pbase()); }

 protected:
  int_type overflow(int_type ch) override {
    counted_ += pptr() - pbase();
    setp(block_.data(), block_.data() + block_.size());
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }

 private:
  std::vector<char> block_;
  long long counted_ = 0;
};

long maxRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_ShowJson(benchmark::State& state) {
  resetApproxState();
  currentLines() = {{0.01, 0.001, 50},
                    {0.011, 0.002, 100},
                    {0.012, 0.003, 200},
                    {0.013, 0.004, 400},
                    {0.014, 0.005, 0}};
  const int n = int(state.range(0));
  std::vector<PackagePtr> packages{createPackage(ekKelt, pkCalibration, mVolume)};
  fillKeltEntries(static_cast<Package<KeltEntry>&>(*packages[0]), n);
  packages[0]->recalcAll();
  const nlohmann::json head = {
      {"fileVersion", 5}, {"name", "КЕЛТ"}, {"lines", linesJson(currentLines())}};

  // The document is made before the peak is read, so that only the writing counts. The peak is the
  // process's: a run after a larger one shows no growth, so compare runs made alone or in order of
  // n.
  const long before = maxRssKib();
  long long bytes = 0;
  for (auto _ : state) {
    CountingBuf sink;
    std::ostream out(&sink);
    writeJsonWithPackages(out, head, packages, [](const PackageBase&) { return 0; });
    bytes += sink.bytes();
  }
  state.SetBytesProcessed(bytes);
  state.counters["peak_growth_KiB"] = double(std::max(0L, maxRssKib() - before));
  resetApproxState();
}
BENCHMARK(BM_ShowJson)->Arg(10'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowJson)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

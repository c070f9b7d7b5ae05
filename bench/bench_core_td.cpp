#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/comm/crc16.h"
#include "core/devices/td/tdpanelmodel.h"
#include "core/devices/td/tdprotocol.h"
#include "core/devices/td/tdreadings.h"

namespace {

// Decoding of the longest current-values reply and the texts the panel shows of it: the work of
// every 1.5 s poll.
void BM_TdCurrentValuesPoll(benchmark::State& state) {
  TdFrame frame{};
  const uint8_t head[] = {0x01, 0x41, 0x08, 0x01};
  std::memcpy(frame.data(), head, sizeof head);
  const float sum = 123456.5f;
  const uint16_t count = 17;
  std::memcpy(frame.data() + 4, &sum, 4);
  std::memcpy(frame.data() + 8, &count, 2);
  const uint16_t crc = crc16(frame.data(), 42);
  frame[42] = crc & 0xFF;
  frame[43] = crc >> 8;
  for (auto _ : state) {
    const TdReply reply = tdDecodeReply(frame, 44);
    const TdCurrentView view = tdCurrentView(std::get<TdCurrentValues>(reply.value), false, 1);
    benchmark::DoNotOptimize(view.middleCode.data());
  }
}
BENCHMARK(BM_TdCurrentValuesPoll);

// A readings file of a day of readings at 200 ms (432,000 points), written and read back.
void BM_TdReadingsFile(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  std::vector<double> codes(n), filtered(n);
  TdFilter filter;
  for (size_t i = 0; i < n; ++i) {
    codes[i] = 100000 + static_cast<double>(i % 41) - 20;
    filtered[i] = filter.step(static_cast<float>(codes[i]));
  }
  for (auto _ : state) {
    const std::string text = tdReadingsCsv(codes, filtered);
    const auto points = tdParseReadingsCsv(text);
    benchmark::DoNotOptimize(points.data());
  }
  state.counters["per_point"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}
BENCHMARK(BM_TdReadingsFile)->Arg(432'000)->Unit(benchmark::kMillisecond);

}  // namespace

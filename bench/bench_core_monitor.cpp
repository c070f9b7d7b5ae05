// The exchange monitor's cost on the worker side (a port recording a frame) and on the side that
// reads the frames (decoding a frame into a line).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "core/comm/frametap.h"
#include "core/devices/exchangelines.h"

namespace {

using namespace comprt;

// A TD poll: its request and the 44-byte reply of a meter 3.6.
const std::vector<std::uint8_t> kRequest{0x01, 0x41, 0x08, 0x03, 0x00, 0x00};
const std::vector<std::uint8_t> kReply(44, 0x5A);

// One exchange as the port records it: a request, its reply in two reads, the worker's verdict.
void recordExchange(FrameRecorder& recorder) {
  recorder.sent(kRequest.data(), kRequest.size());
  recorder.received(kReply.data(), 20);
  recorder.received(kReply.data() + 20, kReply.size() - 20);
  endExchange({});
}

// Seconds per frame, shown as e.g. "1.2u" (target: at most 5 µs per frame).
benchmark::Counter perFrame(const benchmark::State& state, int framesPerIteration) {
  return benchmark::Counter(static_cast<double>(state.iterations()) * framesPerIteration,
                            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_RecordFrameListening(benchmark::State& state) {
  FrameListener listening;
  FrameRecorder recorder(FrameFamily::td);
  recorder.setPort("ttyUSB0");
  std::vector<ExchangeFrame> taken;
  std::int64_t exchanges = 0;
  for (auto _ : state) {
    recordExchange(recorder);
    // A listener drains the tap every 100 ms; here every 500 exchanges keeps the ring from
    // always being full, which would time the dropping path only.
    if (++exchanges % 500 == 0) {
      state.PauseTiming();
      taken.clear();
      FrameTap::instance().take(taken);
      state.ResumeTiming();
    }
  }
  state.counters["per_frame"] = perFrame(state, 2);
  state.SetLabel("цель: не более 5 мкс на кадр");
}
BENCHMARK(BM_RecordFrameListening);

// Nobody listens: what every port call costs in the ordinary run.
void BM_RecordFrameNobodyListening(benchmark::State& state) {
  FrameRecorder recorder(FrameFamily::td);
  for (auto _ : state) recordExchange(recorder);
  state.counters["per_frame"] = perFrame(state, 2);
}
BENCHMARK(BM_RecordFrameNobodyListening);

// The reading side: a frame decoded and turned into its text line (the monitor's batch, the
// trace file).
void BM_DecodeFrameToLine(benchmark::State& state) {
  ExchangeFrame request;
  request.port = "ttyUSB0";
  request.family = FrameFamily::td;
  request.bytes = {0x01, 0x41, 0x00, 0x10, 0x50};
  ExchangeFrame reply = request;
  reply.direction = FrameDirection::fromDevice;
  reply.bytes = {0x01, 0x41, 0x00, 0x5A, 0xA5, 0x03, 0x06,
                 0x4E, 0x61, 0xBC, 0x00, 0x06, 0x85, 0x6A};
  reply.latencyUs = 5100;
  ExchangeDecoder decoder;
  for (auto _ : state) {
    benchmark::DoNotOptimize(exchangeTextLine(decoder.decode(request)));
    benchmark::DoNotOptimize(exchangeTextLine(decoder.decode(reply)));
  }
  state.counters["per_frame"] = perFrame(state, 2);
}
BENCHMARK(BM_DecodeFrameToLine);

}  // namespace

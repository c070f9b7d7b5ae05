// The exchange monitor's batch update at 1,000 frames per second: every 100 ms its timer takes
// 100 frames, decodes them, appends them to a history that is already full, and the view paints.
// The whole must stay far below the 100 ms period.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <cstring>

#include "ui/devices/exchangemonitor.h"

namespace {

using namespace comprt;

constexpr int kBatch = 100;

comprt::RawFrame tdReply(std::int64_t timeUs) {
  RawFrame frame;
  frame.timeUs = timeUs;
  frame.latencyUs = 5100;
  frame.family = FrameFamily::td;
  frame.direction = FrameDirection::fromDevice;
  frame.check = FrameCheck::good;
  std::strcpy(frame.port, "ttyUSB0");
  const std::uint8_t bytes[] = {0x01, 0x41, 0x00, 0x5A, 0xA5, 0x03, 0x06,
                                0x4E, 0x61, 0xBC, 0x00, 0x06, 0x85, 0x6A};
  std::memcpy(frame.bytes, bytes, sizeof bytes);
  frame.length = sizeof bytes;
  return frame;
}

void postBatch(std::int64_t& time) {
  for (int i = 0; i < kBatch; ++i) FrameTap::instance().post(tdReply(time += 1000));
}

void BM_MonitorBatchOf100IntoFullHistory(benchmark::State& state) {
  ExchangeMonitor monitor;
  monitor.resize(1200, 600);
  monitor.show();
  std::int64_t time = 0;
  // Fill the history to its limit first: the steady state of a long run.
  for (std::size_t n = 0; n < ExchangeMonitor::kHistoryLimit; n += kBatch) {
    postBatch(time);
    monitor.refresh();
  }
  auto* view = monitor.findChild<QTableView*>("View");
  for (auto _ : state) {
    postBatch(time);
    monitor.refresh();
    // The shown window repaints here, as it does when the event loop runs after the timer.
    QApplication::processEvents();
  }
  state.counters["rows"] = view->model()->rowCount();
  state.SetLabel("период таймера 100 мс");
}
BENCHMARK(BM_MonitorBatchOf100IntoFullHistory)->Unit(benchmark::kMillisecond);

}  // namespace

// The monitor's lines of a real TD exchange: the worker against tdservice-sim.
#include "core/devices/td/tdmonitor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/devices/exchangelines.h"
#include "core/devices/td/tdpanelmodel.h"
#include "core/devices/td/tdthread.h"
#include "support/simprocess.h"
#include "support/workerprobe.h"

namespace {

using comprt::FrameCheck;
using comprt::FrameDirection;

struct SimCase {
  const char* name;
  std::vector<std::string> options;
  FrameCheck replyCheck;
  const char* replyText;  // part of the reply's meaning
  const char* problem;    // part of the reply's reason
};

const SimCase kSimCases[] = {
    {"GoodReply", {}, FrameCheck::good, "версия 3.6, заводской номер 12345678", ""},
    {"BadCrc", {"--bad-crc"}, FrameCheck::bad, "системные параметры", "CRC"},
    {"Silent", {"--silent"}, FrameCheck::bad, "нет ответа", "Прибор не отвечает"},
};

class TdMonitorLines : public ::testing::TestWithParam<SimCase> {
 protected:
  // Reads the system parameters with the monitor listening and returns its lines.
  std::vector<ExchangeLine> readSystem() {
    std::vector<std::string> args{"td", "--version=3.6", "--serial=12345678"};
    for (const auto& option : GetParam().options) args.push_back(option);
    SimProcess sim(args);
    comprt::ComPort::ComList::install({sim.path()});
    comprt::FrameListener listening;
    std::vector<comprt::ExchangeFrame> stale;
    comprt::FrameTap::instance().take(stale);
    {
      TDx2Thread thread(std::chrono::milliseconds(10));
      WorkerProbe<TDx2Thread> probe(thread);
      const TdRequest open = tdOpenRequest(1, 9600);
      EXPECT_EQ(probe.run(open.type, open.common).word, 1);
      const TdRequest read = tdReadRequest(1, TF_SYSTEM);
      probe.run(read.type, read.common, *tdQueueFlags(read.type, 0));
    }
    std::vector<comprt::ExchangeFrame> frames;
    EXPECT_EQ(comprt::FrameTap::instance().take(frames), 0u);
    ExchangeDecoder decoder;
    std::vector<ExchangeLine> lines;
    for (auto& frame : frames) lines.push_back(decoder.decode(std::move(frame)));
    return lines;
  }
};

TEST_P(TdMonitorLines, ShowTheRequestAndTheReplyWithItsCheck) {
  const SimCase& c = GetParam();
  const std::vector<ExchangeLine> lines = readSystem();
  ASSERT_EQ(lines.size(), 2u);
  const ExchangeLine& request = lines[0];
  EXPECT_EQ(request.frame.direction, FrameDirection::toDevice);
  EXPECT_EQ(exchangeColumnText(request, EC_BYTES), "01 41 00 10 50");
  EXPECT_EQ(request.meaning.text, "A 0 системные параметры, адрес 1");
  EXPECT_EQ(exchangeColumnText(request, EC_CHECK), "норма");

  const ExchangeLine& reply = lines[1];
  EXPECT_EQ(reply.frame.direction, FrameDirection::fromDevice);
  EXPECT_EQ(exchangeColumnText(reply, EC_FAMILY), "ТД");
  EXPECT_NE(reply.meaning.text.find(c.replyText), std::string::npos) << reply.meaning.text;
  EXPECT_EQ(reply.meaning.check, c.replyCheck);
  EXPECT_NE(reply.meaning.problem.find(c.problem), std::string::npos) << reply.meaning.problem;
  EXPECT_GE(reply.frame.latencyUs, 0);
  EXPECT_GE(reply.frame.timeUs, request.frame.timeUs);
}

INSTANTIATE_TEST_SUITE_P(Simulator, TdMonitorLines, ::testing::ValuesIn(kSimCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

#include "core/devices/td/tdthread.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/devices/td/tddocblock.h"
#include "core/devices/td/tdpanelmodel.h"
#include "support/simprocess.h"
#include "support/workerprobe.h"
#include "support/writecheckprint.h"

namespace {

using comprt::ComPort;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Messages = std::vector<std::string>;

constexpr milliseconds kSettle(30);

// The worker against tdservice-sim: each command is pushed, its notification awaited, and its
// slot consumed as the panel would.
class TdThreadTest : public ::testing::Test {
 protected:
  struct Outcome {
    int word = -1;
    TDx2Common data;
    std::string message;
    std::vector<int> indicators;  // QM_INDICATOR words sent while the command ran
    milliseconds took{0};
  };

  // Starts a simulated meter with the given options and opens the port to it.
  void attach(std::vector<std::string> options, int baudRate = 9600) {
    options.insert(options.begin(), "td");
    sim_ = std::make_unique<SimProcess>(options);
    ComPort::ComList::install({sim_->path()});
    const Outcome opened = run(tdOpenRequest(1, baudRate));
    ASSERT_EQ(opened.word, 1) << opened.message;
  }

  Outcome run(const TdRequest& request) {
    const auto start = Clock::now();
    thread_.nextItem().data = request.common;
    thread_.push(request.type, *tdQueueFlags(request.type, 0));
    const auto result = probe_.await();
    const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    return {result.word, result.item.data, result.item.message, result.indicators, took};
  }

  // Runs an exchange that must succeed and decodes its reply.
  TdReply exchange(const TdRequest& request) {
    const Outcome out = run(request);
    EXPECT_EQ(out.word, 1) << out.message;
    return tdDecodeReply(out.data);
  }

  std::unique_ptr<SimProcess> sim_;
  TDx2Thread thread_{kSettle};
  WorkerProbe<TDx2Thread> probe_{thread_};
};

TEST_F(TdThreadTest, OpensTheLineAtTheChosenSpeedAndSettles) {
  sim_ = std::make_unique<SimProcess>(std::vector<std::string>{"td"});
  ComPort::ComList::install({sim_->path()});
  const Outcome opened = run(tdOpenRequest(1, 4800));
  ASSERT_EQ(opened.word, 1) << opened.message;
  EXPECT_GE(opened.took, kSettle);
  EXPECT_TRUE(opened.indicators.empty());

  const termios tio = lineSettings(sim_->path());
  EXPECT_EQ(cfgetospeed(&tio), B4800);
  EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
}

TEST_F(TdThreadTest, ReadsTheSystemParametersWithTransmitAndReceiveIndicators) {
  attach({"--version=3.6", "--serial=87654321", "--du=9"});
  const Outcome out = run(tdReadRequest(0, TF_SYSTEM));
  ASSERT_EQ(out.word, 1) << out.message;
  EXPECT_EQ(out.data.replyLength, 14);
  EXPECT_EQ(out.indicators, (std::vector<int>{1, 0}));
  const TdReply reply = tdDecodeReply(out.data);
  EXPECT_EQ(reply.messages, Messages{"Системные параметры считаны"});
  const auto& p = std::get<TdSystemParameters>(reply.value);
  EXPECT_EQ(tdVersionText(p.major, p.minor), "3.6");
  EXPECT_EQ(p.serial, 87654321u);
  EXPECT_EQ(p.diameterIndex, 9);
}

TEST_F(TdThreadTest, ExchangesArePacedByTheRequestLength) {
  attach({});
  // A millisecond per request byte before the reply is read, 20 ms after it.
  TdCoefficients block;
  const Outcome out = run(tdWriteCoefficients(0, false, block));
  ASSERT_EQ(out.word, 1) << out.message;
  EXPECT_GE(out.took, milliseconds(69 + 20));
  EXPECT_LT(out.took, milliseconds(3000));
}

TEST_F(TdThreadTest, CoefficientsWrittenAreReadBack) {
  attach({"--version=3.5"});
  TdCoefficients direct;
  direct.rows[0] = {1.25e-5f, -0.5f, 40000};
  direct.rows[1] = {1.5e-5f, 0.25f, kTdLastThreshold};
  direct.gmax = 60;
  direct.gpor = 0.06f;
  TdCoefficients reverse;
  reverse.rows[0] = {2e-5f, 1, kTdLastThreshold};
  EXPECT_EQ(exchange(tdWriteCoefficients(0, false, direct)).messages,
            Messages{"Калибровочные коэффициенты установлены"});
  EXPECT_EQ(exchange(tdWriteCoefficients(0, true, reverse)).messages,
            Messages{"Реверсивные калибровочные коэффициенты установлены"});

  for (bool isReverse : {false, true}) {
    SCOPED_TRACE(isReverse ? "reverse" : "direct");
    const TdReply reply =
        exchange(tdReadRequest(0, isReverse ? TF_REVERSE_COEFFICIENTS : TF_COEFFICIENTS));
    const auto& read = std::get<TdCoefficientsRead>(reply.value);
    const TdCoefficients& written = isReverse ? reverse : direct;
    EXPECT_EQ(read.reverse, isReverse);
    EXPECT_EQ(tdEncodeCoefficients(read.block), tdEncodeCoefficients(written));
  }
}

// An acknowledged write of a table, the outputs or the integrator is read back in the same item.
TEST_F(TdThreadTest, AWriteIsReadBackAndCompared) {
  TdCoefficients direct;
  direct.rows[0] = {1.25e-5f, -0.5f, 40000};
  direct.gmax = 60;
  const TdOutputs outputs{0.001f, 10, 1};
  const struct {
    const char* name;
    std::vector<std::string> options;
    TdRequest request;
    WriteCheckResult result;
    std::vector<WriteCheckField> fields;
    const char* reason;
  } cases[] = {
      {"direct table",
       {},
       tdWriteCoefficients(0, false, direct),
       WriteCheckResult::verified,
       {},
       ""},
      {"reverse table",
       {"--version=3.5"},
       tdWriteCoefficients(0, true, direct),
       WriteCheckResult::verified,
       {},
       ""},
      {"outputs", {}, tdWriteOutputs(0, outputs), WriteCheckResult::verified, {}, ""},
      {"integrator", {}, tdWriteIntegrator(0, 12), WriteCheckResult::verified, {}, ""},
      // The lowest mantissa byte of A1 one up: the next single-precision number.
      {"A1 kept off",
       {"--keep-wrong=0"},
       tdWriteCoefficients(0, false, direct),
       WriteCheckResult::mismatch,
       {{"A1", "1.25e-05", "1.2500001e-05"}},
       ""},
      {"row code kept off",
       {"--keep-wrong=8"},
       tdWriteCoefficients(0, false, direct),
       WriteCheckResult::mismatch,
       {{"Код строки 1", "40000", "40001"}},
       ""},
      {"pulse length kept off",
       {"--keep-wrong=4"},
       tdWriteOutputs(0, outputs),
       WriteCheckResult::mismatch,
       {{"Длительность импульса, шагов 0,8 мс", "10", "11"}},
       ""},
      {"integrator kept off",
       {"--keep-wrong=0"},
       tdWriteIntegrator(0, 12),
       WriteCheckResult::mismatch,
       {{"Интегратор расхода", "12", "13"}},
       ""},
      {"silent after the write",
       {"--silent-after=1"},
       tdWriteCoefficients(0, false, direct),
       WriteCheckResult::unconfirmed,
       {},
       "Прибор не отвечает"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    attach(c.options);
    const Outcome out = run(c.request);
    ASSERT_EQ(out.word, 1) << out.message;
    ASSERT_TRUE(out.data.check);
    EXPECT_EQ(out.data.check->result, c.result);
    EXPECT_EQ(out.data.check->fields, c.fields);
    EXPECT_EQ(out.data.check->reason, c.reason);
  }
}

// Nothing is read back after a write the meter refused, after a write that cannot be read, or
// after the network address, which changes the address the read would go to.
TEST_F(TdThreadTest, OnlyAcknowledgedReadableWritesAreReadBack) {
  const struct {
    const char* name;
    std::vector<std::string> options;
    TdRequest request;
  } cases[] = {
      {"refused", {"--error=3", "--error-function=2"}, tdWriteCoefficients(0, false, {})},
      {"start-stop", {}, tdWriteStartStop(0, 3, 5)},
      {"network address", {}, tdWriteNetAddress(0, 9)},
      {"read", {}, tdReadRequest(0, TF_COEFFICIENTS)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    attach(c.options);
    const Outcome out = run(c.request);
    ASSERT_EQ(out.word, 1) << out.message;
    EXPECT_FALSE(out.data.check);
  }
}

TEST_F(TdThreadTest, MeanderWeightIsHalvedOnTheWayOutAndDoubledOnTheWayBack) {
  attach({"--version=3.6"});
  TdOutputsFields fields;
  fields.weightText = "0,002";
  fields.meander = true;
  fields.cardPosition = 1;
  fields.reversePosition = 2;
  const TdOutputs sent = tdStrictOutputs(fields, 3, 6);
  EXPECT_EQ(exchange(tdWriteOutputs(0, sent)).messages,
            Messages{"Параметры внешних выходов установлены"});
  const TdReply reply = exchange(tdReadRequest(0, TF_OUTPUTS));
  const auto& outputs = std::get<TdOutputs>(reply.value);
  EXPECT_EQ(outputs.weight, 0.001f);
  EXPECT_EQ(outputs.pulseLength, 0);
  const TdOutputsView view = tdOutputsView(outputs, 3);
  EXPECT_EQ(view.weightText, "0.002");
  EXPECT_TRUE(view.meander);
  EXPECT_EQ(view.cardPosition, 1);
  EXPECT_EQ(view.reversePosition, 2);
}

TEST_F(TdThreadTest, TheCurrentValuesPollFollowsTheVersion) {
  const struct {
    const char* version;
    uint8_t minor;
    bool noise;
    bool totals;
  } cases[] = {{"--version=2.1", 1, false, false},
               {"--version=2.2", 2, true, false},
               {"--version=3.6", 6, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    attach({c.version, "--code=5000", "--jitter=0", "--uptime=3600"});
    const Outcome out = run(tdPollCurrent(0, c.minor));
    ASSERT_EQ(out.word, 1) << out.message;
    EXPECT_EQ(out.data.replyLength, tdVersionTraits(3, c.minor).pollLength + 5);
    const auto v = std::get<TdCurrentValues>(tdDecodeReply(out.data).value);
    EXPECT_EQ(v.count, 1);
    EXPECT_EQ(v.codeSum, 5000.0f);
    EXPECT_EQ(v.noiseSum.has_value(), c.noise);
    ASSERT_EQ(v.totals.has_value(), c.totals);
    if (c.totals) {
      EXPECT_GE(v.totals->operatingTime, 3600u);
    }
  }
}

TEST_F(TdThreadTest, ReadingsVaryAroundTheCode) {
  attach({"--code=-100000", "--jitter=20"});
  for (int i = 0; i < 5; ++i) {
    const auto reading = std::get<TdReading>(exchange(tdReadRequest(0, TF_READING)).value);
    EXPECT_GE(reading.code, -100020);
    EXPECT_LE(reading.code, -99980);
  }
  EXPECT_EQ(exchange(tdClearCurrent(0)).messages, Messages{"Текущие параметры обнулены"});
  const auto cleared = std::get<TdCurrentValues>(exchange(tdPollCurrent(0, 6)).value);
  EXPECT_EQ(cleared.count, 1);  // only the poll's own measurement
}

TEST_F(TdThreadTest, SettingsOfTheMeterAreWrittenAndReadBack) {
  attach({"--address=7"});
  EXPECT_EQ(std::get<TdNetAddress>(exchange(tdReadRequest(7, TF_NET_ADDRESS)).value).value, 7);
  EXPECT_EQ(exchange(tdWriteIntegrator(7, 12)).messages, Messages{"Интегратор расхода установлен"});
  EXPECT_EQ(std::get<TdIntegrator>(exchange(tdReadRequest(0, TF_INTEGRATOR)).value).value, 12);
  EXPECT_EQ(exchange(tdWriteStartStop(0, 3, 5)).messages,
            Messages{"Параметры сигнала старт-стоп установлены"});
  const TdReply status = exchange(tdToggleLamp(0, TL_POUR, false));
  EXPECT_EQ(status.messages, Messages{"Регистр статуса обновлен"});
  EXPECT_TRUE(tdStatusLamps(std::get<TdStatusByte>(status.value).status)[TL_POUR]);
  EXPECT_EQ(exchange(tdWriteNetAddress(0, 9)).messages, Messages{"Сетевой адрес установлен"});
  EXPECT_EQ(std::get<TdNetAddress>(exchange(tdReadRequest(9, TF_NET_ADDRESS)).value).value, 9);

  // A meter does not answer another address.
  const Outcome other = run(tdReadRequest(7, TF_NET_ADDRESS));
  EXPECT_EQ(other.word, 0);
  EXPECT_EQ(other.message, "Прибор не отвечает");
  EXPECT_EQ(other.indicators, std::vector<int>{1});
}

TEST_F(TdThreadTest, TheMetersRefusalsAndLineFaults) {
  const struct {
    std::vector<std::string> options;
    TdRequest request;
    int word;
    const char* failure;
    Messages messages;
  } cases[] = {
      {{"--silent"}, tdReadRequest(0, TF_SYSTEM), 0, "Прибор не отвечает", {}},
      {{"--error=6"}, tdReadRequest(0, TF_SYSTEM), 1, "", {"Устройство занято"}},
      {{"--error=7", "--error-function=5"},
       tdWriteNetAddress(0, 3),
       1,
       "",
       {"Доступ к регистру закрыт"}},
      {{"--bad-crc"}, tdReadRequest(0, TF_SYSTEM), 1, "", {}},
      {{"--version=3.4"},
       tdReadRequest(0, TF_REVERSE_COEFFICIENTS),
       1,
       "",
       {"Недопустимый(неподдерживаемый) номер функции"}},
      {{"--version=4.0"},
       tdReadRequest(0, TF_SYSTEM),
       1,
       "",
       {"Неизвестная версия прибора", "Системные параметры считаны"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options.front());
    attach(c.options);
    const Outcome out = run(c.request);
    EXPECT_EQ(out.word, c.word);
    EXPECT_EQ(out.message, c.failure);
    if (out.word == 1) {
      EXPECT_EQ(tdDecodeReply(out.data).messages, c.messages);
    }
  }
}

TEST_F(TdThreadTest, ASlowLineGetsALongerReplyWindow) {
  // 3 ms a byte: the 69-byte reply takes longer than the 100 ms a 9600-baud line allows, well
  // within what a 1200-baud line does.
  attach({"--delay=3"}, 9600);
  const Outcome cut = run(tdReadRequest(0, TF_COEFFICIENTS));
  ASSERT_EQ(cut.word, 1) << cut.message;
  EXPECT_LT(cut.data.replyLength, 69);
  EXPECT_TRUE(tdDecodeReply(cut.data).messages.empty());

  attach({"--delay=3"}, 1200);
  const Outcome out = run(tdReadRequest(0, TF_COEFFICIENTS));
  ASSERT_EQ(out.word, 1) << out.message;
  EXPECT_EQ(out.data.replyLength, 69);
  EXPECT_TRUE(std::holds_alternative<TdCoefficientsRead>(tdDecodeReply(out.data).value));

  EXPECT_EQ(tdReplyWindowMs(9600, 5, 69), 100u);
  EXPECT_EQ(tdReplyWindowMs(19200, 5, 69), 100u);
  EXPECT_EQ(tdReplyWindowMs(1200, 5, 69), 100u + 540u);
}

TEST_F(TdThreadTest, WithoutAnOpenPortNothingIsExchanged) {
  attach({});
  const Outcome none = run(tdOpenRequest(0, 9600));
  EXPECT_EQ(none.word, 0);
  EXPECT_EQ(none.message, "COM-порт не открыт");
  const Outcome closedRead = run(tdReadRequest(0, TF_SYSTEM));
  EXPECT_EQ(closedRead.message, "COM-порт не открыт");
  EXPECT_TRUE(closedRead.indicators.empty());

  attach({});
  EXPECT_EQ(run(tdCloseRequest()).word, 1);
  EXPECT_EQ(run(tdReadRequest(0, TF_SYSTEM)).message, "COM-порт не открыт");
  const Outcome unknown = run({TDx2Common{}, static_cast<TdCommand>(9)});
  EXPECT_EQ(unknown.word, 1);
}

}  // namespace

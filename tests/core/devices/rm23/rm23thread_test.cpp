#include "core/devices/rm23/rm23thread.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/devices/rm23/rm23panelmodel.h"
#include "core/package/package.h"
#include "support/simprocess.h"
#include "support/workerprobe.h"

namespace {

using comprt::ComPort;
using Clock = std::chrono::steady_clock;
using Item = QueueThread<SpprCommon>::QueueItem;

// The worker against tdservice-sim: items are pushed as the dialog pushes them, and each
// notification is awaited and its slot consumed as the dialog would.
class SpprThreadTest : public ::testing::Test {
 protected:
  struct Outcome {
    int word = -1;
    Item item;
  };

  // Starts a simulated instrument with the given options and opens the port to it.
  void attach(std::vector<std::string> options) {
    options.insert(options.begin(), "rm23");
    sim_ = std::make_unique<SimProcess>(options);
    ComPort::ComList::install({sim_->path()});
    ASSERT_EQ(run(spprOpenCommand(1)).word, 1);
  }

  std::vector<Outcome> runAll(const std::vector<SpprPush>& items) {
    for (const SpprPush& p : items) {
      thread_.nextItem().data = p.data;
      thread_.push(p.type, p.flags);
    }
    std::vector<Outcome> outcomes;
    for (size_t i = 0; i < items.size(); ++i) {
      auto result = probe_.await();
      outcomes.push_back({result.word, std::move(result.item)});
    }
    return outcomes;
  }

  Outcome run(const SpprPush& item) { return runAll({item}).front(); }

  static SpprPush exchange(uint8_t command) {
    SpprCommon data;
    data.command = command;
    return {SPPR_EXCHANGE, 0, data};
  }

  // Runs the items and hands each result to the session, as the dialog's handler does.
  std::vector<SpprReaction> apply(const std::vector<SpprPush>& items, int input1, int input2) {
    std::vector<SpprReaction> reactions;
    for (const Outcome& o : runAll(items))
      reactions.push_back(session_.finished(o.item, o.word == 1, input1, input2, '.'));
    return reactions;
  }

  // Polls every 100 ms until a poll reports the measurement complete; false after the deadline.
  bool pollUntilComplete(int input1, int input2) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
      if (apply({spprPollCommand()}, input1, input2).front().stopNow) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  std::unique_ptr<SimProcess> sim_;
  SpprSession session_;
  SpprThread thread_;
  WorkerProbe<SpprThread> probe_{thread_};
};

TEST_F(SpprThreadTest, OpensTheLineAt9600BaudWithOneStopBit) {
  attach({});
  const termios tio = lineSettings(sim_->path());
  EXPECT_EQ(cfgetospeed(&tio), B9600);
  EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
}

TEST_F(SpprThreadTest, TemperatureOfBothSensorTypes) {
  attach({"--temp=20,37.5"});  // as a Pt-100 (W=1,385) shows them
  SpprCommon data;
  data.command = SPPR_TEMPERATURE;
  data.sensor = 1;
  auto got = run({SPPR_EXCHANGE, 0, data});
  ASSERT_EQ(got.word, 1) << got.item.message;
  EXPECT_NEAR(got.item.data.t1, 20, 0.01);
  EXPECT_NEAR(got.item.data.t2, 37.5, 0.01);
  const double x1 = got.item.data.x1;

  data.sensor = 0;
  got = run({SPPR_EXCHANGE, 0, data});
  ASSERT_EQ(got.word, 1) << got.item.message;
  EXPECT_EQ(got.item.data.x1, x1);
  EXPECT_DOUBLE_EQ(got.item.data.t1, spprTemperature(x1, 0));
  EXPECT_NEAR(got.item.data.t1, 19.7, 0.1);  // the other type reads the same ratio lower
}

// From "Старт" to completion as the dialog runs it, then "Добавить в пакет".
TEST_F(SpprThreadTest, MeasurementsRunToCompletionAndMakeOneEntry) {
  SpprStartSettings timed;
  timed.time = 0.5;
  timed.tempChannel = 0;
  timed.sensor = 1;
  SpprStartSettings pulses;  // input 2 pulses at 50 Hz: the 26th pulse comes after 0.5 s
  pulses.mode = 1;
  pulses.pulses = 26;
  pulses.pulseInput = 1;
  pulses.tempChannel = kSpprNoThermometer;
  const struct {
    const char* what;
    SpprStartSettings settings;
    int input1, input2;
    SpprReadings want;
    std::optional<double> measured;  // temperature; none: no temperature command was sent
  } cases[] = {
      {"time stop", timed, 1, 3, {0.5, 0.5, 51, 11}, 20},
      {"pulse stop", pulses, 2, 1, {0.5, 0.5, 26, 51}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    attach({"--freq=100,50,20,10", "--temp=20,30"});
    session_ = SpprSession();
    const auto started = Clock::now();
    for (const auto& r : apply(session_.start(c.settings), c.input1, c.input2))
      EXPECT_EQ(r.log, "");
    ASSERT_TRUE(session_.measuring());

    ASSERT_TRUE(pollUntilComplete(c.input1, c.input2));
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(500));
    for (const auto& r :
         apply(spprStopCommands(c.settings.tempChannel, c.settings.sensor), c.input1, c.input2))
      EXPECT_EQ(r.log, "");
    EXPECT_FALSE(session_.measuring());
    const auto after = apply({spprPollCommand()}, c.input1, c.input2).front();
    EXPECT_FALSE(after.stopNow);  // stopped once
    EXPECT_FALSE(session_.measuring());

    ASSERT_EQ(session_.temperature().has_value(), c.measured.has_value());
    if (c.measured) {
      EXPECT_NEAR(*session_.temperature(), *c.measured, 0.01);
    }
    const double typed = 18.5;
    Package<ZorbEntry> package;
    const int row =
        spprAddToPackage(package, session_.readings(), session_.temperature().value_or(typed), 100);
    ASSERT_EQ(package.entryCount(), 1);
    const ZorbEntry& e = package.entries()[row];
    EXPECT_DOUBLE_EQ(e.refTime, c.want.refTime);
    EXPECT_DOUBLE_EQ(e.pulseTime, c.want.time1);
    EXPECT_EQ(e.pulses1, c.want.pulses1);
    EXPECT_EQ(e.pulses2, c.want.pulses2);
    EXPECT_NEAR(e.temperature, c.measured.value_or(typed), 0.01);
    EXPECT_EQ(e.refVolume, 100);
  }
}

TEST_F(SpprThreadTest, StartStopModeWaitsForItsExternalStart) {
  attach({"--run=4000"});
  SpprStartSettings settings;
  settings.mode = 3;
  settings.tempChannel = kSpprNoThermometer;
  apply(session_.start(settings), 1, 2);
  const auto waiting = run(spprPollCommand());
  ASSERT_EQ(waiting.word, 1) << waiting.item.message;
  EXPECT_EQ(waiting.item.data.state, kSpprStateNoResults);
  EXPECT_TRUE(session_.finished(waiting.item, true, 1, 2, '.').voltage == std::nullopt);
  EXPECT_TRUE(session_.measuring());

  apply(spprStopCommands(kSpprNoThermometer, 0), 1, 2);
  EXPECT_FALSE(session_.measuring());
  EXPECT_EQ(run(spprPollCommand()).item.data.state, kSpprStateStopped);
}

TEST_F(SpprThreadTest, AFailedTemperatureSkipsTheStartQueuedAfterIt) {
  attach({"--uncalibrated"});
  SpprStartSettings settings;
  settings.time = 0.2;
  const auto outcomes = runAll(session_.start(settings));
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0].word, 0);
  EXPECT_EQ(outcomes[0].item.message, "АЦП РМ не откалиброван");
  EXPECT_EQ(outcomes[1].word, 1);
  EXPECT_EQ(outcomes[1].item.type, -1);
  const auto poll = run(spprPollCommand());
  ASSERT_EQ(poll.word, 1) << poll.item.message;
  EXPECT_EQ(poll.item.data.state, kSpprStateStopped);  // never started
}

TEST_F(SpprThreadTest, LineFaultsBecomeTheSlotsMessage) {
  SpprCommon zeroTime;
  zeroTime.command = SPPR_TIME_STOP;
  const struct {
    const char* option;
    SpprPush item;
    const char* message;
  } cases[] = {
      {"--silent", spprPollCommand(), "Прибор не отвечает"},
      {"--type=2", exchange(SPPR_STOP), "Неподдерживаемый тип РМ"},
      {"--bad-sum=id", exchange(SPPR_STOP), "Ошибка контрольной суммы"},
      {"--bad-sum=adc", exchange(SPPR_TEMPERATURE), "Ошибка контрольной суммы"},
      {"--bad-sum=status", exchange(SPPR_STATUS), "Ошибка контрольной суммы"},
      {"--bad-echo", exchange(SPPR_START_STOP2), "Ошибка обмена"},
      {"--bad-echo", exchange(SPPR_TEMPERATURE), "Ошибка обмена"},
      {"--bad-state", exchange(SPPR_STATUS), "Ошибка обмена"},
      {"--uncalibrated", exchange(SPPR_TEMPERATURE), "АЦП РМ не откалиброван"},
      {"", {SPPR_EXCHANGE, 0, zeroTime}, "Недопустимая длительность измерения"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + std::to_string(c.item.data.command));
    attach(*c.option ? std::vector<std::string>{c.option} : std::vector<std::string>{});
    const auto got = run(c.item);
    EXPECT_EQ(got.word, 0);
    EXPECT_EQ(got.item.message, c.message);
  }
}

TEST_F(SpprThreadTest, PortIndexZeroClosesTheLine) {
  attach({});
  EXPECT_EQ(run(spprOpenCommand(0)).word, 1);
  const auto got = run(spprPollCommand());
  EXPECT_EQ(got.word, 0);
  EXPECT_EQ(got.item.message, "COM-порт не открыт");
}

}  // namespace

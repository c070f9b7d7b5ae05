#include "core/devices/rm23/rm23panelmodel.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/devices/rm23/rm23thread.h"
#include "core/package/package.h"

namespace {

using Item = QueueThread<SpprCommon>::QueueItem;

TEST(SpprSession, VoltageTextAndColour) {
  const struct {
    int code;
    char sep;
    const char* text;
    bool low;
  } cases[] = {
      {16, ',', "6,19 В", true},   {17, ',', "6,58 В", false}, {17, '.', "6.58 В", false},
      {31, ',', "12,00 В", false}, {0, ',', "0,00 В", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const SpprVoltage v = spprVoltage(c.code, c.sep);
    EXPECT_EQ(v.text, c.text);
    EXPECT_EQ(v.low, c.low);
  }
}

TEST(SpprSession, ChoiceListsAndCaptions) {
  EXPECT_EQ(spprInputChoices(3), (std::vector<int>{1, 2, 4}));
  EXPECT_EQ(spprInputChoices(2), (std::vector<int>{1, 3, 4}));  // the first list at start
  EXPECT_EQ(spprInputChoices(1), (std::vector<int>{2, 3, 4}));  // the second list at start

  // Mode list positions send 0, 3, 1, 2.
  const uint8_t commands[] = {0, 3, 1, 2};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(spprModes()[i].command, commands[i]);
  EXPECT_EQ(spprModes()[1].criterion, SpprCriterion::pulses);

  EXPECT_STREQ(spprVolMassCaption(mVolume), "Vэт, л:");
  EXPECT_STREQ(spprVolMassCaption(mMass), "Mэт, кг:");
  EXPECT_STREQ(spprVolMassCaption(mReference), "gэт, м3/ч:");

  const SpprReadingTexts t = spprReadingTexts({12.3456, 0.5, 51, 11}, ',');
  EXPECT_EQ(t.refTime, "12,346");
  EXPECT_EQ(t.time1, "0,500");
  EXPECT_EQ(t.pulses1, "51");
  EXPECT_EQ(t.pulses2, "11");
}

TEST(SpprSession, ControlsFollowBusyMeasuringPackageAndResult) {
  const struct {
    bool busy, measuring, package, result;
    SpprControls want;
  } cases[] = {
      {true, false, true, true, {false, false, false, false}},
      {false, false, false, true, {true, true, false, false}},
      {false, false, true, true, {true, true, false, true}},
      {false, false, true, false, {true, true, false, false}},  // no run finished, or taken
      {false, true, true, true, {false, false, true, false}},
  };
  for (const auto& c : cases) {
    const SpprControls got = spprControls(c.busy, c.measuring, c.package, c.result);
    EXPECT_EQ(got.port, c.want.port);
    EXPECT_EQ(got.start, c.want.start);
    EXPECT_EQ(got.stop, c.want.stop);
    EXPECT_EQ(got.toPackage, c.want.toPackage);
  }
}

TEST(SpprSession, StartAndStopPushTheTemperatureFirstAndMakeTheRestDependOnIt) {
  SpprSession session;
  SpprStartSettings pulses;
  pulses.mode = 1;
  pulses.pulses = 1000;
  pulses.pulseInput = 2;
  pulses.tempChannel = 1;
  pulses.sensor = 1;
  auto items = session.start(pulses);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].type, SPPR_EXCHANGE);
  EXPECT_EQ(items[0].flags, 0u);
  EXPECT_EQ(items[0].data.command, SPPR_TEMPERATURE);
  EXPECT_EQ(items[0].data.sensor, 1);
  EXPECT_EQ(items[0].data.tempChannel, 1);
  EXPECT_EQ(items[1].flags, 0x10101u);
  EXPECT_EQ(items[1].data.command, SPPR_PULSE_STOP);
  EXPECT_EQ(items[1].data.pulses, 1000);
  EXPECT_EQ(items[1].data.input, 2);

  // No thermometer: the start alone, not conditional on whatever ran before it.
  SpprStartSettings timed;
  timed.time = 0.5;
  timed.tempChannel = kSpprNoThermometer;
  items = session.start(timed);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].flags, 0u);
  EXPECT_EQ(items[0].data.command, SPPR_TIME_STOP);
  EXPECT_EQ(items[0].data.time, 0.5);

  items = spprStopCommands(0, 0);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].data.command, SPPR_TEMPERATURE);
  EXPECT_EQ(items[1].data.command, SPPR_STOP);
  EXPECT_EQ(items[1].flags, 0x10101u);
  items = spprStopCommands(kSpprNoThermometer, 0);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].data.command, SPPR_STOP);
  EXPECT_EQ(items[0].flags, 0u);

  EXPECT_EQ(spprPollCommand().flags, 0x60000u);
  EXPECT_EQ(spprPollCommand().data.command, SPPR_STATUS);
  EXPECT_EQ(spprOpenCommand(3).type, SPPR_OPEN);
  EXPECT_EQ(spprOpenCommand(3).data.port, 3);
}

// A finished item as the worker leaves it.
Item finishedItem(int32_t type, const SpprCommon& data, const std::string& message = "") {
  Item item;
  item.type = type;
  item.data = data;
  item.message = message;
  return item;
}

SpprCommon temperatureReply(uint8_t channel, double t1, double t2) {
  SpprCommon data;
  data.command = SPPR_TEMPERATURE;
  data.tempChannel = channel;
  data.t1 = t1;
  data.t2 = t2;
  return data;
}

TEST(SpprSession, TemperatureIsAveragedSinceTheLastStart) {
  SpprSession session;
  EXPECT_FALSE(session.temperature());
  const double values[][2] = {{20, 20}, {22, 21}, {25, 23}};  // new value, shown temperature
  for (const auto& v : values) {
    const auto r = session.finished(finishedItem(SPPR_EXCHANGE, temperatureReply(0, v[0], 99)),
                                    true, 1, 2, '.');
    EXPECT_TRUE(r.temperatureChanged);
    EXPECT_DOUBLE_EQ(*session.temperature(), v[1]);
  }
  SpprStartSettings settings;
  session.start(settings);
  EXPECT_DOUBLE_EQ(*session.temperature(), 23);  // still shown until the next value
  session.finished(finishedItem(SPPR_EXCHANGE, temperatureReply(1, 99, 30)), true, 1, 2, '.');
  EXPECT_DOUBLE_EQ(*session.temperature(), 30);  // channel 2, not averaged with the old run

  // A start that is refused changes nothing.
  settings.time = 0;
  EXPECT_THROW(session.start(settings), MessageError);
  session.finished(finishedItem(SPPR_EXCHANGE, temperatureReply(1, 99, 40)), true, 1, 2, '.');
  EXPECT_DOUBLE_EQ(*session.temperature(), 35);
}

SpprCommon statusReply(uint8_t command, uint8_t state, uint8_t flags = 17) {
  SpprCommon data;
  data.command = command;
  data.state = state;
  data.flags = flags;
  data.refTime = 5;
  data.inputTime = {1.5, 2.5, 3.5, 4.5};
  data.inputPulses = {10, 20, 30, 40};
  return data;
}

TEST(SpprSession, StatusRepliesDriveMeasuringReadingsAndTheAutomaticStop) {
  SpprSession session;
  auto step = [&](const SpprCommon& data) {
    return session.finished(finishedItem(SPPR_EXCHANGE, data), true, 3, 2, ',');
  };

  SpprCommon start;
  start.command = SPPR_START_STOP1;
  EXPECT_TRUE(step(start).restartTimer);
  EXPECT_TRUE(session.measuring());

  // Waiting for the external start: no results and no voltage to show.
  auto r = step(statusReply(SPPR_STATUS, 4));
  EXPECT_TRUE(session.measuring());
  EXPECT_FALSE(r.voltage);
  EXPECT_FALSE(r.readingsChanged);

  r = step(statusReply(SPPR_STATUS, 1, 16));
  ASSERT_TRUE(r.voltage);
  EXPECT_EQ(r.voltage->text, "6,19 В");
  EXPECT_TRUE(r.readingsChanged);
  EXPECT_FALSE(r.stopNow);
  EXPECT_TRUE(session.measuring());
  // Inputs 3 (N1, T1) and 2 (N2).
  EXPECT_DOUBLE_EQ(session.readings().refTime, 5);
  EXPECT_DOUBLE_EQ(session.readings().time1, 3.5);
  EXPECT_EQ(session.readings().pulses1, 30);
  EXPECT_EQ(session.readings().pulses2, 20);

  r = step(statusReply(SPPR_STATUS, 1, 0x80 | 17));  // complete
  EXPECT_TRUE(r.stopNow);
  EXPECT_EQ(r.voltage->text, "6,58 В");

  r = step(statusReply(SPPR_STOP, 1, 0x80 | 17));  // the stop's own reply never stops again
  EXPECT_FALSE(r.stopNow);
  EXPECT_TRUE(r.readingsChanged);
  EXPECT_FALSE(session.measuring());

  step(start);
  r = step(statusReply(SPPR_STATUS, 9, 0x14));
  EXPECT_FALSE(session.measuring());
  EXPECT_FALSE(r.readingsChanged);
  EXPECT_EQ(r.voltage->text, "7,74 В");

  step(start);
  step(statusReply(SPPR_STOP, 4));
  EXPECT_FALSE(session.measuring());
}

// Only the stop's reply with results finishes a run; a new start and taking the result end it.
TEST(SpprSession, AResultExistsFromAStopWithReadingsUntilTakenOrRestarted) {
  SpprSession session;
  auto step = [&](const SpprCommon& data) {
    session.finished(finishedItem(SPPR_EXCHANGE, data), true, 1, 2, '.');
  };
  SpprCommon start;
  start.command = SPPR_TIME_STOP;
  start.time = 90;
  EXPECT_FALSE(session.hasResult());
  step(start);
  EXPECT_EQ(session.runTime(), 90);
  step(statusReply(SPPR_STATUS, 0, 0x80 | 17));  // complete, not yet stopped
  EXPECT_FALSE(session.hasResult());
  step(statusReply(SPPR_STOP, 0));
  EXPECT_TRUE(session.hasResult());
  step(statusReply(SPPR_STATUS, 9));  // the instrument idles afterwards
  EXPECT_TRUE(session.hasResult());
  session.resultTaken();
  EXPECT_FALSE(session.hasResult());

  step(statusReply(SPPR_STOP, 0));
  EXPECT_TRUE(session.hasResult());
  start.command = SPPR_PULSE_STOP;
  step(start);
  EXPECT_FALSE(session.hasResult());
  EXPECT_EQ(session.runTime(), std::nullopt);
  step(statusReply(SPPR_STOP, 4));  // stopped before it counted anything
  EXPECT_FALSE(session.hasResult());
  step(statusReply(SPPR_STOP, 9));
  EXPECT_FALSE(session.hasResult());
}

TEST(SpprSession, RunProgressCountsDownATimedRunAndUpAnyOther) {
  const struct {
    std::optional<double> runTime;
    double elapsed;
    const char* text;
    std::optional<int> permille;
  } cases[] = {
      {300, 0, "Осталось: 5:00", 0},
      {300, 27.2, "Осталось: 4:33", 90},  // a started second still counts
      {300, 28, "Осталось: 4:32", 93},
      {0.5, 0.1, "Осталось: 0:01", 200},
      {4095.9998, 0, "Осталось: 1:08:16", 0},
      {300, 301, "Осталось: 0:00", 1000},  // the instrument's stop is late
      {std::nullopt, 0, "Прошло: 0:00", std::nullopt},
      {std::nullopt, 59.9, "Прошло: 0:59", std::nullopt},
      {std::nullopt, 3725, "Прошло: 1:02:05", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const SpprRunProgress got = spprRunProgress(c.runTime, c.elapsed);
    EXPECT_EQ(got.text, c.text);
    EXPECT_EQ(got.permille, c.permille);
  }
}

TEST(SpprSession, StoredChoicesOutOfRangeFallBackToDefaults) {
  const SpprChoices defaults;
  SpprChoices good;
  good.input1 = 4;
  good.input2 = 3;
  good.run = {3, 4095.9998, kSpprMaxPulses, 3, kSpprNoThermometer, 1};
  const SpprChoices kept = spprValidChoices(good);
  EXPECT_EQ(kept.input1, 4);
  EXPECT_EQ(kept.input2, 3);
  EXPECT_EQ(kept.run.mode, 3);
  EXPECT_EQ(kept.run.time, 4095.9998);
  EXPECT_EQ(kept.run.pulses, kSpprMaxPulses);
  EXPECT_EQ(kept.run.pulseInput, 3);
  EXPECT_EQ(kept.run.tempChannel, kSpprNoThermometer);
  EXPECT_EQ(kept.run.sensor, 1);

  // Each bad value alone falls back; the inputs fall back together.
  enum { in1, in2, mode, time, pulses, pulseInput, tempChannel, sensor };
  const auto fields = [](const SpprChoices& c) {
    return std::array<double, 8>{double(c.input1),          double(c.input2),
                                 double(c.run.mode),        c.run.time,
                                 double(c.run.pulses),      double(c.run.pulseInput),
                                 double(c.run.tempChannel), double(c.run.sensor)};
  };
  const struct {
    const char* what;
    void (*spoil)(SpprChoices&);
    std::vector<int> fallen;
  } cases[] = {
      {"input 0", [](SpprChoices& c) { c.input1 = 0; }, {in1, in2}},
      {"input 5", [](SpprChoices& c) { c.input2 = 5; }, {in1, in2}},
      {"same inputs", [](SpprChoices& c) { c.input2 = c.input1; }, {in1, in2}},
      {"mode 4", [](SpprChoices& c) { c.run.mode = 4; }, {mode}},
      {"mode -1", [](SpprChoices& c) { c.run.mode = -1; }, {mode}},
      {"time 0", [](SpprChoices& c) { c.run.time = 0; }, {time}},
      {"time 4096", [](SpprChoices& c) { c.run.time = 4096; }, {time}},
      {"time NaN",
       [](SpprChoices& c) { c.run.time = std::numeric_limits<double>::quiet_NaN(); },
       {time}},
      {"pulses -1", [](SpprChoices& c) { c.run.pulses = -1; }, {pulses}},
      {"pulses 2^24", [](SpprChoices& c) { c.run.pulses = kSpprMaxPulses + 1; }, {pulses}},
      {"pulse input 4", [](SpprChoices& c) { c.run.pulseInput = 4; }, {pulseInput}},
      {"temperature channel 3", [](SpprChoices& c) { c.run.tempChannel = 3; }, {tempChannel}},
      {"sensor 2", [](SpprChoices& c) { c.run.sensor = 2; }, {sensor}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SpprChoices stored = good;
    c.spoil(stored);
    std::array<double, 8> want = fields(good);
    for (int field : c.fallen) want[field] = fields(defaults)[field];
    EXPECT_EQ(fields(spprValidChoices(stored)), want);
  }
}

TEST(SpprSession, AddToPackageRefusesAReferenceQuantityNotAboveZero) {
  const struct {
    uint8_t method;
    double volMass;
    const char* message;
  } cases[] = {
      {mVolume, 0, "Измерение не добавлено в пакет: значение Vэт должно быть больше нуля"},
      {mVolume, -1, "Измерение не добавлено в пакет: значение Vэт должно быть больше нуля"},
      {mMass, 0, "Измерение не добавлено в пакет: значение Mэт должно быть больше нуля"},
      {mReference, std::numeric_limits<double>::quiet_NaN(),
       "Измерение не добавлено в пакет: значение gэт должно быть больше нуля"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.volMass);
    Package<KeltEntry> p;
    p.method = c.method;
    p.addEntry();
    try {
      spprAddToPackage(p, {0.5, 0.5, 51, 11}, 20, c.volMass);
      ADD_FAILURE() << "added";
    } catch (const MessageError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(p.entryCount(), 1);
  }
}

}  // namespace

#include "core/devices/td/tdpanelmodel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/devices/td/tdthread.h"
#include "core/document/devicebase.h"

namespace {

// Runs a test body with a comma as the user's decimal separator.
class CommaLocale {
 public:
  CommaLocale() {
    LocaleHook hook = defaultLocaleHook();
    hook.decimalSeparator = ',';
    setLocaleHook(hook);
  }
  ~CommaLocale() { setLocaleHook(defaultLocaleHook()); }
};

TEST(TdView, GeneralNumberTexts) {
  const struct {
    double v;
    const char* text;
  } cases[] = {
      {0.001f, "0.001"},   // a single value without its binary tail
      {1e-5f, "0.00001"},  // plain digits down to 0.00001 ...
      {1e-6f, "1e-06"},    // ... and an exponent below
      {2.5e15, "2.5e+15"},
      {1.2345678f, "1.2345678"},    // every digit the single value needs to come back
      {12345678.0, "12345678"},     //
      {-0.75, "-0.75"},             //
      {2.4000000000000004, "2.4"},  // arithmetic noise of a double is cut at 15 digits
      {1 / 3.0, "0.333333333333333"},
      {1 / 30000.0, "0.0000333333333333333"},
      {1 / 30000.0, "0.0000333333333333333"},
      {4294967295.0, "4294967295"},
  };
  for (const auto& c : cases) EXPECT_EQ(tdFormatG(c.v), c.text) << c.v;
  EXPECT_THROW(tdFormatG(std::nan("")), MathError);
  EXPECT_THROW(tdFormatG(std::numeric_limits<double>::infinity()), MathError);
  CommaLocale comma;
  EXPECT_EQ(tdFormatG(0.5), "0,5");
}

TEST(TdView, NumbersTypedWithEitherSeparator) {
  EXPECT_EQ(tdParseNumber("0,001"), 0.001);
  EXPECT_EQ(tdParseNumber("0.001"), 0.001);
  EXPECT_EQ(tdParseNumber(" -2.5 "), -2.5);
  EXPECT_FALSE(tdParseNumber("abc"));
  EXPECT_FALSE(tdParseNumber(""));
  EXPECT_FALSE(tdParseNumber("1,2x"));
  EXPECT_EQ(tdNumberOrZero("1.2.3"), 0);
  CommaLocale comma;
  EXPECT_EQ(tdParseNumber("0.001"), 0.001);
  EXPECT_EQ(tdParseNumber("0,001"), 0.001);
}

TEST(TdView, SmallFieldTexts) {
  EXPECT_EQ(tdVersionText(3, 6), "3.6");
  EXPECT_EQ(tdVersionText(4, 12), "4.C");
  EXPECT_EQ(tdStepsText(1), "0.8 мс");
  EXPECT_EQ(tdStepsText(5), "4 мс");
  EXPECT_EQ(tdStepsText(3), "2.4 мс");
  EXPECT_EQ(tdStepsText(255), "204 мс");
  const int rates[] = {9600, 4800, 2400, 1200};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(tdBaudRate(i), rates[i]);
  const int modes[] = {0, 3, 1, 2};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(tdStartStopMode(i), modes[i]);
}

TEST(TdView, StatusLamps) {
  using L = std::array<bool, 6>;
  EXPECT_EQ(tdStatusLamps(0x00), (L{false, false, false, false, false, false}));
  EXPECT_EQ(tdStatusLamps(0x03), (L{true, true, false, false, false, false}));
  EXPECT_EQ(tdStatusLamps(0x04), (L{false, false, true, false, false, false}));  // reverse
  EXPECT_EQ(tdStatusLamps(0x08), (L{false, false, false, true, false, false}));  // below gpor
  EXPECT_EQ(tdStatusLamps(0x0C), (L{false, false, false, false, true, false}));  // above gmax
  EXPECT_EQ(tdStatusLamps(0x30), (L{false, false, false, false, false, true}));  // bit 4 unused

  // A grey lamp is set, a lit one cleared.
  const TdRequest pour = tdToggleLamp(0, TL_POUR, false);
  EXPECT_EQ(pour.common.frame[3], 1);
  EXPECT_EQ(pour.common.frame[4], 1);
  const TdRequest reset = tdToggleLamp(0, TL_RESET_PULSES, true);
  EXPECT_EQ(reset.common.frame[3], 2);
  EXPECT_EQ(reset.common.frame[4], 2);
}

TEST(TdView, OutputsAsTheControlsShowThem) {
  const TdOutputsView meander = tdOutputsView({0.001f, 0, 0x05}, 2);
  EXPECT_EQ(meander.weightText, "0.002");
  EXPECT_TRUE(meander.meander);
  EXPECT_DOUBLE_EQ(meander.litresPerPulse, 2);
  EXPECT_EQ(meander.cardPosition, 1);
  EXPECT_TRUE(meander.noFilter);
  EXPECT_EQ(meander.reversePosition, -1);  // reverse modes are for major 3 only

  const TdOutputsView pulses = tdOutputsView({1.0f, 7, 0x02 | 0x10}, 3);
  EXPECT_EQ(pulses.weightText, "1.");
  EXPECT_FALSE(pulses.meander);
  EXPECT_EQ(pulses.pulseLength, 7);
  EXPECT_EQ(pulses.cardPosition, -1);  // 2 and 3: no card
  EXPECT_FALSE(pulses.noFilter);
  EXPECT_EQ(pulses.reversePosition, 2);
  EXPECT_EQ(tdOutputsView({1.0f, 7, 0x18}, 3).reversePosition, -1);

  EXPECT_DOUBLE_EQ(tdOutputsView({0.0001f, 1, 0}, 0).litresPerPulse, 0.1);
  CommaLocale comma;
  EXPECT_EQ(tdOutputsView({0.00005f, 1, 0}, 0).weightText, "0,00005");
}

TdOutputsFields fields(const char* weight, bool meander, int card, int reverse, bool noFilter) {
  TdOutputsFields f;
  f.weightText = weight;
  f.meander = meander;
  f.pulseLength = 12;
  f.cardPosition = card;
  f.reversePosition = reverse;
  f.noFilter = noFilter;
  return f;
}

TEST(TdView, StrictOutputsForTheMeter) {
  const TdOutputs half = tdStrictOutputs(fields("0,002", true, 0, -1, false), 2, 1);
  EXPECT_EQ(half.weight, 0.001f);
  EXPECT_EQ(half.pulseLength, 0);
  EXPECT_EQ(half.flags, 0);
  // Read back, the user sees what was typed.
  const TdOutputsView back = tdOutputsView(half, 2);
  EXPECT_EQ(back.weightText, "0.002");
  EXPECT_TRUE(back.meander);

  const TdOutputs full = tdStrictOutputs(fields("0.5", false, 1, 2, true), 3, 5);
  EXPECT_EQ(full.weight, 0.5f);
  EXPECT_EQ(full.pulseLength, 12);
  EXPECT_EQ(full.flags, 0x01 | 0x04 | 0x10);
  // The batcher flag needs minor 2, the reverse mode major 3.
  EXPECT_EQ(tdStrictOutputs(fields("0.5", false, 1, 2, true), 2, 1).flags, 0x01);

  const struct {
    TdOutputsFields f;
    uint8_t major;
    const char* message;
  } refused[] = {
      {fields("abc", false, 0, 0, false), 3, "Необходимо указать цену импульса"},
      {fields("", false, 0, 0, false), 3, "Необходимо указать цену импульса"},
      {fields("1e39", false, 0, 0, false), 3, "Необходимо указать цену импульса"},
      {fields("0.1", false, -1, 0, false), 3, "Необходимо выбрать тип платы расширения"},
      {fields("0.1", false, 0, -1, false), 3, "Необходимо выбрать режим реверсивного выхода"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.f.weightText);
    try {
      tdStrictOutputs(c.f, c.major, 6);
      ADD_FAILURE() << "accepted";
    } catch (const MessageError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(TdView, LenientOutputsForTheDocument) {
  const TdOutputs out = tdLenientOutputs(fields("abc", true, -1, -1, true), 3, 6);
  EXPECT_EQ(out.weight, 0.0005f);  // 0.001 halved for the meander
  EXPECT_EQ(out.pulseLength, 0);
  EXPECT_EQ(out.flags, 0x04);
  EXPECT_EQ(tdLenientOutputs(fields("0.01", false, 1, 1, false), 3, 0).flags, 0x01 | 0x08);
}

TEST(TdView, CoefficientGridRoundTrip) {
  TdCoefficients block;
  block.rows[0] = {1.2345678f, -0.05f, 50000};
  block.rows[1] = {1e-5f, 0, 9999999};
  block.rows[4] = {3, 4, 0};
  block.gmax = 30;
  block.gpor = 0.025f;
  const TdGridText grid = tdGridText(block);
  EXPECT_EQ(grid.code[0], "50000");
  EXPECT_EQ(grid.code[1], "9999999");
  EXPECT_EQ(grid.code[4], "");
  EXPECT_EQ(grid.a[0], "1.2345678");
  EXPECT_EQ(grid.b[0], "-0.05");
  EXPECT_EQ(grid.a[1], "0.00001");
  EXPECT_EQ(grid.lo, "0.025");
  EXPECT_EQ(grid.hi, "30");

  const TdGridBlock read = tdReadGrid(grid, true);
  EXPECT_FALSE(read.corrected);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(read.block.rows[i].A, block.rows[i].A) << i;
    EXPECT_EQ(read.block.rows[i].B, block.rows[i].B) << i;
    EXPECT_EQ(read.block.rows[i].threshold, block.rows[i].threshold) << i;
  }
  EXPECT_EQ(read.block.gmax, 30.0f);
  EXPECT_EQ(read.block.gpor, 0.025f);
}

TEST(TdView, BadGridCellsBecomeZeroAndMarkTheBlock) {
  TdGridText grid = tdGridText(TdCoefficients{});
  grid.a[0] = "0,5";
  grid.b[1] = "1,2x";
  grid.code[2] = "12.5";
  grid.lo = "0.1";
  grid.hi = "30";
  const TdGridBlock reverse = tdReadGrid(grid, false);
  EXPECT_TRUE(reverse.corrected);
  EXPECT_EQ(reverse.block.rows[0].A, 0.5f);
  EXPECT_EQ(reverse.block.rows[1].B, 0.0f);
  EXPECT_EQ(reverse.block.rows[2].threshold, 0);
  EXPECT_EQ(reverse.block.gmax, 0.0f);  // the reverse grid has no limits
  EXPECT_EQ(reverse.block.gpor, 0.0f);
  EXPECT_EQ(tdGridText(reverse.block).b[1], "0");

  TdGridText limits = tdGridText(TdCoefficients{});
  limits.lo = "0.1";
  limits.hi = "много";
  const TdGridBlock direct = tdReadGrid(limits, true);
  EXPECT_TRUE(direct.corrected);
  EXPECT_EQ(direct.block.gpor, 0.0f);  // one bad limit clears both
  EXPECT_EQ(direct.block.gmax, 0.0f);
}

TdCurrentValues current(float codeSum, uint16_t count) {
  TdCurrentValues v;
  v.status = 0x01;
  v.codeSum = codeSum;
  v.count = count;
  v.pulses = 1001;
  v.flow = 1.5f;
  return v;
}

TEST(TdView, CurrentValuesOfTheShortForm) {
  const TdCurrentView view = tdCurrentView(current(3000, 4), false, 0.5);
  EXPECT_TRUE(view.lamps[TL_POUR]);
  EXPECT_EQ(view.integrator, "3000");
  EXPECT_EQ(view.measureCount, "4");
  EXPECT_EQ(view.middleCode, "750");
  EXPECT_EQ(view.average, 750.0);
  EXPECT_EQ(view.middleNoise, "");
  EXPECT_EQ(view.noiseSignal, "");
  EXPECT_EQ(view.workTime, "");
  EXPECT_EQ(view.volumeDir, "");
  EXPECT_EQ(view.pulses, 1001u);
  EXPECT_EQ(view.pulseCount, "1001");
  EXPECT_EQ(view.volume, "500.5");
  EXPECT_EQ(view.flow, "1.5");

  // No measurement yet: "0", and the last average code stays as it was.
  const TdCurrentView none = tdCurrentView(current(0, 0), false, 0.5);
  EXPECT_EQ(none.middleCode, "0");
  EXPECT_FALSE(none.average);
}

TEST(TdView, CurrentValuesOfTheLongFormInMeanderMode) {
  TdCurrentValues v = current(-2000, 8);
  v.noiseSum = 100;
  v.totals = TdTotals{90061, 12, 0.5f, 3, 0.25f};
  const TdCurrentView view = tdCurrentView(v, true, 1);
  EXPECT_EQ(view.middleCode, "-250");
  EXPECT_EQ(view.middleNoise, "12");  // 100 div 8
  EXPECT_EQ(view.noiseSignal, "5 %");
  EXPECT_EQ(view.workTime, "00025:01:01");
  EXPECT_EQ(view.volumeDir, "00000012.500");
  EXPECT_EQ(view.volumeRev, "00000003.250");
  EXPECT_EQ(view.pulses, 500u);  // halved, rounded down
  EXPECT_EQ(view.volume, "500");

  TdCurrentValues zero = current(0, 2);
  zero.noiseSum = 7;
  EXPECT_EQ(tdCurrentView(zero, false, 1).noiseSignal, "0");
}

TEST(TdView, CurrentValuesThatCannotBeShownLeaveThePourEmpty) {
  TdCurrentValues v = current(std::nanf(""), 3);
  v.noiseSum = 5;
  v.flow = INFINITY;
  const TdCurrentView view = tdCurrentView(v, false, 1);
  EXPECT_EQ(view.integrator, "");
  EXPECT_EQ(view.measureCount, "");
  EXPECT_EQ(view.middleCode, "");
  EXPECT_EQ(view.noiseSignal, "");
  EXPECT_FALSE(view.average);
  EXPECT_TRUE(view.lamps[TL_POUR]);
  EXPECT_EQ(view.pulseCount, "1001");
  EXPECT_EQ(view.flow, "");

  // A ratio beyond single precision fails the same way.
  TdCurrentValues tiny = current(1e-40f, 1);
  tiny.noiseSum = 4000000000u;
  EXPECT_EQ(tdCurrentView(tiny, false, 1).middleCode, "");
}

TEST(TdView, DiameterListAndNominalDiameterCodes) {
  const char* const listed[] = {"15", "20", "25", "32", "40", "50", "80", "100", "150", "65"};
  for (int position = 0; position < 10; ++position) {
    const int code = tdDuCode(position);
    EXPECT_EQ(DuText(code), listed[position]) << position;
    EXPECT_EQ(tdDuPosition(code), position) << position;
  }
  EXPECT_EQ(tdDuCode(-1), 0);  // no selection
  EXPECT_EQ(tdDuCode(10), 0);
  EXPECT_EQ(tdDuPosition(6), 9);  // 65 mm is last in the list
  for (int missing : {9, 11, 12, 255, -1}) EXPECT_EQ(tdDuPosition(missing), 0) << missing;
}

TEST(TdView, NameByVersionAndSensitivityThreshold) {
  const struct {
    uint8_t major;
    double gpor;
    int position;
    const char* name;
  } cases[] = {
      {3, 0.2, 6, "ТД-Р-2.2-А"},     // 80 mm: threshold 0.25
      {3, 0.3, 6, "ТД-Р-2.2-Б"},     //
      {2, 0.25, 6, "ТД-Ч-2.2-А"},    // equal is not above
      {0, 0.008, 0, "ТД-2.2-Б"},     // 15 mm: 0.007, before any read
      {4, 0.1, 9, "ТД-2.2-А"},       // 65 mm: 0.14
      {1, 0.15, 9, "ТД-2.2-Б"},      //
      {3, 0.5, 8, "ТД-Р-2.2-А"},     // 150 mm: 0.8
      {3, 0.008, -1, "ТД-Р-2.2-Б"},  // no selection: as 15 mm
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tdDeviceName(c.major, c.gpor, c.position), c.name) << c.gpor << " " << c.position;
  }
}

TEST(TdView, SerialNumberText) {
  EXPECT_EQ(tdSerialOfText("12A"), 0);
  EXPECT_EQ(tdSerialOfText(""), 0);
  EXPECT_EQ(tdSerialOfText("1 2"), 0);
  EXPECT_EQ(tdSerialOfText("012345678"), 12345678);
  EXPECT_EQ(tdSerialOfText(" 42 "), 42);
  // The meter's unsigned serial numbers survive the trip through the panel.
  const int32_t big = tdSerialOfText("3000000001");
  EXPECT_EQ(formatSerialNumber(big, 8), "3000000001");
  EXPECT_EQ(tdSerialOfText(formatSerialNumber(big, 7)), big);
  EXPECT_EQ(tdSerialOfText("4294967296"), 0);
}

// A worker that is never started: everything pushed stays pending. Seven requests may wait,
// commands and polls alike; the polls wait as background items, and a command behind them is
// still taken.
TEST(TdQueue, SevenRequestsWaitAndFurtherOnesAreDroppedSilently) {
  TDx2Thread worker;
  const TdRequest command = tdReadRequest(1, TF_SYSTEM);
  const TdRequest poll = tdPollCurrent(1, 6);
  for (int pending = 0; pending < kTdMaxPending; ++pending) {
    const TdRequest& request = pending % 2 ? command : poll;
    const auto flags = tdQueueFlags(request.type, pending);
    ASSERT_TRUE(flags) << pending;
    worker.nextItem().data = request.common;
    EXPECT_NO_THROW(worker.push(request.type, *flags)) << pending;
  }
  EXPECT_EQ(worker.busyCount(), 3);  // the commands; the four polls leave the panel free
  for (TdCommand type : {TD_OPEN, TD_CLOSE, TD_EXCHANGE, TD_POLL})
    EXPECT_FALSE(tdQueueFlags(type, kTdMaxPending)) << type;
}

TEST(TdQueue, OpeningReadsAskForTheReverseTableOnlyOfAFirmwareThatKeepsOne) {
  const auto functions = [](const std::vector<TdRequest>& requests) {
    std::vector<int> list;
    for (const TdRequest& r : requests) list.push_back(r.common.frame[2]);
    return list;
  };
  EXPECT_EQ(functions(tdOpeningReads(4, 0, 0)), (std::vector<int>{0, 3, 2, 5, 6}));
  EXPECT_EQ(functions(tdOpeningReads(4, 3, 5)), (std::vector<int>{0, 3, 2, 18, 5, 6}));
  EXPECT_EQ(functions(tdCoefficientReads(4, 3, 4)), (std::vector<int>{2}));
  for (const TdRequest& r : tdOpeningReads(4, 3, 6)) EXPECT_EQ(r.common.frame[0], 4);
}

}  // namespace

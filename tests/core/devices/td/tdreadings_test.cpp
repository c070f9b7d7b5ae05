#include "core/devices/td/tdreadings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/devices/td/tdreadingsfiles.h"

namespace {

TEST(TdReadings, FilterWarmsUpThenSmooths) {
  TdFilter filter;
  EXPECT_EQ(filter.step(100), 100.0f);  // passes through
  EXPECT_EQ(filter.step(200), 150.0f);  // mean of the first two
  // 0.001492·300 + 0.002985·200 + 0.001492·100 + 1.864714·150 − 0.870683·150
  EXPECT_NEAR(filter.step(300), 150.29845, 1e-3);

  // Unity gain: a steady code comes out unchanged; a jump shows only slowly.
  filter.reset();
  for (int i = 0; i < 500; ++i) ASSERT_NEAR(filter.step(1000), 1000, 1e-2) << i;
  const float first = filter.step(2000);
  EXPECT_GT(first, 1000);
  EXPECT_LT(first, 1010);
  float last = first;
  for (int i = 0; i < 3000; ++i) last = filter.step(2000);
  EXPECT_NEAR(last, 2000, 1);

  filter.reset();
  EXPECT_EQ(filter.step(-7), -7.0f);
}

TEST(TdReadings, AnalysisOfTheVisibleStretch) {
  const std::vector<double> steady(10, 1000);
  EXPECT_EQ(tdAnalysis(steady, 0, 9, -1, 20),
            "Диапазон: 0 - 9, Среднее значение: 1000, Шум: 0, Шум/Сигнал: 0%");

  std::vector<double> ramp;
  for (int i = 0; i < 8; ++i) ramp.push_back(i * 10);
  // Points 2..5 and their steps to 3..6: sum 140, noise 40.
  EXPECT_EQ(tdAnalysis(ramp, 0, 7, 2.7, 6.2),
            "Диапазон: 2 - 6, Среднее значение: 35, Шум: 10, Шум/Сигнал: 28.5714%");
}

TEST(TdReadings, AnalysisOfEmptyStretchesZeroSumsAndWideWindows) {
  const std::vector<double> codes{5, -5, 0, 7};
  EXPECT_FALSE(tdAnalysis(codes, 0, 3, 0, 3));      // 5 − 5 + 0
  EXPECT_FALSE(tdAnalysis(codes, 0, 3, 1.2, 1.9));  // start = end
  EXPECT_FALSE(tdAnalysis(codes, 0, 3, 2, 1));      // axis turned round
  EXPECT_FALSE(tdAnalysis({}, 0, 0, 0, 10));
  // A window wider than the series is cut to it.
  const std::vector<double> rising{4, 6, 8, 10};
  EXPECT_EQ(tdAnalysis(rising, 0, 3, -50, 50),
            "Диапазон: 0 - 3, Среднее значение: 6, Шум: 2, Шум/Сигнал: 33.3333%");

  // Six significant digits, as a reading is shown: no single-precision tail.
  const std::vector<double> meter{100002, 100016, 100004, 100010};
  EXPECT_EQ(tdAnalysis(meter, 0, 3, 0, 3),
            "Диапазон: 0 - 3, Среднее значение: 100007, Шум: 10.6667, Шум/Сигнал: 0.0106659%");
}

TEST(TdReadings, FileTextAndItsReading) {
  const std::vector<double> codes{1000, -12.5, 3e15};
  const std::vector<double> filtered{1000, 999.5f, 0.1f};
  const std::string text = tdReadingsCsv(codes, filtered);
  EXPECT_EQ(text, tdreadingsfiles::kWritten);
  const auto points = tdParseReadingsCsv(text);
  ASSERT_EQ(points.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(points[i].code, codes[i]) << i;
    // The filter's values come back as the same single-precision numbers.
    EXPECT_EQ(static_cast<float>(points[i].filtered), static_cast<float>(filtered[i])) << i;
  }
}

TEST(TdReadings, ReadingToleratesOtherSeparatorsAndShortLines) {
  const auto points = tdParseReadingsCsv(tdreadingsfiles::kMixed);
  ASSERT_EQ(points.size(), 5u);
  const double expected[][2] = {{1.5, -2}, {0, 0}, {-3.25, 0}, {0, 0}, {7, 8}};
  for (size_t i = 0; i < points.size(); ++i) {
    EXPECT_EQ(points[i].code, expected[i][0]) << i;
    EXPECT_EQ(points[i].filtered, expected[i][1]) << i;
  }
  EXPECT_THROW(tdParseReadingsCsv("0;1;2\n1;abc;2\n"), ConvertError);
  EXPECT_TRUE(tdParseReadingsCsv("").empty());
}

TEST(TdReadings, CommaSeparatorRoundTrip) {
  LocaleHook hook = defaultLocaleHook();
  hook.decimalSeparator = ',';
  setLocaleHook(hook);
  const std::vector<double> codes{-0.25, 7};
  const std::string text = tdReadingsCsv(codes, codes);
  const auto points = tdParseReadingsCsv(text);
  setLocaleHook(defaultLocaleHook());
  EXPECT_EQ(text, "0;-0,25;-0,25\n1;7;7\n");
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0].code, -0.25);
  EXPECT_EQ(points[1].filtered, 7);
}

TEST(TdReadings, FileNames) {
  SystemTime t;
  t.year = 2024;
  t.month = 3;
  t.day = 7;
  t.hour = 9;
  t.minute = 5;
  EXPECT_EQ(tdReadingsFileName(t), "Показания_07_03_09_05.csv");
  EXPECT_EQ(tdWithCsvExtension("/tmp/x"), "/tmp/x.csv");
  EXPECT_EQ(tdWithCsvExtension("/tmp/x.txt"), "/tmp/x.txt");
  EXPECT_EQ(tdWithCsvExtension("/tmp/dir.d/x"), "/tmp/dir.d/x.csv");
  EXPECT_EQ(tdReadingsSavedMessage("a.csv"), "Файл показаний a.csv сохранен");
  EXPECT_EQ(tdReadingsLoadedMessage("a.csv"), "Файл показаний a.csv загружен");
}

}  // namespace

#include "core/graphs/graphcalc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "core/base/localehook.h"

using namespace graphcalc;

namespace {

SPILT_STRUCT series(std::vector<SPILT_POINT> points, bool hasPoints = true, bool hasErrors = true) {
  return {"П", std::move(points), static_cast<uint8_t>(hasPoints), static_cast<uint8_t>(hasErrors)};
}

SPILT_POINT point(double x, double y, double error = 0) { return {x, y, 0, 0, error}; }

const std::vector<APROX_STRUCT> kOneLine = {{1000, 0.041, 0}};
// Two lines meeting at reading 100 (flow 10): y = 0.1 x up to 100, then y = 0.05 x + 5.
const std::vector<APROX_STRUCT> kTwoLines = {{100, 0.1, 0}, {1e9, 0.05, 5}};

}  // namespace

TEST(GraphPalette, EntriesRepeatEveryTwentyFiveAndPicturesCoverTheImageList) {
  EXPECT_EQ(paletteEntry(0).style, MarkerStyle::Circle);
  EXPECT_EQ(paletteEntry(0).color, PaletteColor::Green);
  EXPECT_EQ(paletteEntry(0).picture, 12);
  EXPECT_EQ(paletteEntry(24).style, MarkerStyle::Diamond);
  EXPECT_EQ(paletteEntry(24).color, PaletteColor::Red);
  EXPECT_EQ(paletteEntry(24).picture, 18);
  EXPECT_EQ(&paletteEntry(25), &paletteEntry(0));
  EXPECT_EQ(&paletteEntry(51), &paletteEntry(1));
  // Each picture shows exactly one style and colour, so the list matches the markers.
  std::set<int> pictures;
  std::set<std::pair<MarkerStyle, PaletteColor>> looks;
  for (std::size_t k = 0; k < kPaletteSize; ++k) {
    const PaletteEntry& e = paletteEntry(k);
    pictures.insert(e.picture);
    looks.insert({e.style, e.color});
    EXPECT_EQ(pictureIndex(e.style, e.color), e.picture) << k;
  }
  EXPECT_EQ(pictures.size(), kPaletteSize);
  EXPECT_EQ(*pictures.rbegin(), 24);
  EXPECT_EQ(looks.size(), kPaletteSize);
}

TEST(GraphSeries, LineChoiceByReadingAndByFlow) {
  struct Case {
    double v;
    std::size_t byReading, byFlow;
  };
  // Line 0 ends at reading 100, flow 10; the last line takes everything beyond.
  const Case cases[] = {{0, 0, 0}, {10, 0, 0}, {100, 0, 1}, {100.5, 1, 1}, {1e12, 1, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(lineForReading(kTwoLines, c.v), c.byReading) << c.v;
    EXPECT_EQ(lineForFlow(kTwoLines, c.v), c.byFlow) << c.v;
  }
}

TEST(GraphSeries, ErrorTabRecomputesFromTheLinesOrTakesStoredErrors) {
  const SPILT_STRUCT s = series({point(50, 2, 7.5)});
  struct Case {
    const char* what;
    SPILT_STRUCT series;
    std::vector<APROX_STRUCT> lines;
    bool stored;
    std::vector<double> errors;
  };
  const Case cases[] = {
      {"recomputed: 50 Hz at 2 m3/h", s, kOneLine, false, {2.5}},
      {"stored", s, kOneLine, true, {7.5}},
      {"stored without lines", s, {}, true, {7.5}},
      {"no lines, nothing to recompute with", s, {}, false, {}},
      {"stored wanted but not allowed: recomputed",
       series({point(50, 2, 7.5)}, true, false),
       kOneLine,
       true,
       {2.5}},
      {"points not allowed", series({point(50, 2, 7.5)}, false, true), kOneLine, false, {}},
      {"second line", series({point(200, 15)}), kTwoLines, false, {0}},
  };
  for (const Case& c : cases) {
    const auto pts = seriesPoints(GraphTab::Error, c.series, c.lines, {c.stored, 0});
    ASSERT_EQ(pts.size(), c.errors.size()) << c.what;
    for (std::size_t i = 0; i < pts.size(); ++i) {
      EXPECT_DOUBLE_EQ(pts[i].x, c.series.points[i].y) << c.what;
      EXPECT_NEAR(pts[i].y, c.errors[i], 1e-12) << c.what;
    }
  }
}

TEST(GraphSeries, PointWithoutReferenceFlowIsLeftOutOfRecomputedErrors) {
  const auto pts =
      seriesPoints(GraphTab::Error, series({point(50, 0), point(50, 2)}), kOneLine, {false, 0});
  ASSERT_EQ(pts.size(), 1u);
  EXPECT_DOUBLE_EQ(pts[0].x, 2);
}

TEST(GraphSeries, CharacteristicTabsApplyTheOffset) {
  const SPILT_STRUCT s = series({point(50, 2), point(4, 0)});
  const double o = 10;
  struct Case {
    GraphTab tab;
    std::vector<PlotPoint> expected;
  };
  const Case cases[] = {
      {GraphTab::DirectA, {{2, 40}, {0, -6}}},
      {GraphTab::DirectB, {{40, 2}, {6, 0}}},
      {GraphTab::Relative, {{2, 20}, {0, 0}}},  // no quotient at flow 0
  };
  for (const Case& c : cases) {
    const auto pts = seriesPoints(c.tab, s, {}, {false, o});
    ASSERT_EQ(pts.size(), c.expected.size());
    for (std::size_t i = 0; i < pts.size(); ++i) {
      EXPECT_DOUBLE_EQ(pts[i].x, c.expected[i].x) << static_cast<int>(c.tab) << " " << i;
      EXPECT_DOUBLE_EQ(pts[i].y, c.expected[i].y) << static_cast<int>(c.tab) << " " << i;
    }
    EXPECT_TRUE(seriesPoints(c.tab, series(s.points, false), {}, {false, o}).empty());
  }
}

TEST(GraphCurve, SampledDownwardsInStepsOfFiveSixths) {
  const auto curve = curvePoints(GraphTab::DirectA, kOneLine, 1, 36, 0);
  // 36, 30, 25, 20.83, ... while at least 1.0001.
  const std::size_t n =
      static_cast<std::size_t>(std::floor(std::log(36 / 1.0001) / std::log(6.0 / 5))) + 1;
  ASSERT_EQ(curve.size(), n);
  EXPECT_DOUBLE_EQ(curve[0].x, 36);
  EXPECT_DOUBLE_EQ(curve[1].x, 30);
  EXPECT_DOUBLE_EQ(curve[0].y, 36 / 0.041);
  EXPECT_GE(curve.back().x, 1.0001);
  EXPECT_TRUE(curvePoints(GraphTab::Error, kOneLine, 1, 36, 0).empty());
  EXPECT_TRUE(curvePoints(GraphTab::DirectA, {}, 1, 36, 0).empty());
}

TEST(GraphCurve, EachTabMapsItsSamplesThroughTheCoveringLine) {
  const double o = 2;
  // Flow 12 is beyond line 0's bound (10): line 1 gives reading (12 - 5) / 0.05 = 140.
  const auto a = curvePoints(GraphTab::DirectA, kTwoLines, 11, 12, o);
  ASSERT_EQ(a.size(), 1u);
  EXPECT_DOUBLE_EQ(a[0].y, 140 - o);
  EXPECT_EQ(a[0].segment, 1u);
  const auto r = curvePoints(GraphTab::Relative, kTwoLines, 9, 9.5, o);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_DOUBLE_EQ(r[0].y, (95 - o) / 9.5);
  EXPECT_EQ(r[0].segment, 0u);
  // On tab B the sample is a reading: plotted at reading - offset, flow from the line.
  const auto b = curvePoints(GraphTab::DirectB, kTwoLines, 150, 200, o);
  ASSERT_EQ(b.size(), 2u);
  EXPECT_DOUBLE_EQ(b[0].x, 198);
  EXPECT_DOUBLE_EQ(b[0].y, 15);
  EXPECT_EQ(b[0].segment, 1u);
  // A sample whose shifted reading falls below the bound ends the curve.
  EXPECT_EQ(curvePoints(GraphTab::DirectB, kTwoLines, 150, 200, 40).size(), 1u);
}

TEST(GraphCurve, EndsForNegativeFlowsAndSkipsALineWithoutSlope) {
  // A bound below 0 would never be passed by steps that only approach 0.
  const auto curve = curvePoints(GraphTab::DirectA, kOneLine, -5, 10, 0);
  ASSERT_FALSE(curve.empty());
  EXPECT_GE(curve.back().x, 0.0001);
  EXPECT_TRUE(curvePoints(GraphTab::Relative, {{10, 0, 1}}, 1, 10, 0).empty());
}

TEST(GraphScatter, GroupsWithinFivePercentOfTheFirstValue) {
  const auto groups =
      scatterPoints(GraphTab::Error, {{10, 0.2}, {11, 1}, {10.2, -0.1}, {0, 9}, {10.4, 0.5}});
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_DOUBLE_EQ(groups[0].x, 10.2);
  EXPECT_NEAR(groups[0].y, 0.2, 1e-12);
  EXPECT_NEAR(groups[0].value, 0.6, 1e-12);
  EXPECT_EQ(scatterMark(groups[0].value), "0.60 %");
  EXPECT_DOUBLE_EQ(groups[1].x, 11);  // alone, the point at 0 belongs to no group
  EXPECT_DOUBLE_EQ(groups[1].value, 0);
  EXPECT_TRUE(scatterPoints(GraphTab::DirectA, {{10, 1}}).empty());
}

TEST(GraphScatter, RelativeTabGivesMidpointAndPercentOfTheSmallest) {
  const auto groups = scatterPoints(GraphTab::Relative, {{5, 24}, {5.1, 26}, {20, 0}, {20, 1}});
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_DOUBLE_EQ(groups[0].y, 25);
  EXPECT_NEAR(groups[0].value, 2 * 100.0 / 24, 1e-12);
  EXPECT_FALSE(std::isfinite(groups[1].value));  // smallest value 0
  EXPECT_EQ(scatterMark(groups[1].value), "---");
}

TEST(GraphScatter, MarkUsesTheUserDecimalSeparator) {
  LocaleHook hook = defaultLocaleHook();
  hook.decimalSeparator = ',';
  setLocaleHook(hook);
  EXPECT_EQ(scatterMark(12.346), "12,35 %");
  EXPECT_EQ(scatterMark(-0.001), "0,00 %");
  setLocaleHook(defaultLocaleHook());
}

TEST(GraphZoom, CloserFurtherAndMinorGrid) {
  const ChartRange closer = zoomCloser({-2, 3});
  EXPECT_DOUBLE_EQ(closer.lower, -1.5);
  EXPECT_DOUBLE_EQ(closer.upper, 2.5);
  const ChartRange further = zoomFurther(closer);
  EXPECT_NEAR(further.lower, -2.3, 1e-12);
  EXPECT_NEAR(further.upper, 3.3, 1e-12);
  struct Case {
    ChartRange r;
    bool minor;
  };
  const Case cases[] = {{{0, 0.99}, false}, {{0, 1}, true}, {{-2, 2.9}, true}, {{-2, 3}, false}};
  for (const Case& c : cases) EXPECT_EQ(minorGridShown(c.r), c.minor) << c.r.upper - c.r.lower;
}

TEST(GraphAxes, CaptionsAndFlowScaleByTab) {
  using A = AxisCaption;
  struct Case {
    GraphTab tab;
    A left, bottom;
    bool log;
  };
  const Case cases[] = {{GraphTab::Error, A::Error, A::Flow, true},
                        {GraphTab::DirectA, A::Reading, A::Flow, false},
                        {GraphTab::DirectB, A::Flow, A::Reading, false},
                        {GraphTab::Relative, A::Ratio, A::Flow, true}};
  for (const Case& c : cases) {
    const TabAxes axes = tabAxes(c.tab);
    EXPECT_EQ(axes.left, c.left);
    EXPECT_EQ(axes.bottom, c.bottom);
    EXPECT_EQ(axes.logarithmic, c.log);
  }
}

TEST(GraphAxes, AutomaticValueRangeKeepsALeastSpan) {
  struct Case {
    GraphTab tab;
    ChartRange values;
    ChartRange expected;
  };
  const Case cases[] = {
      // Equal errors, and errors that differ by rounding only: 0.1 % plus the margins, centred.
      {GraphTab::Error, {0.00610352, 0.00610352}, {0.00610352 - 0.055, 0.00610352 + 0.055}},
      {GraphTab::Error, {0.00610352, 0.00610352 + 1e-9}, {0.00610352 - 0.055, 0.00610352 + 0.055}},
      {GraphTab::Error, {-0.03, 0.03}, {-0.055, 0.055}},
      // Wider spans keep 5 % of themselves on each side.
      {GraphTab::Error, {-2, 3}, {-2.25, 3.25}},
      {GraphTab::DirectA, {100, 300}, {90, 310}},
      // Characteristics: 0.1 % of the value, or 1 at zero.
      {GraphTab::DirectA, {1000, 1000}, {999.45, 1000.55}},
      {GraphTab::DirectB, {0, 0}, {-0.55, 0.55}},
      {GraphTab::Relative, {-50, -50}, {-50.0275, -49.9725}},
      {GraphTab::Relative, {49.95, 50}, {49.9475, 50.0025}},
  };
  for (const Case& c : cases) {
    const ChartRange r = valueAxisRange(c.tab, c.values);
    EXPECT_NEAR(r.lower, c.expected.lower, 1e-9) << c.values.lower << " " << c.values.upper;
    EXPECT_NEAR(r.upper, c.expected.upper, 1e-9) << c.values.lower << " " << c.values.upper;
  }
}

TEST(GraphBand, StepsOfEveryZoneWithinTheFlowsShown) {
  const ToleranceProfile byFraction{
      "f", ZoneBasis::fractionOfMax, {{0, 5, 5}, {0.1, 2, 1}, {0.9, 1, 1}}};
  // Largest flow 10: boundaries at 1 and 9; drawn from 2 to 8, so the last zone is left out.
  const LimitBand band = limitBand(byFraction, 10, 2, 8);
  const std::vector<std::pair<double, double>> upper = {{2, 1}, {8, 1}};
  ASSERT_EQ(band.upper.size(), upper.size());
  for (size_t i = 0; i < upper.size(); ++i) {
    EXPECT_EQ(band.upper[i].x, upper[i].first);
    EXPECT_EQ(band.upper[i].y, upper[i].second);
    EXPECT_EQ(band.lower[i].y, -2);
  }
  const LimitBand whole = limitBand(byFraction, 10, 0.5, 20);
  ASSERT_EQ(whole.upper.size(), 6u);
  EXPECT_EQ(whole.upper[1].x, 1);
  EXPECT_EQ(whole.upper[4].x, 9);
  EXPECT_EQ(whole.upper[5].x, 20);
  EXPECT_TRUE(limitBand(byFraction, 10, 5, 5).upper.empty());
}

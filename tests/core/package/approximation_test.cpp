#include "core/package/approximation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/base/errors.h"
#include "core/package/packagefixture.h"
#include "core/package/physics.h"

namespace {

std::vector<FitPoint> points(const std::vector<std::pair<double, double>>& xy) {
  std::vector<FitPoint> v;
  for (auto [x, y] : xy) v.push_back(fitPoint(x, y));
  return v;
}

// Eight TD sections at codes 100, 200, ... 800 with three entries each, on a slightly bent
// characteristic so that no three sections lie on one line.
void addEightSections(Package<EprEntry>& p) {
  for (int s = 1; s <= 8; ++s)
    for (int j = 0; j < 3; ++j) {
      const double code = s * 100 + j;
      addTd(p, code, 0.01 * code + 1e-6 * code * code);
    }
}

std::vector<int32_t> markedRows(const Package<EprEntry>& p) {
  std::vector<int32_t> rows;
  for (int i = 0; i < p.entryCount(); ++i)
    if (p.entries()[i].point) rows.push_back(i);
  return rows;
}

}  // namespace

TEST(Fits, RecoverExactLines) {
  const files::Line lin = fitLinear(points({{1, 5}, {2, 7}, {4, 11}}));  // y = 2x + 3
  EXPECT_NEAR(lin.A, 2, 1e-12);
  EXPECT_NEAR(lin.B, 3, 1e-12);
  const files::Line prop = fitProportional(points({{1, 2.5}, {3, 7.5}}));
  EXPECT_NEAR(prop.A, 2.5, 1e-12);
  EXPECT_EQ(prop.B, 0);
  // Relative deviations: y = A x through (1, 1) and (1, 2) minimises (A - 1)^2 + (A/2 - 1)^2.
  EXPECT_NEAR(fitProportional(points({{1, 1}, {1, 2}})).A, 1.2, 1e-12);
}

TEST(Fits, FailWhenTheyCannotBeComputed) {
  EXPECT_THROW(fitLinear(points({{1, 1}, {2, 0}})), MathError);                // a flow of 0
  EXPECT_THROW(fitLinear(points({{100, 1}, {100, 3}, {100, 7}})), MathError);  // one reading
  EXPECT_THROW(fitLinear({}), MathError);
  EXPECT_THROW(fitProportional({}), MathError);
  EXPECT_THROW(fitProportional(points({{0, 1}, {0, 2}})), MathError);
}

class ApproximateTest : public PackageTest {};

TEST_F(ApproximateTest, VerificationPackageIsLeftAlone) {
  Package<EprEntry> p = tdPackage(pkVerification);
  addTd(p, 200, 2);
  addTd(p, 100, 1);
  currentLines() = {{1, 2, 3}};
  p.approximate();
  EXPECT_EQ(p.entries()[0].code, 200);
  ASSERT_EQ(currentLines().size(), 1u);
  EXPECT_EQ(currentLines()[0].A, 1);
}

TEST_F(ApproximateTest, ZorbFitsOneLineAndKeepsItsBound) {
  for (uint8_t func : {0, 1}) {
    apprSettings().func = func;
    currentLines() = {{9, 9, 55}, {8, 8, 66}, {7, 7, 0}};
    Package<ZorbEntry> p;
    p.method = mReference;
    // y = 0.02 f + 0.5 at the reference temperature: frequency (pulses1 - 1) / 1 s.
    for (int32_t n : {101, 201, 401}) {
      p.addEntry();
      const int row = p.entryCount() - 1;
      p.setValue(row, colPulseTime, 1.0);
      p.setValue(row, colPulses1, n);
      p.setValue(row, colRefTime, 60.0);
      p.setValue(row, colRefFlow, 0.02 * (n - 1) + 0.5);
    }
    p.approximate();
    ASSERT_EQ(currentLines().size(), 1u);
    EXPECT_NEAR(currentLines()[0].A, 0.02, 1e-12);
    EXPECT_NEAR(currentLines()[0].B, 0.5, 1e-10);
    EXPECT_EQ(currentLines()[0].F, 55);
  }
  // Every entry switched off: nothing to fit, and no lines left.
  Package<ZorbEntry> off;
  off.addEntry();
  off.setValue(0, colSwitchedOff, uint8_t{1});
  EXPECT_THROW(off.approximate(), MathError);
  EXPECT_TRUE(currentLines().empty());
}

TEST_F(ApproximateTest, SingleLineOverAllSections) {
  Package<EprEntry> p = tdPackage();
  addEightSections(p);
  p.entries()[4].point = 1;
  for (uint8_t func : {1, 2}) {
    apprSettings().func = func;
    p.approximate();
    ASSERT_EQ(currentLines().size(), 1u);
    EXPECT_DOUBLE_EQ(currentLines()[0].F, 801);  // mean reading of the last section
    EXPECT_EQ(func == 2, currentLines()[0].B == 0);
    EXPECT_TRUE(PackageHelper::breakPoints().empty());
    EXPECT_TRUE(markedRows(p).empty());
    EXPECT_EQ(p.entries().back().section, 8);
  }
}

TEST_F(ApproximateTest, AutomaticSearch) {
  Package<EprEntry> p = tdPackage();
  addEightSections(p);
  apprSettings().manual = 0;

  apprSettings().maxAutoErr = 100;  // every fit is good enough: one line
  p.approximate();
  EXPECT_EQ(currentLines().size(), 1u);
  EXPECT_EQ(PackageHelper::breakPoints(), (std::vector<int32_t>{7}));
  EXPECT_TRUE(markedRows(p).empty());

  apprSettings().maxAutoErr = 0;  // nothing fits exactly: lines of two sections each
  p.approximate();
  ASSERT_EQ(currentLines().size(), 7u);
  EXPECT_EQ(PackageHelper::breakPoints(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
  for (int i = 0; i < 7; ++i) EXPECT_DOUBLE_EQ(currentLines()[i].F, (i + 2) * 100 + 1);
  EXPECT_EQ(markedRows(p), (std::vector<int32_t>{3, 6, 9, 12, 15, 18}));

  // Between the two: each line takes as many sections as stay within the limit (fits over
  // sections 0..2 and 1..4 are 0.30 % and 0.37 % off at worst, 1..3 0.21 %, 3..6 0.21 %), and every
  // entry stays within it against the line its reading selects.
  apprSettings().maxAutoErr = 0.25;
  p.approximate();
  EXPECT_EQ(PackageHelper::breakPoints(), (std::vector<int32_t>{1, 3, 6, 7}));
  p.recalcAll();
  for (const EprEntry& e : p.entries()) EXPECT_LE(std::fabs(e.flowError), 0.25);
}

TEST_F(ApproximateTest, ManualConstructionFromMarks) {
  Package<EprEntry> p = tdPackage();
  addEightSections(p);
  p.entries()[7].point = 1;   // section 3 (its second entry)
  p.entries()[15].point = 1;  // section 6
  p.approximate();
  ASSERT_EQ(currentLines().size(), 3u);
  EXPECT_EQ(PackageHelper::breakPoints(), (std::vector<int32_t>{2, 5, 7}));
  EXPECT_DOUBLE_EQ(currentLines()[0].F, 301);
  EXPECT_DOUBLE_EQ(currentLines()[1].F, 601);
  EXPECT_DOUBLE_EQ(currentLines()[2].F, 801);
  EXPECT_EQ(markedRows(p), (std::vector<int32_t>{6, 15}));  // first entries of sections 3 and 6

  // The middle line is the fit of sections 3 to 6 alone.
  std::vector<FitPoint> span;
  for (int i = 6; i <= 17; ++i)
    span.push_back(fitPoint(p.entries()[i].code, p.entries()[i].refFlow));
  EXPECT_DOUBLE_EQ(currentLines()[1].A, fitLinear(span).A);
}

TEST_F(ApproximateTest, MarksWithoutEffectGiveOneLine) {
  struct Case {
    const char* what;
    int row;
    bool off;
  };
  for (const Case& c : {Case{"first section", 1, false}, Case{"last section", 22, false},
                        Case{"switched-off entry", 10, true}}) {
    SCOPED_TRACE(c.what);
    Package<EprEntry> p = tdPackage();
    addEightSections(p);
    p.entries()[c.row].point = 1;
    p.entries()[c.row].switchedOff = c.off;
    p.approximate();
    EXPECT_EQ(currentLines().size(), 1u);
    EXPECT_TRUE(markedRows(p).empty());
  }
}

TEST_F(ApproximateTest, SectionMeansAsFitPoints) {
  // Entries scattered around an exact line, their section means on it.
  Package<EprEntry> p = tdPackage();
  for (double code : {100.0, 200.0, 300.0})
    for (double d : {-0.02, 0.02}) addTd(p, code, 0.01 * code + 1 + d);
  apprSettings().func = 1;
  apprSettings().fromEntries = 0;
  p.approximate();
  ASSERT_EQ(currentLines().size(), 1u);
  EXPECT_NEAR(currentLines()[0].A, 0.01, 1e-6);
  EXPECT_NEAR(currentLines()[0].B, 1, 1e-4);
}

TEST_F(ApproximateTest, KeltLinesAreFittedOnReducedValues) {
  // Water at 50 °C on a characteristic that is exact at the reference temperature: after the
  // approximation every entry's error is zero.
  apprSettings().func = 1;
  const double k = reductionFactor(50, 20);
  Package<KeltEntry> p;
  p.method = mReference;
  for (int32_t n : {101, 201, 401, 801}) {
    p.addEntry();
    const int row = p.entryCount() - 1;
    p.setValue(row, colTemperature, 50.0);
    p.setValue(row, colPulseTime, 1.0);
    p.setValue(row, colPulses1, n);
    p.setValue(row, colRefTime, 60.0);
    p.setValue(row, colRefFlow, 0.02 * (n - 1) + 0.5 / k);
  }
  p.approximate();
  ASSERT_EQ(currentLines().size(), 1u);
  EXPECT_NEAR(currentLines()[0].B, 0.5, 1e-9);
  EXPECT_DOUBLE_EQ(currentLines()[0].F, 800 * k);
  p.recalcAll();
  for (const KeltEntry& e : p.entries()) {
    EXPECT_NEAR(e.flowError, 0, 1e-9);
    EXPECT_EQ(e.line, 1);
  }
}

TEST_F(ApproximateTest, FewerThanTwoSectionsGiveNoLines) {
  for (uint8_t manual : {0, 1}) {
    apprSettings().manual = manual;
    currentLines() = {{1, 2, 3}};
    Package<EprEntry> p = tdPackage();
    addTd(p, 100, 1);
    addTd(p, 101, 1.01);
    p.approximate();
    EXPECT_TRUE(currentLines().empty());
    p.recalcAll();
    EXPECT_EQ(p.entries()[0].flowError, 100);
  }
}

TEST_F(ApproximateTest, MathErrorEmptiesTheLineSet) {
  struct Case {
    const char* what;
    std::vector<std::pair<double, double>> codeFlow;
  };
  const Case cases[] = {
      {"zero flow among the points", {{50, 0}, {100, 1}, {200, 2}}},
      {"zero opening reading", {{0, 1}, {1, 2}}},
  };
  for (uint8_t manual : {0, 1})
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      apprSettings().manual = manual;
      currentLines() = {{1, 2, 3}};
      Package<EprEntry> p = tdPackage();
      for (auto [code, flow] : c.codeFlow) addTd(p, code, flow);
      EXPECT_THROW(p.approximate(), MathError);
      EXPECT_TRUE(currentLines().empty());
    }
}

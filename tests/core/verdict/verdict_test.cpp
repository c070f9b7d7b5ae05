#include "core/verdict/verdict.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/base/errors.h"
#include "core/package/package.h"

namespace {

struct Row {
  double flow;
  double error;
  bool off = false;
  int section = 0;
};

template <class E>
Package<E> packageOf(const std::vector<Row>& rows) {
  Package<E> p;
  p.kind = pkVerification;
  for (const Row& r : rows) {
    p.addEntry();
    const int row = p.entryCount() - 1;
    p.setValue(row, colRefFlow, r.flow);
    p.setValue(row, colFlowError, r.error);
    p.setValue(row, colSwitchedOff, uint8_t{r.off});
    p.setValue(row, colSection, r.section);
  }
  return p;
}

ToleranceProfile zoned(ZoneBasis basis, std::vector<ToleranceZone> zones) {
  return {"зоны", basis, std::move(zones)};
}

}  // namespace

TEST(ToleranceProfile, LimitByZoneWithTheBoundaryInTheUpperZone) {
  const ToleranceProfile byFlow = zoned(ZoneBasis::flow, {{0, 5, 5}, {1.0, 2, 1}});
  const ToleranceProfile byFraction = zoned(ZoneBasis::fractionOfMax, {{0, 3, 3}, {0.2, 1, 1}});
  struct Case {
    const ToleranceProfile& profile;
    double flow, maxFlow, minus, plus;
  } cases[] = {
      {byFlow, 0.0, 10, 5, 5},     {byFlow, 0.999, 10, 5, 5},   {byFlow, 1.0, 10, 2, 1},
      {byFlow, -1.0, 10, 2, 1},    {byFlow, 1e9, 10, 2, 1},     {byFraction, 1.99, 10, 3, 3},
      {byFraction, 2.0, 10, 1, 1}, {byFraction, 2.0, 20, 3, 3}, {byFraction, 0, 0, 1, 1},
  };
  for (const Case& c : cases) {
    const ErrorLimit limit = limitAt(c.profile, c.flow, c.maxFlow);
    EXPECT_EQ(limit.minus, c.minus) << c.flow << " of " << c.maxFlow;
    EXPECT_EQ(limit.plus, c.plus) << c.flow << " of " << c.maxFlow;
  }
  // Both limits belong to the permitted band; an undefined error does not.
  const ErrorLimit limit{2, 1};
  EXPECT_TRUE(limit.admits(-2));
  EXPECT_TRUE(limit.admits(1));
  EXPECT_FALSE(limit.admits(1.0000001));
  EXPECT_FALSE(limit.admits(-2.0000001));
  EXPECT_FALSE(limit.admits(NAN));
}

TEST(ToleranceProfile, ZonesReadAndWrittenAsOneLine) {
  const std::vector<ToleranceZone> zones = parseZones("0:2; 1,5:-3/+1.5;10:0.5");
  ASSERT_EQ(zones.size(), 3u);
  EXPECT_EQ(zones[1].from, 1.5);
  EXPECT_EQ(zones[1].minus, 3);
  EXPECT_EQ(zones[1].plus, 1.5);
  EXPECT_EQ(zonesText(zones), "0:2;1.5:-3/+1.5;10:0.5");
  EXPECT_EQ(zonesText(parseZones(zonesText(zones))), zonesText(zones));
  for (const char* bad : {"", "2", "0:", "0:2;", "a:2", "0:2/3/4", "0:inf", "0;2"})
    EXPECT_THROW(parseZones(bad), ConvertError) << bad;
}

TEST(ToleranceProfile, ProblemsNamedForTheUser) {
  struct Case {
    ToleranceProfile profile;
    bool usable;
  } cases[] = {
      {{"±1", ZoneBasis::flow, {{0, 1, 1}}}, true},
      {{"две", ZoneBasis::flow, {{0, 5, 5}, {2, 1, 2}}}, true},
      {{" ", ZoneBasis::flow, {{0, 1, 1}}}, false},
      {{"пусто", ZoneBasis::flow, {}}, false},
      {{"не с нуля", ZoneBasis::flow, {{0.5, 1, 1}}}, false},
      {{"убывают", ZoneBasis::flow, {{0, 1, 1}, {3, 1, 1}, {2, 1, 1}}}, false},
      {{"повтор", ZoneBasis::flow, {{0, 1, 1}, {0, 1, 1}}}, false},
      {{"доля", ZoneBasis::fractionOfMax, {{0, 1, 1}, {1, 1, 1}}}, false},
      {{"ноль", ZoneBasis::flow, {{0, 0, 1}}}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(profileProblem(c.profile).empty(), c.usable) << c.profile.name;
  for (const ToleranceProfile& p : builtInProfiles()) EXPECT_EQ(profileProblem(p), "") << p.name;
  EXPECT_NE(findProfile(builtInProfiles(), "±0,5 %"), nullptr);
}

TEST(Verdict, SwitchedOffRowsTakeNoPart) {
  const auto p = packageOf<ZorbEntry>({{1.0, 0.2}, {1.01, 50, true}, {1.02, -0.4}});
  const PackageVerdict v = judgePackage(p, zoned(ZoneBasis::flow, {{0, 1, 1}}), 5);
  ASSERT_EQ(v.rows.size(), 2u);
  EXPECT_EQ(v.rows[1].row, 2);
  ASSERT_EQ(v.sections.size(), 1u);
  EXPECT_EQ(v.sections[0].rows, (std::vector<int>{0, 2}));
  EXPECT_NEAR(v.sections[0].meanError, -0.1, 1e-12);
  EXPECT_NEAR(v.sections[0].spread, 0.6, 1e-12);
  EXPECT_NEAR(v.sections[0].stdDev, std::sqrt(0.18), 1e-12);
  EXPECT_TRUE(v.passed);
}

TEST(Verdict, SectionMeanAndSingleRowsJudgedApart) {
  const ToleranceProfile profile = zoned(ZoneBasis::flow, {{0, 5, 5}, {1.0, 1, 1}});
  // Each row within the limit of its own flow; the mean flow falls in the narrower zone.
  const auto meanFails = packageOf<KeltEntry>({{0.98, 3}, {1.02, 0.9}, {5, 0}});
  const PackageVerdict a = judgePackage(meanFails, profile, 5);
  EXPECT_TRUE(a.rows[0].within && a.rows[1].within);
  ASSERT_EQ(a.sections.size(), 2u);
  EXPECT_FALSE(a.sections[0].passed);
  EXPECT_EQ(a.sections[0].limit.plus, 1);
  EXPECT_TRUE(a.sections[1].passed);
  EXPECT_FALSE(a.passed);
  // Both rows outside, their mean inside.
  const auto rowsFail = packageOf<KeltEntry>({{2, 1.5}, {2, -1.5}});
  const PackageVerdict b = judgePackage(rowsFail, profile, 5);
  EXPECT_FALSE(b.rows[0].within || b.rows[1].within);
  EXPECT_TRUE(b.passed);
}

TEST(Verdict, SectionsFromTheTableOrFromTheFlows) {
  const ToleranceProfile profile = zoned(ZoneBasis::flow, {{0, 1, 1}});
  // Numbered by the last grouping: those numbers hold, whatever the flows.
  const auto numbered =
      packageOf<EprEntry>({{1, 0, false, 2}, {5, 0, false, 1}, {1.01, 0, false, 2}});
  const PackageVerdict a = judgePackage(numbered, profile, 5);
  ASSERT_EQ(a.sections.size(), 2u);
  EXPECT_EQ(a.sections[0].rows, (std::vector<int>{1}));
  EXPECT_EQ(a.sections[1].rows, (std::vector<int>{0, 2}));
  EXPECT_EQ(a.rows[0].section, 2);
  EXPECT_TRUE(std::isnan(a.sections[0].stdDev));
  // Never grouped: runs of flows within the scatter of their first, in ascending order of flow.
  const auto ungrouped = packageOf<EprEntry>({{10.6, 0}, {10, 0}, {10.5, 0}, {0, 0}, {0, 0}});
  const PackageVerdict b = judgePackage(ungrouped, profile, 5);
  ASSERT_EQ(b.sections.size(), 3u);
  EXPECT_EQ(b.sections[0].rows, (std::vector<int>{3, 4}));
  EXPECT_EQ(b.sections[1].rows, (std::vector<int>{1, 2}));
  EXPECT_EQ(b.sections[2].rows, (std::vector<int>{0}));
}

TEST(Verdict, NothingToJudgeOrUndefinedErrorsPassNothing) {
  const ToleranceProfile profile = zoned(ZoneBasis::flow, {{0, 1, 1}});
  EXPECT_FALSE(judgePackage(packageOf<ZorbEntry>({}), profile, 5).passed);
  EXPECT_FALSE(judgePackage(packageOf<ZorbEntry>({{1, 0, true}}), profile, 5).passed);
  const PackageVerdict v = judgePackage(packageOf<ZorbEntry>({{1, NAN}, {NAN, 0}}), profile, 5);
  EXPECT_FALSE(v.rows[0].within);
  EXPECT_FALSE(v.passed);
}

// Without a profile the sections still come out as a profile would form them.
TEST(Verdict, SectionsOfAPackageWithoutAProfile) {
  const auto p = packageOf<KeltEntry>({{5, 0.4}, {1.0, 0.2}, {1.02, -0.4}, {5.1, 1, true}});
  const std::vector<SectionVerdict> sections = packageSections(p, 5);
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0].rows, (std::vector<int>{1, 2}));
  EXPECT_NEAR(sections[0].flow, 1.01, 1e-12);
  EXPECT_NEAR(sections[0].meanError, -0.1, 1e-12);
  EXPECT_EQ(sections[1].rows, (std::vector<int>{0}));
  EXPECT_TRUE(std::isnan(sections[1].stdDev));
  EXPECT_TRUE(packageSections(packageOf<KeltEntry>({}), 5).empty());
}

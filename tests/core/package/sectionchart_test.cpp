#include "core/package/sectionchart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

struct P {
  double flow;
  double error;
  int32_t number;
  bool marked = false;
};

SPILT_STRUCT series(const std::vector<P>& points) {
  SPILT_STRUCT s;
  for (const P& p : points) s.points.push_back({p.flow * 10, p.flow, p.number, p.marked, p.error});
  return s;
}

std::vector<int> indices(const std::vector<SectionMarker>& markers) {
  std::vector<int> v;
  for (const SectionMarker& m : markers) v.push_back(m.index);
  return v;
}

std::vector<bool> marks(const SPILT_STRUCT& s) {
  std::vector<bool> v;
  for (const SPILT_POINT& p : s.points) v.push_back(p.marked != 0);
  return v;
}

}  // namespace

TEST(SectionChart, PlotsFlowAgainstErrorAndLeavesOutWhatALogAxisCannotShow) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const SPILT_STRUCT s = series({{0, 100, 0},  // no reference run yet
                                 {2, -0.5, 1, true},
                                 {2.2, 0.3, 1},
                                 {5, 1.5, 0, true},  // switched off
                                 {8, nan, 2},
                                 {8, 0.1, 2},
                                 {-1, 0, 3}});
  const SectionChart c = sectionChart(s);
  EXPECT_EQ(indices(c.front), (std::vector<int>{1, 2, 3, 5}));
  EXPECT_EQ(indices(c.back), (std::vector<int>{1, 3}));
  EXPECT_EQ(c.front[1].flow, 2.2);
  EXPECT_EQ(c.front[1].error, 0.3);
  EXPECT_EQ(c.front[1].number, 1);

  // One tick per numbered section at the geometric mean of its shown points; none for section 0.
  ASSERT_EQ(c.ticks.size(), 2u);
  EXPECT_EQ(c.ticks[0].number, 1);
  EXPECT_NEAR(c.ticks[0].flow, std::sqrt(2 * 2.2), 1e-12);
  EXPECT_EQ(c.ticks[1].number, 2);
  EXPECT_NEAR(c.ticks[1].flow, 8, 1e-12);

  // Every shown point lies strictly inside both ranges.
  EXPECT_NEAR(c.flow.lower, 2 / 1.25, 1e-12);
  EXPECT_NEAR(c.flow.upper, 8 * 1.25, 1e-12);
  EXPECT_NEAR(c.error.lower, -0.5 - 0.2, 1e-12);
  EXPECT_NEAR(c.error.upper, 1.5 + 0.2, 1e-12);
}

TEST(SectionChart, RangesWithoutSpread) {
  const SectionChart empty = sectionChart(SPILT_STRUCT{});
  EXPECT_TRUE(empty.front.empty() && empty.ticks.empty());
  EXPECT_LT(empty.flow.lower, empty.flow.upper);
  EXPECT_GT(empty.flow.lower, 0);
  EXPECT_LT(empty.error.lower, empty.error.upper);

  // Every error 100 (no lines yet): the error axis still has room around them.
  const SectionChart flat = sectionChart(series({{1, 100, 1}, {3, 100, 2}}));
  EXPECT_EQ(flat.error.lower, 99);
  EXPECT_EQ(flat.error.upper, 101);
}

TEST(SectionChart, ClickTogglesTheWholeSection) {
  // Sections 1 and 2; the entry at index 2 is switched off (section 0), as is the one at index 5.
  SPILT_STRUCT s = series({{1, 0, 1}, {1.1, 0, 1}, {1.2, 0, 0}, {3, 0, 2}, {3.1, 0, 2}, {4, 0, 0}});
  toggleSection(s, 1);
  EXPECT_EQ(marks(s), (std::vector<bool>{true, true, false, false, false, false}));
  toggleSection(s, 0);  // the same section again: unmarked
  EXPECT_EQ(marks(s), (std::vector<bool>(6, false)));
  toggleSection(s, 5);  // a switched-off entry takes every point of section 0 with it
  EXPECT_EQ(marks(s), (std::vector<bool>{false, false, true, false, false, true}));

  // A section whose points disagree follows the point clicked.
  s.points[3].marked = 1;
  toggleSection(s, 4);
  EXPECT_TRUE(s.points[3].marked && s.points[4].marked);
  toggleSection(s, 3);
  EXPECT_FALSE(s.points[3].marked || s.points[4].marked);

  const std::vector<bool> before = marks(s);
  toggleSection(s, 6);
  EXPECT_EQ(marks(s), before);
  clearMarks(s);
  EXPECT_EQ(marks(s), (std::vector<bool>(6, false)));
}

#include "core/package/sections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

namespace {

// TD entries: the reading is the code, the flow the reference flow.
struct Row {
  double code, flow;
  bool off = false;
};

std::vector<EprEntry> entriesOf(const std::vector<Row>& rows) {
  std::vector<EprEntry> v;
  for (const Row& r : rows)
    v.push_back(EprEntry{.refFlow = r.flow, .code = r.code, .section = 9, .switchedOff = r.off});
  return v;
}

std::vector<int> sectionNumbers(const std::vector<EprEntry>& v) {
  std::vector<int> n;
  for (const EprEntry& e : v) n.push_back(e.section);
  return n;
}

struct Grouping {
  std::vector<EprEntry> entries;
  std::vector<PackageHelper::Section> sections;
};

Grouping group(const std::vector<Row>& rows, double scatter) {
  Grouping g{entriesOf(rows), {}};
  groupSections(g.entries, scatter, g.sections);
  return g;
}

}  // namespace

TEST(Sections, ScatterIsMeasuredFromTheFirstReadingOfTheSection) {
  // Entered out of order; grouping sorts them by flow.
  const std::vector<Row> rows = {{106, 4}, {100, 1}, {104.9, 3}, {103, 2}};
  Grouping g = group(rows, 5);
  ASSERT_EQ(g.sections.size(), 2u);
  EXPECT_EQ(g.entries[0].code, 100);
  EXPECT_EQ(g.entries[3].code, 106);
  EXPECT_EQ(g.sections[0].first, 0);
  EXPECT_EQ(g.sections[0].last, 2);
  EXPECT_DOUBLE_EQ(g.sections[0].meanX, (100 + 103 + 104.9) / 3);
  EXPECT_DOUBLE_EQ(g.sections[0].meanY, 2);
  EXPECT_EQ(g.sections[1].first, 3);
  EXPECT_EQ(g.sections[1].last, 3);
  EXPECT_EQ(sectionNumbers(g.entries), (std::vector<int>{1, 1, 1, 2}));

  EXPECT_EQ(group(rows, 0).sections.size(), 4u);
  EXPECT_EQ(group({{100, 1}, {105, 2}}, 5).sections.size(), 1u);  // 5 is not more than 5
  // A negative opening reading makes every difference negative: all join.
  EXPECT_EQ(group({{-10, 1}, {50, 2}, {500, 3}}, 5).sections.size(), 1u);
}

TEST(Sections, SwitchedOffEntriesBelongToNoSection) {
  Grouping g = group({{100, 1}, {100, 2, true}, {101, 3}, {200, 4, true}, {300, 5}}, 5);
  ASSERT_EQ(g.sections.size(), 2u);
  EXPECT_EQ(sectionNumbers(g.entries), (std::vector<int>{1, 0, 1, 0, 2}));
  EXPECT_EQ(g.sections[0].last, 3);  // the switched-off entry before the next section
  EXPECT_DOUBLE_EQ(g.sections[0].meanX, 100.5);

  Grouping none = group({{100, 1, true}, {200, 2, true}}, 5);
  EXPECT_TRUE(none.sections.empty());
  EXPECT_EQ(sectionNumbers(none.entries), (std::vector<int>{0, 0}));
}

TEST(Sections, ZeroOpeningReadingFollowedByAnotherEntryFails) {
  std::vector<EprEntry> v = entriesOf({{5, 2}, {0, 1}});
  std::vector<PackageHelper::Section> sections = {{0, 0, 1, 1}};
  EXPECT_THROW(groupSections(v, 5.0, sections), MathError);
  EXPECT_TRUE(sections.empty());
  EXPECT_EQ(v[0].code, 0);  // sorted
  EXPECT_EQ(sectionNumbers(v), (std::vector<int>{0, 0}));

  // Alone, or followed only by switched-off entries, a zero reading is a section of its own.
  EXPECT_EQ(group({{0, 1}, {5, 2, true}}, 5).sections.size(), 1u);
}

TEST(Sections, EqualFlowsKeepTheirEnteredOrder) {
  // Codes name the entered position; equal flows (0 and -0 included) and undefined flows, which
  // sort last, must keep it. The expected order is the one grouping has always produced.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Row> rows = {{1, 3},    {2, nan}, {3, 1}, {4, 3},  {5, 0},  {6, 1},
                                 {7, -0.0}, {8, nan}, {9, 3}, {10, 2}, {11, 1}, {12, 0}};
  Grouping g = group(rows, 0);
  std::vector<double> codes;
  for (const EprEntry& e : g.entries) codes.push_back(e.code);
  EXPECT_EQ(codes, (std::vector<double>{5, 7, 12, 3, 6, 11, 10, 1, 4, 9, 2, 8}));

  // Already sorted input stays as it is.
  std::vector<EprEntry> again = g.entries;
  std::vector<PackageHelper::Section> sections;
  groupSections(again, 0, sections);
  for (size_t i = 0; i < again.size(); ++i) EXPECT_EQ(again[i].code, g.entries[i].code);
}

TEST(Sections, LargePackagesSortLikeAStableComparisonSort) {
  // Large packages take another sorting path than small ones; both must give the order of a
  // stable sort on the flow. Flows of several decades and signs, many ties, ±0, infinities and
  // undefined flows; the code names the entered position.
  std::mt19937 random(11);
  const double specials[] = {0.0,
                             -0.0,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             1e-300,
                             -1e300};
  for (const size_t count : {size_t{300}, size_t{20000}}) {
    std::vector<EprEntry> entries(count);
    for (size_t i = 0; i < count; ++i) {
      const unsigned pick = random() % 10;
      double flow = pick < 2 ? specials[random() % std::size(specials)]
                             : std::ldexp(double(random() % 64), int(random() % 40) - 20);
      if (pick == 2) flow = -flow;
      entries[i] = EprEntry{.refFlow = flow, .code = double(i)};
    }
    auto key = [](const EprEntry& e) {
      return std::isnan(e.refFlow) ? std::numeric_limits<double>::infinity() : e.refFlow;
    };
    std::vector<EprEntry> expected = entries;
    std::stable_sort(expected.begin(), expected.end(),
                     [&](const EprEntry& a, const EprEntry& b) { return key(a) < key(b); });
    sortByFlow(entries);
    for (size_t i = 0; i < count; ++i)
      ASSERT_EQ(entries[i].code, expected[i].code) << "count " << count << ", position " << i;
  }
}

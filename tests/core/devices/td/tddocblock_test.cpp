#include "core/devices/td/tddocblock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/devices/td/tdpanelmodel.h"
#include "core/document/devicebase.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(TdDevice, ParameterBlockLayout) {
  const TdParameters p{0.001f, 0, 0x1D, 30.0f, 1.0f};
  const auto block = tdEncodeParameters(p);
  EXPECT_EQ(Bytes(block.begin(), block.end()), (Bytes{0x6F, 0x12, 0x83, 0x3A, 0x00, 0x1D, 0x00,
                                                      0x00, 0xF0, 0x41, 0x00, 0x00, 0x80, 0x3F}));
  const auto back = tdDecodeParameters(block);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->pulseWeight, 0.001f);
  EXPECT_EQ(back->flags, 0x1D);
  EXPECT_EQ(back->gmax, 30.0f);
  EXPECT_EQ(back->gpor, 1.0f);
  EXPECT_FALSE(tdDecodeParameters(std::span(block).first(13)));
}

TEST(TdDevice, ParametersOfThePanelFields) {
  TdOutputsFields fields;
  fields.weightText = "abc";
  fields.meander = true;
  const TdParameters p = tdParametersOf(tdLenientOutputs(fields, 3, 6), "30,5", "0.025");
  EXPECT_EQ(p.pulseWeight, 0.0005f);
  EXPECT_EQ(p.pulseLength, 0);
  EXPECT_EQ(p.flags, 0);
  EXPECT_EQ(p.gmax, 30.5f);
  EXPECT_EQ(p.gpor, 0.025f);
  const TdParameters bad = tdParametersOf({}, "x", "1e39");
  EXPECT_EQ(bad.gmax, 0.0f);
  EXPECT_EQ(bad.gpor, 0.0f);

  // Stored and shown again, the outputs look as they did.
  const TdOutputsView view = tdOutputsView(tdOutputsOf(p), 3);
  EXPECT_EQ(view.weightText, "0.001");
  EXPECT_TRUE(view.meander);
  EXPECT_EQ(view.cardPosition, 0);
  EXPECT_EQ(view.reversePosition, 0);
}

std::vector<int32_t> thresholds(const TdCoefficients& t) {
  return {t.rows[0].threshold, t.rows[1].threshold, t.rows[2].threshold, t.rows[3].threshold};
}

TdCoefficients limitsOnly() {
  TdCoefficients t;
  for (auto& row : t.rows) row = {9, 9, 9};
  t.gmax = 30;
  t.gpor = 0.25f;
  return t;
}

// The table of lines the meter can hold.
TdCoefficients tableOf(const TdCoefficients& table, const std::vector<files::Line>& lines) {
  const TdTableLines result = tdTableWithLines(table, lines);
  EXPECT_TRUE(result.warnings.empty());
  return result.table.value_or(TdCoefficients{});
}

TEST(TdDevice, LinesBecomeTheDirectTable) {
  const TdCoefficients three = tableOf(limitsOnly(), {{1, 2, 100.9}, {3, 4, -200.9}, {5, 6, 300}});
  EXPECT_EQ(thresholds(three), (std::vector<int32_t>{100, -200, 9999999, 0}));
  EXPECT_EQ(three.rows[2].A, 5.0f);
  EXPECT_EQ(three.rows[2].B, 6.0f);
  EXPECT_EQ(three.rows[3].A, 0.0f);
  EXPECT_EQ(three.rows[4].B, 0.0f);
  EXPECT_EQ(three.gmax, 30.0f);  // the limits stay
  EXPECT_EQ(three.gpor, 0.25f);

  const TdCoefficients five =
      tableOf(limitsOnly(), {{1, 0, 10}, {2, 0, 20}, {3, 0, 30}, {4, 0, 40}, {5, 0, 50}});
  EXPECT_EQ(thresholds(five), (std::vector<int32_t>{10, 20, 30, 40}));
  EXPECT_EQ(five.rows[4].A, 5.0f);
  EXPECT_EQ(five.rows[4].threshold, 0);

  EXPECT_EQ(thresholds(tableOf(limitsOnly(), {{1, 0, 5}})),
            (std::vector<int32_t>{9999999, 0, 0, 0}));
  const TdCoefficients none = tableOf(limitsOnly(), {});
  EXPECT_EQ(thresholds(none), (std::vector<int32_t>{0, 0, 0, 0}));
  EXPECT_EQ(none.rows[0].A, 0.0f);

  // Bounds a code cannot hold are kept within int32 rather than wrapped.
  EXPECT_EQ(thresholds(tableOf({}, {{1, 0, 1e12}, {1, 0, -1e12}, {1, 0, NAN}, {1, 0, 0}})),
            (std::vector<int32_t>{2147483647, -2147483647 - 1, 0, 9999999}));
}

TEST(TdDevice, LinesTheTableCannotHoldAreRefused) {
  const std::vector<files::Line> six(6, {1, 1, 1});
  const TdTableLines refused = tdTableWithLines({}, six);
  EXPECT_FALSE(refused.table) << "accepted";
  EXPECT_EQ(refused.warnings, std::vector<std::string>{"Слишком много прямых аппроксимации"});
  EXPECT_THROW(tdTableWithLines({}, {{1e300, 0, 0}}), MathError);
  EXPECT_THROW(tdTableWithLines({}, {{1, NAN, 0}}), MathError);
}

TEST(TdDevice, TableBecomesFiveLines) {
  TdCoefficients t;
  t.rows[0] = {1.5f, -2, 100};
  t.rows[3] = {4, 0, 400};
  t.rows[4] = {5, 0.5f, 0};
  const std::vector<files::Line> lines = tdLinesOfTable(t);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].A, 1.5);
  EXPECT_EQ(lines[0].B, -2);
  EXPECT_EQ(lines[0].F, 100);
  EXPECT_EQ(lines[3].F, 400);
  EXPECT_EQ(lines[4].B, 0.5);
  EXPECT_EQ(lines[4].F, 0);
  EXPECT_EQ(lines[1].A, 0);
}

}  // namespace

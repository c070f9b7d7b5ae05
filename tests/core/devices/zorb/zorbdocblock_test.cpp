#include "core/devices/zorb/zorbdocblock.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(ZorbDocBlock, WeightPositionAtOffsetFour) {
  EXPECT_EQ(zorbDocBlock(1), (std::array<uint8_t, 8>{0, 0, 0, 0, 1, 0, 0, 0}));

  const struct {
    int32_t stored;
    int32_t position;
  } cases[] = {{0, 0}, {1, 1}, {2, 2}, {7, 2}, {-3, 0}};
  for (const auto& c : cases) {
    std::array<uint8_t, 8> block;
    block.fill(0x55);  // the first four bytes are ignored
    std::memcpy(block.data() + 4, &c.stored, 4);
    EXPECT_EQ(zorbWeightPositionOf(block.data(), 8), c.position) << c.stored;
  }
  const auto block = zorbDocBlock(2);
  EXPECT_EQ(zorbWeightPositionOf(block.data(), 7), std::nullopt);
}

TEST(ZorbDocBlock, ReadLinesKeepsExactlyOneLine) {
  const struct {
    std::vector<files::Line> before;
    double F;
  } cases[] = {{{}, 0}, {{{9, 9, 300}}, 300}, {{{1, 2, 300}, {3, 4, 500}, {5, 6, 0}}, 300}};
  for (const auto& c : cases) {
    const auto got = zorbReadLines(c.before, 1.25, -0.5);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].A, 1.25);
    EXPECT_EQ(got[0].B, -0.5);
    EXPECT_EQ(got[0].F, c.F);
  }
}

TEST(ZorbDocBlock, WriteLinesTakesTheFirstLineAndWarns) {
  const std::string a = "Коэффициент A не принадлежит допустимому диапазону";
  const std::string b = "Коэффициент B не принадлежит допустимому диапазону";
  const std::string many = "Слишком много прямых аппроксимации";
  const struct {
    std::vector<files::Line> lines;
    std::vector<std::string> warnings;
  } cases[] = {
      {{{2.5, -1, 0}}, {}},
      {{{0, 558, 0}}, {}},
      {{{36, -558, 0}}, {}},
      {{{-0.001, 0, 0}}, {a}},
      {{{36.001, 558.001, 0}}, {a, b}},
      {{{40, -600, 0}, {1, 1, 0}}, {a, b, many}},
      {{{1.5, 0.5, 20}, {2, 1, 0}}, {many}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines[0].A);
    const ZorbLineEdits got = zorbWriteLines(c.lines);
    ASSERT_TRUE(got.values);
    EXPECT_EQ(got.values->A, c.lines[0].A);
    EXPECT_EQ(got.values->B, c.lines[0].B);
    EXPECT_EQ(got.warnings, c.warnings);
  }
  const ZorbLineEdits none = zorbWriteLines({});
  EXPECT_FALSE(none.values);
  EXPECT_TRUE(none.warnings.empty());
}

}  // namespace

#include "core/devices/kelt/keltdocblock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(KeltDocBlock, LinesOfThePanel) {
  const double A[5] = {1, 2, 3, 4, 5}, B[5] = {}, F[4] = {10, 20, 30, 40};
  EXPECT_EQ(keltReadLines(A, B, F, 0).size(), 4u);
  const auto five = keltReadLines(A, B, F, 1);
  ASSERT_EQ(five.size(), 5u);
  EXPECT_EQ(five[3].F, 40);
  EXPECT_EQ(five[4].A, 5);
  EXPECT_EQ(five[4].F, 40);

  const auto three = keltWriteLines({{1, 0.1, 50}, {2, 0.2, 60}, {3, 0.3, 70}}, 1);
  EXPECT_TRUE(three.warnings.empty());
  EXPECT_EQ(three.A[2], 3);
  EXPECT_EQ(three.A[3], 0);
  EXPECT_EQ(three.B[4], 0);
  EXPECT_EQ(three.F[0], 50);
  EXPECT_EQ(three.F[1], 60);
  EXPECT_EQ(three.F[2], 32768);  // the F of the last line means nothing
  EXPECT_EQ(three.F[3], 32768);

  const auto bad = keltWriteLines({{1, 300, 0.4}, {37, 0, 50000}, {1, -280, 1}}, 3);
  EXPECT_EQ(bad.B[0], 300);  // shown all the same
  EXPECT_EQ(bad.warnings, (std::vector<std::string>{
                              "Коэффициент A2 не принадлежит допустимому диапазону",
                              "Коэффициент B1 не принадлежит допустимому диапазону",
                              "Коэффициент B3 не принадлежит допустимому диапазону",
                              "Граничная частота F12 не принадлежит допустимому диапазону",
                              "Граничная частота F23 не принадлежит допустимому диапазону",
                          }));

  const std::vector<files::Line> line(1, {1, 0, 100});
  const auto tooMany = [&](std::size_t n, int model) {
    const auto w = keltWriteLines(std::vector<files::Line>(n, line[0]), model).warnings;
    return w.size() == 1 && w[0] == "Слишком много прямых аппроксимации";
  };
  EXPECT_TRUE(tooMany(5, 0));
  EXPECT_FALSE(tooMany(4, 0));
  EXPECT_FALSE(tooMany(5, 1));
  EXPECT_TRUE(tooMany(6, 1));
}

TEST(KeltDocBlock, DocumentParameterBlock) {
  KeltDocParameters p;
  p.outputPosition = 1;
  p.weightPosition = 3;
  p.n = 200;
  p.pulseDuration = 7.808;
  p.offset = -5;
  uint8_t bytes[32];
  std::memcpy(bytes, &p, sizeof p);
  EXPECT_EQ(bytes[4], 1);
  EXPECT_EQ(bytes[8], 3);
  EXPECT_EQ(bytes[12], 200);
  EXPECT_EQ(bytes[24], 0xFB);
  EXPECT_EQ(bytes[27], 0xFF);
  double duration;
  std::memcpy(&duration, bytes + 16, 8);
  EXPECT_EQ(duration, 7.808);

  const auto back = keltReadDocParameters(bytes, 32, 3);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->outputPosition, 1);
  EXPECT_EQ(back->weightPosition, 3);
  EXPECT_EQ(back->n, 200);
  EXPECT_EQ(back->pulseDuration, 7.808);
  EXPECT_EQ(back->offset, -5);
  EXPECT_FALSE(keltReadDocParameters(bytes, 31, 3));

  p.outputPosition = 5;  // beyond the two outputs of model 3
  p.weightPosition = -2;
  std::memcpy(bytes, &p, sizeof p);
  EXPECT_EQ(keltReadDocParameters(bytes, 32, 3)->outputPosition, 1);
  EXPECT_EQ(keltReadDocParameters(bytes, 32, 7)->outputPosition, 5);
  EXPECT_EQ(keltReadDocParameters(bytes, 32, 7)->weightPosition, 0);
}

}  // namespace

#include "core/devices/zorb/zorbprotocol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/devices/zorb/zorbframes.h"
#include "support/writecheckprint.h"

namespace {

TEST(ZorbProtocol, WriteFramesHaveKnownBytes) {
  for (const auto& c : kZorbFrames) {
    SCOPED_TRACE("du " + std::to_string(c.du) + " A " + std::to_string(c.a));
    EXPECT_EQ(zorbWriteFrame(c.a, c.b, c.du), c.frame);
  }
}

TEST(ZorbProtocol, AnswersDecodeBackToTheCoefficients) {
  for (const auto& c : kZorbFrames) {
    SCOPED_TRACE("du " + std::to_string(c.du) + " A " + std::to_string(c.a));
    const auto got = zorbDecodeAnswer(c.frame, c.du);
    EXPECT_DOUBLE_EQ(got.A, c.a);
    EXPECT_NEAR(got.B, c.b, 1e-12);
  }
}

TEST(ZorbProtocol, DecodingUsesTheCallersDuAndTruncatesAnOddDoubledCode) {
  // Same bytes read with the Ду 125 scale instead of Ду 100.
  const auto other = zorbDecodeAnswer(kZorbFrames[0].frame, 9);
  EXPECT_DOUBLE_EQ(other.A, 36.0);
  EXPECT_DOUBLE_EQ(other.B, -2.0);
  // A code 10001 with byte 0 set halves to 5000; bytes 6 and 7 are not examined.
  const ZorbFrame odd{0x01, 0x27, 0x11, 0x00, 0x00, 0x00, 0xEE, 0xEE};
  EXPECT_DOUBLE_EQ(zorbDecodeAnswer(odd, 2).A, 0.05);
}

// The device's bytes 0..5 decide; bytes 6 and 7 of an answer are not examined.
TEST(ZorbProtocol, ReadBackIsComparedByItsCodes) {
  const ZorbFrame written = kZorbFrames[0].frame;  // Ду 100: A 3.6, B -0.2
  const ZorbFrame doubled = kZorbFrames[1].frame;  // Ду 25: A 0.05, A code doubled
  const struct {
    const char* name;
    ZorbFrame written;
    ZorbFrame answer;
    uint8_t du;
    WriteCheckResult result;
    std::vector<WriteCheckField> fields;
  } cases[] = {
      {"same",
       written,
       {0x00, 0x8C, 0xA0, 0x01, 0xF8, 0x30, 0xEE, 0xEE},
       8,
       WriteCheckResult::verified,
       {}},
      {"A one code up",
       written,
       {0x00, 0x8C, 0xA1, 0x01, 0xF8, 0x30, 0x55, 0x0D},
       8,
       WriteCheckResult::mismatch,
       {{"A", "3.6", "3.6001"}}},
      {"B sign lost",
       written,
       {0x00, 0x8C, 0xA0, 0x00, 0xF8, 0x30, 0x55, 0x0D},
       8,
       WriteCheckResult::mismatch,
       {{"B", "-0.2", "6.3536"}}},
      // An odd doubled code halves to the same A: the byte itself is named.
      {"odd doubled code",
       doubled,
       {0x01, 0x27, 0x11, 0x00, 0x00, 0x00, 0x39, 0x0D},
       2,
       WriteCheckResult::mismatch,
       {{"байт 2", "10", "11"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const WriteCheck check = zorbCompareWritten(c.written, c.answer, c.du);
    EXPECT_EQ(check.result, c.result);
    EXPECT_EQ(check.fields, c.fields);
  }
}

TEST(ZorbProtocol, UncodableCoefficientsAreRefused) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    uint8_t du;
    double a;
    double b;
  } bad[] = {
      {8, 3.7, 0},        // A code 37000
      {8, -0.0001, 0},    // A code -1
      {2, 0.18001, 0},    // doubled A code 36002
      {8, 3.0, 0.7},      // A + B codes 37000
      {8, 0.0, -0.0001},  // A + B codes -1
      {8, std::nan(""), 0}, {8, 1.0, inf}, {8, 1e300, -1e300},
  };
  for (const auto& c : bad) {
    SCOPED_TRACE("du " + std::to_string(c.du) + " A " + std::to_string(c.a) + " B " +
                 std::to_string(c.b));
    try {
      zorbWriteFrame(c.a, c.b, c.du);
      ADD_FAILURE() << "no exception";
    } catch (const MessageError& e) {
      EXPECT_STREQ(e.what(), "Недопустимые значения коэффициентов A и/или B");
    }
  }
}

TEST(ZorbProtocol, ReadRequestIsMarkerZerosAndCarriageReturn) {
  EXPECT_EQ(zorbReadRequest(), (ZorbFrame{0x80, 0, 0, 0, 0, 0, 0, 0x0D}));
}

TEST(ZorbProtocol, RoundingTakesHalvesAwayFromZero) {
  const struct {
    double x;
    long r;
  } cases[] = {{0.5, 1}, {-0.5, -1}, {2.5, 3}, {-2.5, -3}, {1.4999, 1}, {-1.4999, -1}};
  for (const auto& c : cases) EXPECT_EQ(zorbRound(c.x), c.r) << c.x;
}

TEST(ZorbProtocol, ScaleAndPulseWeightsFollowTheDuGroups) {
  const struct {
    uint8_t du;
    int scale;
    const char* lightest;
  } cases[] = {{2, 100000, "0,0001"}, {4, 100000, "0,0001"}, {5, 10000, "0,001"},
               {8, 10000, "0,001"},   {9, 1000, "0,01"},     {11, 1000, "0,01"}};
  for (const auto& c : cases) {
    EXPECT_EQ(zorbScale(c.du), c.scale) << int(c.du);
    EXPECT_STREQ(zorbPulseWeights(c.du)[0], c.lightest) << int(c.du);
  }
  // Same position, next group: "0,01" at Ду 40 becomes "0,1" at Ду 50.
  EXPECT_STREQ(zorbPulseWeights(4)[2], "0,01");
  EXPECT_STREQ(zorbPulseWeights(5)[2], "0,1");
  EXPECT_STREQ(zorbPulseWeights(11)[2], "1");
}

}  // namespace

#include "core/devices/kelt/keltblocks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "core/base/errors.h"
#include "core/devices/kelt/keltexamples.h"
#include "core/devices/kelt/keltmodels.h"
#include "core/devices/kelt/messageof.h"

namespace {

using namespace keltexamples;

int lsb(const std::vector<uint8_t>& b, int at) { return b[at] | (b[at + 1] << 8); }
int msb(const std::vector<uint8_t>& b, int at) { return (b[at] << 8) | b[at + 1]; }

TEST(KeltBlocks, ScaleVariantAndMinimumFrequencyTables) {
  EXPECT_EQ(keltScaleD(4), 100000);
  EXPECT_EQ(keltScaleD(5), 10000);
  EXPECT_EQ(keltScaleD(8), 10000);
  EXPECT_EQ(keltScaleD(9), 1000);
  EXPECT_EQ(keltK(10), 228);
  for (int model : {11, 14, 17}) EXPECT_EQ(keltK(model), 128);
  EXPECT_DOUBLE_EQ(keltFmin(5, 0), 1.7);
  EXPECT_DOUBLE_EQ(keltFmin(5, 9), 1.7);
  EXPECT_DOUBLE_EQ(keltFmin(5, 16), 3.4);   // КЕЛТ2: twice table 1
  EXPECT_DOUBLE_EQ(keltFmin(11, 17), 0.9);  // КЕЛТ3: 0.9 × table 2
  EXPECT_DOUBLE_EQ(keltFmin(1, 14), 0);     // Ду 20 has no КЕЛТ3 row
  EXPECT_DOUBLE_EQ(keltFmin(12, 1), 0);
  EXPECT_EQ(keltRound(2.5), 3);
  EXPECT_EQ(keltRound(-2.5), -3);
  EXPECT_EQ(keltRound(-2.49), -2);
}

TEST(KeltBlocks, DivisorCodes) {
  const struct {
    int s;
    uint8_t code;
  } wide[] = {{1, 0x01}, {15, 0x0F}, {16, 0x14}, {32, 0x18}, {60, 0x1F}};
  for (const auto& c : wide) {
    EXPECT_EQ(keltDivisorCode(c.s), c.code) << c.s;
    EXPECT_EQ(keltDivisor(c.code), c.s) << c.s;
  }
  // Models 7 and 8 store 1..31 plainly.
  EXPECT_EQ(keltDivisorCode(20, false), 20);
  EXPECT_EQ(keltDivisor(0x74, false), 20);
}

TEST(KeltBlocks, Format3WorkedExample) {
  const auto block = keltEncode(example3(), 7);
  ASSERT_EQ(block.size(), kKeltBlockSize3);
  EXPECT_EQ(block[0], 0x8E);
  EXPECT_EQ(block[1], 0x23);  // A code 9102
  EXPECT_EQ(block[10], 0xFA);
  EXPECT_EQ(block[11], 0x24);      // B code 9466
  EXPECT_EQ(block[20], 0x61);      // class 0x60, divisor 1
  EXPECT_EQ(lsb(block, 25), 328);  // 32768 / 100 Hz
  EXPECT_EQ(block[33], 5 * 16 + 1);
  EXPECT_EQ(block[34], 33);  // 1 ms
  EXPECT_EQ(block[35], 7);   // offset 0

  const auto p = keltDecode3(block, 7);
  EXPECT_NEAR(p.A[0], 0.4999878, 1e-7);
  EXPECT_NEAR(p.B[0], 0.0099976, 1e-7);
  EXPECT_NEAR(p.F[0], 32768.0 / 328, 1e-9);
  EXPECT_EQ(p.duCode, 5);
  EXPECT_EQ(p.weightCode, 1);
  EXPECT_EQ(p.outputType, 0);
  EXPECT_NEAR(p.pulseDuration, 1.0065, 1e-9);
}

TEST(KeltBlocks, Format1WorkedExampleSearchesTheMultiplierDownwards) {
  auto p = example12();
  p.n = 9;
  p.outputCode = 3;
  const auto block = keltEncode(p, 0);
  ASSERT_EQ(block.size(), kKeltBlockSize1);
  EXPECT_EQ(block[0], 9);
  EXPECT_EQ(msb(block, 21), 324);   // lower threshold of F12
  EXPECT_EQ(msb(block, 27), 331);   // upper threshold
  EXPECT_EQ(msb(block, 1), 27307);  // A code with k = 3
  EXPECT_EQ(msb(block, 9), 27671);
  EXPECT_EQ(block[17], 11);  // k 3, s 1
  EXPECT_EQ(block[33], 4 * 16 + 3);

  const auto back = keltDecode12(block, 0);
  EXPECT_NEAR(back.F[0], 100.055, 1e-3);
  EXPECT_NEAR(back.A[0], 0.5, 1e-4);
  EXPECT_NEAR(back.B[0], 0.01, 1e-4);
  EXPECT_EQ(back.n, 9);
  EXPECT_EQ(back.outputCode, 3);
  EXPECT_EQ(back.duCode, 5);
}

// Known layout details of the settings and trailer bytes per model.
TEST(KeltBlocks, SettingsBytesFollowTheModel) {
  auto p3 = example3();
  p3.tempOffset = -3;
  p3.weightCode = 2;
  const auto b11 = keltEncode(p3, 11);  // КЕЛТ3: Du code in byte 35, none in byte 33
  EXPECT_EQ(b11[33], 2);
  EXPECT_EQ(b11[35], 0x85);
  EXPECT_EQ(keltDecode3(b11, 11).duCode, 5);
  const auto b9 = keltEncode(p3, 9);
  EXPECT_EQ(b9[33], 0x52);
  EXPECT_EQ(b9[35], 4);
  EXPECT_EQ(keltDecode3(b9, 9).tempOffset, -3);

  auto p4 = example4();
  p4.serialNumber = 0x123456;
  p4.weightCode = 2;
  p4.pulseDuration = 3.8;
  const struct {
    int model;
    uint8_t settings, offsetByte;
  } cases[] = {{12, 0x42, 0x07}, {13, 0x4A, 0x07}, {14, 0x42, 0x87}, {16, 0x4A, 0x07}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model);
    const auto b = keltEncode(p4, c.model);
    EXPECT_EQ(b[33], c.settings);
    EXPECT_EQ(b[35], c.offsetByte);
    EXPECT_EQ(b[36], 0x56);
    EXPECT_EQ(b[38], 0x12);
    const auto back = keltDecode4(b, c.model);
    EXPECT_EQ(back.serialNumber, 0x123456);
    EXPECT_EQ(back.duCode, 5);
    EXPECT_EQ(back.weightCode, 2);
    EXPECT_EQ(back.disableThermalCorrection, c.offsetByte >> 7);
  }
  p4.disableThermalCorrection = 1;
  EXPECT_EQ(keltEncode(p4, 12)[35], 0x87);
}

// The message a value's encoding is refused with, "(accepted)" when it encodes.
template <class P>
std::string refusal(P p, int model, const std::function<void(P&)>& change) {
  change(p);
  return messageOf([&] { keltEncode(p, model); });
}

TEST(KeltBlocks, ValuesABlockCannotHoldAreRefusedWithTheirMessage) {
  using P3 = KeltParams3;
  using P4 = KeltParams4;
  using P12 = KeltParams12;
  const auto f3 = [](int model, std::function<void(P3&)> change) {
    return refusal(example3(), model, change);
  };
  const auto f4 = [](int model, std::function<void(P4&)> change) {
    return refusal(example4(), model, change);
  };
  const auto f12 = [](int model, std::function<void(P12&)> change) {
    return refusal(example12(), model, change);
  };
  const struct {
    const char* what;
    std::string got;
    const char* message;
  } cases[] = {
      {"f3 F12 0.5 Hz", f3(7, [](P3& p) { p.F[0] = 0.5; }), "Недопустимое значение F12"},
      {"f3 F23 0", f3(9, [](P3& p) { p.F[1] = 0; }), "Недопустимое значение F23"},
      {"f3 F45 40000", f3(9, [](P3& p) { p.F[3] = 40000; }), "Недопустимое значение F45"},
      {"f3 A3 36", f3(7, [](P3& p) { p.A[2] = 36; }), "Недопустимое значение A3"},
      {"f3 A2 negative", f3(7, [](P3& p) { p.A[1] = -0.001; }), "Недопустимое значение A2"},
      {"f3 A1 NaN", f3(7, [](P3& p) { p.A[0] = std::nan(""); }), "Недопустимое значение A1"},
      {"f3 B2 large", f3(7, [](P3& p) { p.B[1] = 50; }), "Недопустимое значение A2 и/или B2"},
      {"f3 B5 infinite", f3(10, [](P3& p) { p.B[4] = INFINITY; }),
       "Недопустимое значение A5 и/или B5"},
      {"f3 Ду 20 on КЕЛТ3",
       refusal<P3>(uniform<P3>(1, 0.1, 0, {100, 200, 400, 800}), 11, [](P3&) {}),
       "Недопустимое значение A1 и/или B1"},
      {"f3 pulse 0", f3(7, [](P3& p) { p.pulseDuration = 0; }),
       "Недопустимое значение  длительности импульса"},
      {"f3 pulse 2000 ms", f3(7, [](P3& p) { p.pulseDuration = 2000; }),
       "Недопустимое значение  длительности импульса"},
      {"f3 long pulse weight 3", f3(8, [](P3& p) { p.pulseDuration = 7.9, p.weightCode = 3; }),
       "Недопустимое значение длительности импульса"},
      {"f4 F12 0.4 Hz", f4(12, [](P4& p) { p.F[0] = 0.4; }), "Недопустимое значение F12"},
      {"f4 A4 36", f4(15, [](P4& p) { p.A[3] = 36; }), "Недопустимое значение A4"},
      {"f4 B1 negative with A1 0", f4(12, [](P4& p) { p.A[0] = 0, p.B[0] = -0.01; }),
       "Недопустимое значение A1 и/или B1"},
      {"f4 pulse 200 ms", f4(12, [](P4& p) { p.pulseDuration = 200, p.weightCode = 5; }),
       "Недопустимое значение  длительности импульса"},
      {"f4 pulse 0.5 ms", f4(15, [](P4& p) { p.pulseDuration = 0.5; }),
       "Недопустимое значение  длительности импульса"},
      {"f1 F12 0.4 Hz", f12(0, [](P12& p) { p.F[0] = 0.4; }), "Недопустимое значение F12"},
      {"f2 F45 NaN", f12(3, [](P12& p) { p.F[3] = std::nan(""); }), "Недопустимое значение F45"},
      {"f1 A2 36", f12(0, [](P12& p) { p.A[1] = 36; }), "Недопустимое значение A2"},
      {"f2 A4 negative", f12(5, [](P12& p) { p.A[3] = -0.001; }), "Недопустимое значение A4"},
      {"f2 B3 large", f12(4, [](P12& p) { p.B[2] = 50; }), "Недопустимое значение A3 и/или B3"},
      {"f2 pulse 3000 ms", f12(1, [](P12& p) { p.pulseDuration = 3000; }),
       "Недопустимое значение длительности импульса"},
      {"f1 pulse 0.01 ms", f12(0, [](P12& p) { p.pulseDuration = 0.01; }),
       "Недопустимое значение длительности импульса"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.message) << c.what;
}

TEST(KeltBlocks, Format3PulseCodesAround256) {
  auto p = example3();
  p.weightCode = 4;
  p.pulseDuration = 7.81;  // code 256 becomes 255, still the short form
  auto b = keltEncode(p, 7);
  EXPECT_EQ(b[34], 255);
  EXPECT_EQ(b[33] & 8, 0);
  p.pulseDuration = 7.9;  // code 259: the long form, 1 × 256 steps
  b = keltEncode(p, 7);
  EXPECT_EQ(b[34], 1);
  EXPECT_EQ(b[33] & 8, 8);
  EXPECT_NEAR(keltDecode3(b, 7).pulseDuration, 256 * 0.0305, 1e-9);
  // Formats 1 and 2 keep code 256 as the long form regardless of the weight.
  auto p12 = example12();
  p12.pulseDuration = 7.81;
  const auto b12 = keltEncode(p12, 0);
  EXPECT_EQ(b12[34], 1);
  EXPECT_EQ(b12[33] & 8, 8);
}

TEST(KeltBlocks, Format4PulseLimitsByWeight) {
  const struct {
    int model;
    int weight;
    double ms;
    const char* message;  // nullptr: accepted
  } cases[] = {
      {12, 1, 1.9, nullptr},
      {12, 1, 3.8, "Недопустимое значение длительности импульса (>1.9 мС)"},
      {13, 2, 5.7, nullptr},
      {13, 2, 7.6, "Недопустимое значение длительности импульса (>5.7 мС)"},
      {14, 3, 13.3, "Недопустимое значение длительности импульса (>11.4 мС)"},
      {12, 4, 58.9, "Недопустимое значение длительности импульса (>57 мС)"},
      {12, 5, 114, nullptr},
      {12, 0, 114, nullptr},
      {15, 1, 7.8, "Недопустимое значение длительности импульса (>3.9 мС)"},
      {16, 2, 11.7, "Недопустимое значение длительности импульса (>7.8 мС)"},
      {17, 3, 15.6, "Недопустимое значение длительности импульса (>11.7 мС)"},
      {15, 4, 62.4, "Недопустимое значение длительности импульса (>58.5 мС)"},
      {15, 5, 117, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.model) + " weight " + std::to_string(c.weight) + " " +
                 std::to_string(c.ms));
    auto p = example4();
    p.weightCode = c.weight;
    p.pulseDuration = c.ms;
    EXPECT_EQ(messageOf([&] { keltEncode(p, c.model); }), c.message ? c.message : "(accepted)");
  }
}

TEST(KeltBlocks, Format4DecodesPulseCodesInWholeMilliseconds) {
  auto block = keltEncode(example4(), 12);
  block[34] = 10;
  EXPECT_DOUBLE_EQ(keltDecode4(block, 12).pulseDuration, 20);
  EXPECT_DOUBLE_EQ(keltDecode4(block, 15).pulseDuration, 40);
}

TEST(KeltBlocks, FrequencyOutputsAreFixedPatternsBothWays) {
  const int codes3[] = {0, 0xFFFF, 0x7FFF, 0x4000, 0x2000, 0x1000};
  const int codes4[] = {0, 0xFFFF, 0x8000, 0x4000, 0x2000, 0x1000};
  for (int type = 1; type <= 5; ++type) {
    SCOPED_TRACE(type);
    // Coefficients a pulse output could not hold are ignored.
    auto p3 = uniform<KeltParams3>(6, 99, -99, {0, 0, 0, 0});
    p3.outputType = type;
    p3.pulseDuration = 0;
    const auto b3 = keltEncode(p3, 8);
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(lsb(b3, 2 * i), codes3[type]);
      EXPECT_EQ(lsb(b3, 10 + 2 * i), codes3[type]);
      EXPECT_EQ(b3[20 + i], type == 1 ? 0x81 : 0x61);
    }
    for (int at = 25; at < 33; ++at) EXPECT_EQ(b3[at], 0);
    EXPECT_EQ(b3[33], 6 * 16 + 1);
    EXPECT_EQ(b3[34], 24);
    const auto back3 = keltDecode3(b3, 8);
    EXPECT_EQ(back3.outputType, type);
    EXPECT_EQ(back3.duCode, 6);
    EXPECT_DOUBLE_EQ(back3.F[0], 32768);

    auto p4 = uniform<KeltParams4>(6, 99, -99, {0, 0, 0, 0});
    p4.outputType = type;
    for (uint8_t off : {0, 1}) {
      p4.disableRestoration = off;
      const auto b4 = keltEncode(p4, 13);
      EXPECT_EQ(lsb(b4, 0), codes4[type]);
      const bool restore = !off && codes4[type] <= 0x8000;
      EXPECT_EQ(b4[20], restore ? 0x21 : 0x01);
      EXPECT_EQ(b4[33], 5 * 16 + 8 + 1);
      EXPECT_EQ(b4[34], 1);
      EXPECT_EQ(keltDecode4(b4, 13).outputType, type);
    }
  }
  // A pulse-output block that merely resembles a pattern stays a pulse output.
  auto b = keltEncode(
      [] {
        auto p = example3();
        p.outputType = 1;
        return p;
      }(),
      7);
  b[34] = 25;
  EXPECT_EQ(keltDecode3(b, 7).outputType, 0);
}

// Decoding an encoded block gives every value back within the resolution of its code.
class KeltRoundTrip : public ::testing::Test {
 protected:
  std::mt19937 rng{20240611};

  double between(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); }
  int pick(int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(rng); }

  template <class P>
  void randomise(P& p, int model) {
    p.duCode = static_cast<uint8_t>(pick(keltModel3(model) ? 2 : 1, 11));
    const double D = keltScaleD(p.duCode);
    for (int i = 0; i < 5; ++i) {
      p.A[i] = between(0.05, 0.9) * 36000 / D;
      p.B[i] = between(-0.05, 0.05) * p.A[i] * between(0, 40);
    }
    for (double& f : p.F) f = between(0.6, 2000);
  }

  static bool keltModel3(int model) { return model == 11 || model == 14 || model == 17; }

  // Encodes `tries` random sets; each one that encodes must decode within tolerance. Most
  // random sets must encode, or the test would prove little.
  template <class P, class Check>
  void run(int model, int tries, Check check) {
    int encoded = 0;
    for (int t = 0; t < tries; ++t) {
      P p;
      randomise(p, model);
      fill(p);
      std::vector<uint8_t> block;
      try {
        block = keltEncode(p, model);
      } catch (const MessageError&) {
        continue;
      }
      ++encoded;
      check(p, block);
      if (::testing::Test::HasFailure()) return;
    }
    EXPECT_GT(encoded, tries / 3) << "model " << model;
  }

  void fill(KeltParams12& p) {
    p.n = static_cast<uint8_t>(pick(1, 127));
    p.outputCode = pick(0, 5);
    p.pulseDuration = between(0.0305, 200);
  }
  void fill(KeltParams3& p) {
    p.weightCode = pick(1, 5);
    p.pulseDuration = p.weightCode >= 4 ? between(0.0305, 200) : between(0.0305, 7.7);
    p.tempOffset = static_cast<int8_t>(pick(-7, 7));
  }
  void fill(KeltParams4& p) {
    fill(static_cast<KeltParams3&>(p));
    p.weightCode = 5;
    p.pulseDuration = between(1, 110);
    p.serialNumber = pick(0, 0xFFFFFF);
    p.disableRestoration = static_cast<uint8_t>(pick(0, 1));
  }
};

TEST_F(KeltRoundTrip, Formats1And2) {
  for (int model : {0, 1, 2}) {
    run<KeltParams12>(model, 1500, [&](const KeltParams12& p, const std::vector<uint8_t>& b) {
      const auto q = keltDecode12(b, model);
      const double C = keltScaleD(p.duCode) * 65536 / 36000;
      const int at = model == 0 ? 17 : 21;  // scale bytes
      ASSERT_EQ(q.duCode, p.duCode);
      ASSERT_EQ(q.n, p.n);
      ASSERT_EQ(q.outputCode, p.outputCode);
      for (int i = 0; i < keltSegmentCount(model); ++i) {
        const int s = b[at + i] >> 3;
        ASSERT_NEAR(q.A[i], p.A[i], 0.5 / C) << i;
        ASSERT_NEAR(q.B[i], p.B[i], (s * 0.5 + 0.5) / C) << i;
      }
      for (int j = 0; j < keltSegmentCount(model) - 1; ++j) {
        // Two thresholds, each rounded: their sum is off by at most 1.
        ASSERT_NEAR(q.F[j], p.F[j], p.F[j] * q.F[j] / 65536 + 1e-9) << j;
      }
      const double step = p.pulseDuration * 32.79 < 255.5 ? 0.0305 : 256 * 0.0305;
      ASSERT_NEAR(q.pulseDuration, p.pulseDuration, step / 2 + 0.0305);
    });
  }
}

TEST_F(KeltRoundTrip, Format3) {
  for (int model : {7, 8, 9, 10, 11}) {
    run<KeltParams3>(model, 1500, [&](const KeltParams3& p, const std::vector<uint8_t>& b) {
      const auto q = keltDecode3(b, model);
      const double unitA = 36000 / (keltScaleD(p.duCode) * 65536);
      ASSERT_EQ(q.duCode, p.duCode);
      ASSERT_EQ(q.weightCode, p.weightCode);
      ASSERT_EQ(q.outputType, 0);
      if (model != 11) {
        ASSERT_EQ(q.tempOffset, p.tempOffset);
      }
      for (int i = 0; i < 5; ++i) {
        const int s = keltDivisor(b[20 + i], model >= 9);
        ASSERT_NEAR(q.A[i], p.A[i], unitA / 2 + 1e-12) << i;
        ASSERT_NEAR(q.B[i], p.B[i], s * unitA / 4 + 1e-12) << i;
      }
      for (int j = 0; j < 4; ++j) {
        ASSERT_NEAR(q.F[j], p.F[j], p.F[j] * q.F[j] / 32768 / 2 + 1e-9) << j;
      }
      const double step = p.pulseDuration * 32.79 < 255.5 ? 0.0305 : 256 * 0.0305;
      ASSERT_NEAR(q.pulseDuration, p.pulseDuration, step / 2 + 0.0305 * 1.01);
    });
  }
}

TEST_F(KeltRoundTrip, Format4) {
  for (int model : {12, 13, 14, 15, 16, 17}) {
    run<KeltParams4>(model, 1500, [&](const KeltParams4& p, const std::vector<uint8_t>& b) {
      const auto q = keltDecode4(b, model);
      const double unitA = 36000 / (keltScaleD(p.duCode) * 65536);
      ASSERT_EQ(q.duCode, p.duCode);
      ASSERT_EQ(q.serialNumber, p.serialNumber);
      ASSERT_EQ(q.outputType, 0);
      ASSERT_EQ(q.tempOffset, p.tempOffset);
      for (int i = 0; i < 5; ++i) {
        const int s = keltDivisor(b[20 + i]);
        ASSERT_NEAR(q.A[i], p.A[i], unitA / 2 + 1e-12) << i;
        ASSERT_NEAR(q.B[i], p.B[i], s * unitA / 4 + 1e-12) << i;
      }
      if (p.disableRestoration) {
        ASSERT_TRUE(q.disableRestoration);
      }
      for (int j = 0; j < 4; ++j) {
        ASSERT_NEAR(q.F[j], p.F[j], p.F[j] * q.F[j] / 8192 / 2 + 1e-9) << j;
      }
      // Steps of 1.9 or 3.9 ms go out, whole 2 or 4 ms come back.
      const double step = model >= 15 ? 3.9 : 1.9;
      ASSERT_DOUBLE_EQ(q.pulseDuration / (model >= 15 ? 4 : 2), std::round(p.pulseDuration / step));
    });
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>

#include "core/package/packagefixture.h"
#include "core/package/physics.h"

namespace {

constexpr double kRho20 = (-0.15143316 * 20 + 0.04583111 + 1001.26618538) * 0.001;

// Input fields of one entry; NaN means "leave as addEntry made it".
struct Input {
  double temperature = 20, refMass = NAN, refVolume = NAN, refTime = 36, refFlow = NAN;
  double pulseTime = 10, code = 0;
  int32_t pulses1 = 101, pulses2 = 0;
};

template <class E>
void fill(Package<E>& p, const Input& in) {
  p.addEntry();
  const int row = p.entryCount() - 1;
  p.setValue(row, colTemperature, in.temperature);
  if (!std::isnan(in.refMass)) p.setValue(row, colRefMass, in.refMass);
  if (!std::isnan(in.refVolume)) p.setValue(row, colRefVolume, in.refVolume);
  if (!std::isnan(in.refFlow)) p.setValue(row, colRefFlow, in.refFlow);
  p.setValue(row, colRefTime, in.refTime);
  p.setValue(row, colPulseTime, in.pulseTime);
  p.setValue(row, colPulses1, in.pulses1);
  p.setValue(row, colPulses2, in.pulses2);
  p.setValue(row, colCode, in.code);
  p.recalcEntry(row);
}

}  // namespace

class RecalcTest : public PackageTest {};

TEST_F(RecalcTest, ReferenceQuantitiesByMethodWithFallbacks) {
  struct Case {
    const char* what;
    int method;
    Input in;
    double refMass, refVolume, refFlow;
  };
  const Case cases[] = {
      {"volume", mVolume, {.refVolume = 10}, kRho20 * 10, 10, 1},
      {"mass", mMass, {.refMass = kRho20 * 5}, kRho20 * 5, 5, 0.5},
      {"reference", mReference, {.refTime = 18, .refFlow = 2}, kRho20 * 10, 10, 2},
      {"volume, no time", mVolume, {.refVolume = 10, .refTime = 0}, kRho20 * 10, 10, 0},
      {"mass, no time", mMass, {.refMass = 3, .refTime = 0}, 3, 3 / kRho20, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Package<KeltEntry> p;
    p.method = static_cast<uint8_t>(c.method);
    fill(p, c.in);
    const KeltEntry& e = p.entries()[0];
    EXPECT_NEAR(e.refMass, c.refMass, 1e-12);
    EXPECT_NEAR(e.refVolume, c.refVolume, 1e-12);
    EXPECT_NEAR(e.refFlow, c.refFlow, 1e-12);
  }
}

TEST_F(RecalcTest, PulseVolumeAndFrequency) {
  apprSettings().pulseWeight = 0.001;  // one litre per pulse
  struct Case {
    Input in;
    double measVolume, volumeError, frequency;
  };
  const Case cases[] = {
      {{.refVolume = 10, .pulses1 = 101, .pulses2 = 11}, 11, 10, 10},
      {{.refVolume = 0, .pulses2 = 11}, 11, 100, 10},              // no reference volume
      {{.refVolume = 10, .pulses1 = 1, .pulses2 = 10}, 10, 0, 0},  // one pulse, no interval
      {{.refVolume = 10, .pulses1 = 0}, 0, -100, 0},
      {{.refVolume = 10, .pulseTime = 0, .pulses1 = 5}, 0, -100, 0},  // no time
  };
  for (const Case& c : cases) {
    Package<ZorbEntry> p;
    fill(p, c.in);
    const ZorbEntry& e = p.entries()[0];
    EXPECT_DOUBLE_EQ(e.measVolume, c.measVolume);
    EXPECT_DOUBLE_EQ(e.volumeError, c.volumeError);
    EXPECT_DOUBLE_EQ(e.frequency, c.frequency);
  }
}

TEST_F(RecalcTest, ReductionToTheReferenceTemperature) {
  EXPECT_DOUBLE_EQ(reductionFactor(20, 20), 1);
  EXPECT_NEAR(reductionFactor(0, 20), 0.555, 5e-4);
  EXPECT_NEAR(reductionFactor(50, 20), 1.841, 5e-4);

  Package<KeltEntry> p;
  fill(p, {.temperature = 20, .refVolume = 10});
  EXPECT_EQ(p.entries()[0].reducedFrequency, p.entries()[0].frequency);
  EXPECT_EQ(p.entries()[0].reducedFlow, p.entries()[0].refFlow);

  fill(p, {.temperature = 50, .refVolume = 10});
  const double k = reductionFactor(50, 20);
  EXPECT_DOUBLE_EQ(p.entries()[1].reducedFrequency, 10 * k);
  EXPECT_DOUBLE_EQ(p.entries()[1].reducedFlow, 1 * k);
}

TEST_F(RecalcTest, UndefinedReductionZeroesReducedValuesAndDerivedFlow) {
  apprSettings().refTemp = -30.614166;  // the formula divides by zero here
  currentLines() = {{0.1, 0.5, 0}};
  for (int method : {mVolume, mReference}) {
    Package<KeltEntry> p;
    p.method = static_cast<uint8_t>(method);
    fill(p, {.refVolume = 10, .refFlow = 1});
    const KeltEntry& e = p.entries()[0];
    EXPECT_EQ(e.frequency, 0);
    EXPECT_EQ(e.reducedFrequency, 0);
    EXPECT_EQ(e.reducedFlow, 0);
    // A flow the method derives is lost with it; an entered one stays.
    EXPECT_EQ(e.refFlow, method == mReference ? 1 : 0);
    EXPECT_EQ(e.measFlow, 0);
    EXPECT_EQ(e.flowError, 100);
    EXPECT_EQ(e.line, 1);
  }
}

TEST_F(RecalcTest, LineChoiceAndMeasuredFlow) {
  currentLines() = {{0.1, 0, 10}, {0.2, -1, 20}, {0.3, -3, 0}};
  struct Case {
    int32_t pulses1;  // frequency = pulses1 - 1 at pulseTime 1
    int line;
  };
  const Case cases[] = {{6, 1}, {11, 1}, {12, 2}, {21, 2}, {22, 3}, {1001, 3}};
  Package<KeltEntry> p;
  for (const Case& c : cases) {
    fill(p, {.refVolume = 10, .pulseTime = 1, .pulses1 = c.pulses1});
    const KeltEntry& e = p.entries().back();
    const files::Line& l = currentLines()[c.line - 1];
    EXPECT_EQ(e.line, c.line) << "frequency " << e.frequency;
    EXPECT_DOUBLE_EQ(e.measFlow, l.A * e.frequency + l.B);
    EXPECT_DOUBLE_EQ(e.flowError, (e.measFlow - 1) * 100);
  }

  // TD chooses by the code; ZORB always takes the first line and has no line number.
  Package<EprEntry> td;
  fill(td, {.refVolume = 10, .code = 15});
  EXPECT_EQ(td.entries()[0].line, 2);
  EXPECT_DOUBLE_EQ(td.entries()[0].measFlow, 0.2 * 15 - 1);
  Package<ZorbEntry> zorb;
  fill(zorb, {.refVolume = 10, .pulseTime = 1, .pulses1 = 1001});
  EXPECT_DOUBLE_EQ(zorb.entries()[0].measFlow, 0.1 * 1000);

  // The line is brought back from the reference temperature to the water's.
  fill(p, {.temperature = 50, .refVolume = 10, .pulseTime = 1, .pulses1 = 6});
  EXPECT_DOUBLE_EQ(p.entries().back().measFlow, 0.1 * 5 + 0 / reductionFactor(50, 20));
}

TEST_F(RecalcTest, EmptyLineSetAndFreshEntries) {
  Package<KeltEntry> p;
  fill(p, {.refVolume = 10});
  EXPECT_EQ(p.entries()[0].measFlow, 0);
  EXPECT_EQ(p.entries()[0].flowError, 100);
  EXPECT_EQ(p.entries()[0].line, 0);

  // A fresh entry has no reference time, hence no reference flow: its error falls back to 100,
  // but the line still gives its flow.
  currentLines() = {{0.1, 0.5, 0}};
  Package<KeltEntry> q;
  q.addEntry();
  EXPECT_EQ(q.entries()[0].refFlow, 0);
  EXPECT_DOUBLE_EQ(q.entries()[0].measFlow, 0.5);
  EXPECT_EQ(q.entries()[0].flowError, 100);
  EXPECT_EQ(q.entries()[0].line, 1);
}

TEST_F(RecalcTest, AddEntryCopiesTemperatureAndVolumeOfTheLastEntry) {
  for (int method : {mVolume, mMass, mReference}) {
    Package<EprEntry> p;
    p.method = static_cast<uint8_t>(method);
    p.addEntry();
    EXPECT_EQ(p.entries()[0].temperature, 20);
    EXPECT_EQ(p.entries()[0].refVolume, 0);
    p.entries()[0] = EprEntry{.temperature = 35, .refVolume = 7, .pulses2 = 9, .point = 1};
    p.addEntry();
    const EprEntry& e = p.entries()[1];
    EXPECT_EQ(e.temperature, 35);
    EXPECT_EQ(e.pulses2, 0);
    EXPECT_EQ(e.point, 0);
    // Volume packages keep the copied volume; the others derive it again from their inputs (0).
    EXPECT_EQ(e.refVolume, method == mVolume ? 7 : 0);
  }
}

TEST(WaterDensity, BandsAndPhysicalValues) {
  EXPECT_DOUBLE_EQ(waterDensity(10), (-0.01645455 * 10 + 0.048291 + 999.91995544) * 0.001);
  EXPECT_DOUBLE_EQ(waterDensity(-5), (-0.01645455 * -5 + 0.048291 + 999.91995544) * 0.001);
  EXPECT_DOUBLE_EQ(waterDensity(200), (-0.91768449 * 200 + 0.054541 + 1054.4693672) * 0.001);
  EXPECT_NEAR(waterDensity(20), 0.9982, 2e-4);
  EXPECT_NEAR(waterDensity(50), 0.9880, 2e-4);
  EXPECT_NEAR(waterDensity(100), 0.9584, 2e-4);
}

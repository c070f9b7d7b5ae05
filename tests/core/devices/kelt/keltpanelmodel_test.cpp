#include "core/devices/kelt/keltpanelmodel.h"

#include <gtest/gtest.h>

#include <string>

#include "core/base/errors.h"
#include "core/base/localehook.h"

namespace {

TEST(KeltValues, PulseDurationSnapsToTheModelsSteps) {
  const struct {
    int model;
    double typed, shown;
  } cases[] = {
      {12, 10, 9.5},    {14, 200, 114},  {12, 30, 30.4},  {15, 30, 31.2},
      {17, 0.1, 3.9},   {7, 10, 7.808},  {0, 1, 1.0065},  {3, 30, 31.232},
      {9, 7.81, 7.808}, {11, 0, 0.0305}, {7, 7.7, 7.686}, {8, 203.008, 203.008},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(keltSnapPulseDuration(c.typed, c.model), c.shown, 1e-9)
        << "model " << c.model << " typed " << c.typed;
  }
  EXPECT_DOUBLE_EQ(keltDefaultPulseDuration(3), 30);
}

TEST(KeltValues, LayoutAndOutputStateFollowTheModel) {
  const struct {
    int model;
    bool adapter, offset;
    const char* caption;
    bool fifth;
    int nMax;
    double fMax;
  } cases[] = {
      {0, true, false, "Считать T", false, 255, 32768},
      {3, true, true, "Считать T", true, 127, 32768},
      {8, true, true, "Считать T/F", true, 255, 32768},
      {10, false, true, "Считать T/F", true, 255, 32768},
      {11, false, false, "Считать T", true, 255, 32768},
      {16, false, true, "Считать T", true, 255, 8192},
      {17, false, false, "Считать T", true, 255, 8192},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model);
    const auto l = keltLayout(c.model);
    EXPECT_EQ(l.adapter, c.adapter);
    EXPECT_EQ(l.offset, c.offset);
    EXPECT_STREQ(l.temperatureCaption, c.caption);
    EXPECT_EQ(l.fifthSegment, c.fifth);
    EXPECT_EQ(l.nMax, c.nMax);
    EXPECT_EQ(l.fMax, c.fMax);
  }
  EXPECT_EQ(keltOutputTypes(6).size(), 2u);
  EXPECT_STREQ(keltOutputTypes(7)[5], "Частотный Vf/16");
  // Models 0..6 trade the weight for n; models 7..17 lock the characteristic.
  EXPECT_FALSE(keltOutputState(0, 1).showWeight);
  EXPECT_TRUE(keltOutputState(0, 1).characteristicEnabled);
  EXPECT_TRUE(keltOutputState(8, 3).showWeight);
  EXPECT_FALSE(keltOutputState(8, 3).characteristicEnabled);
  EXPECT_TRUE(keltOutputState(8, 0).characteristicEnabled);
  EXPECT_EQ(keltOpenTask(15), KELT_OPEN_4800);
  EXPECT_EQ(keltOpenTask(14), KELT_OPEN_9600);
}

TEST(KeltValues, TextsReadAsNumbers) {
  EXPECT_STREQ(keltPulseWeights(4)[0], "0,0001");
  EXPECT_STREQ(keltPulseWeights(5)[0], "0,001");
  EXPECT_STREQ(keltPulseWeights(9)[4], "1");
  EXPECT_DOUBLE_EQ(keltPulseWeightValue("0,001"), 0.001);
  EXPECT_DOUBLE_EQ(keltPulseWeightValue("0.5"), 0.5);
  EXPECT_EQ(keltPulseWeightValue(""), 0);
  EXPECT_EQ(keltSerialFromText("1234"), 1234);
  EXPECT_EQ(keltSerialFromText("00012345"), 12345);
  EXPECT_EQ(keltSerialFromText("12a"), 0);
  EXPECT_EQ(keltSerialFromText(""), 0);
  EXPECT_EQ(keltDuPosition(0), 0);
  EXPECT_EQ(keltDuPosition(11), 10);
  EXPECT_EQ(keltOffsetText(-7), "-3.5");
  EXPECT_EQ(keltOffsetSteps(1.25), 3);
  EXPECT_EQ(keltOffsetSteps(-1.2), -2);
  EXPECT_EQ(keltOffsetSteps(10), 7);
}

KeltPanelValues panel(int du, int output, int weight) {
  KeltPanelValues v;
  v.duPosition = du;
  v.outputPosition = output;
  v.weightPosition = weight;
  v.n = 12;
  v.offset = -3;
  v.serialText = "1234";
  for (int i = 0; i < 5; ++i) {
    v.A[i] = 0.5;
    v.B[i] = 0.01;
  }
  v.F[0] = 100;
  return v;
}

TEST(KeltValues, WriteRequests) {
  auto r = keltWriteRequests(panel(4, 1, 2), 0);  // frequency output Vf/n
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].data.command, KELT_WRITE_1);
  EXPECT_EQ(r[0].data.params12.outputCode, 0);
  EXPECT_EQ(r[0].data.params12.n, 12);
  EXPECT_EQ(r[0].data.params12.duCode, 5);

  r = keltWriteRequests(panel(4, 0, 2), 3);  // pulse output: n 0, then the offset if it worked
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].data.command, KELT_WRITE_2);
  EXPECT_EQ(r[0].data.params12.outputCode, 3);
  EXPECT_EQ(r[0].data.params12.n, 0);
  EXPECT_EQ(r[0].flags, 0u);
  EXPECT_EQ(r[1].data.command, KELT_WRITE_OFFSET);
  EXPECT_EQ(r[1].data.offset, -3);
  EXPECT_EQ(r[1].flags, 0x10101u);

  r = keltWriteRequests(panel(4, 3, 1), 8);
  EXPECT_EQ(r[0].data.command, KELT_WRITE_3);
  EXPECT_EQ(r[0].data.params3.outputType, 3);
  EXPECT_EQ(r[0].data.params3.weightCode, 2);
  EXPECT_EQ(r[0].data.params3.tempOffset, -3);
  EXPECT_EQ(r[0].data.model, 8);

  r = keltWriteRequests(panel(4, 0, 1), 17);
  EXPECT_EQ(r[0].data.command, KELT_WRITE_4);
  EXPECT_EQ(r[0].data.params4.serialNumber, 1234);
  for (int model : {11, 14, 17}) {
    try {
      keltWriteRequests(panel(0, 0, 1), model);
      ADD_FAILURE() << model;
    } catch (const MessageError& e) {
      EXPECT_STREQ(e.what(), "Прибор не поддерживает Ду20");
    }
  }
  EXPECT_NO_THROW(keltWriteRequests(panel(0, 0, 1), 13));

  const auto reads = keltReadRequests(3);
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0].data.command, KELT_READ_2);
  EXPECT_EQ(reads[1].data.command, KELT_READ_OFFSET);
  EXPECT_EQ(reads[1].flags, 0x10101u);
  EXPECT_EQ(keltReadRequests(15).at(0).data.command, KELT_READ_4);
}

TEST(KeltValues, ReadParametersIntoTheControls) {
  KeltCommon d;
  d.params12.outputCode = 0;
  d.params12.n = 0xC5;
  d.params12.duCode = 3;
  d.params12.A[3] = 1.5;
  auto s = keltShownParameters(d, 0);
  EXPECT_EQ(s.outputPosition, 1);
  EXPECT_EQ(s.weightPosition, -1);
  EXPECT_EQ(s.n, 0xC5);
  EXPECT_EQ(s.duPosition, 2);
  EXPECT_EQ(s.segments, 4);
  EXPECT_EQ(s.boundaries, 3);
  EXPECT_EQ(s.A[3], 1.5);
  EXPECT_EQ(keltShownParameters(d, 2).n, 0x45);  // format 2: the top bit is not n
  d.params12.n = 0;
  EXPECT_EQ(keltShownParameters(d, 2).n, 1);  // as the n edit shows it

  d.params3.outputType = 3;  // a frequency output: only type, Ду and offset
  d.params3.duCode = 6;
  d.params3.tempOffset = 2;
  s = keltShownParameters(d, 8);
  EXPECT_EQ(s.outputPosition, 3);
  EXPECT_EQ(s.duPosition, 5);
  EXPECT_EQ(s.offset, 2);
  EXPECT_EQ(s.segments, 0);
  EXPECT_FALSE(s.weightPosition);
  EXPECT_FALSE(s.pulseDuration);

  d.params4.weightCode = 4;
  d.params4.duCode = 5;
  d.params4.serialNumber = 1234;
  d.params4.disableThermalCorrection = 1;
  s = keltShownParameters(d, 14);
  EXPECT_EQ(s.weightPosition, 3);
  EXPECT_EQ(s.segments, 5);
  EXPECT_EQ(s.serialText, "00001234");
  EXPECT_EQ(s.disableThermalCorrection, true);
  EXPECT_EQ(s.disableRestoration, false);
}

TEST(KeltValues, ResultTexts) {
  const auto text = [](uint8_t command, uint8_t value = 0) {
    KeltCommon d;
    d.command = command;
    d.value = value;
    return keltResultText(d);
  };
  EXPECT_EQ(text(KELT_READ_1), "Параметры считаны");
  EXPECT_EQ(text(KELT_READ_2), "");  // the offset read that follows prints it
  EXPECT_EQ(text(KELT_READ_OFFSET), "Параметры считаны");
  EXPECT_EQ(text(KELT_WRITE_2), "");
  EXPECT_EQ(text(KELT_WRITE_OFFSET), "Параметры записаны");
  EXPECT_EQ(text(KELT_WRITE_4), "Параметры записаны");
  EXPECT_EQ(text(KELT_COUPLING), "");
  EXPECT_EQ(text(KELT_BATTERY, 0x12), "Напряжение батареи: 3,15..3,3В");
  EXPECT_EQ(text(KELT_BATTERY, 0x07), "Напряжение батареи: больше 3,6В");
  EXPECT_EQ(text(KELT_TEMPERATURE, 45), "Температура: 22.5°C");

  const struct {
    uint8_t status;
    double frequency;
    const char* quality;
    const char* shown;
  } cases[] = {
      {0, 32768.0 / 328, "хорошее", "99.9 Гц"},
      {1, 4096, "удовлетворительное", "4096 Гц"},
      {1, 32768, "удовлетворительное", "3.277e+04 Гц"},
      {3, 50, "плохое", "?"},
      {2, 50, "плохое", "?"},
      {4, 0, "нет сигнала", "0 Гц"},
      {6, 0, "нет сигнала", "0 Гц"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(keltMeasurementText({22.5, c.status, c.frequency}),
              std::string("\r\n  Температура: 22.5°C\r\n  Качество сигнала: ") + c.quality +
                  "\r\n  Частота: " + c.shown);
  }
  EXPECT_TRUE(keltCouplingGood(25));
  EXPECT_FALSE(keltCouplingGood(81));

  LocaleHook comma = defaultLocaleHook();
  comma.decimalSeparator = ',';
  setLocaleHook(comma);
  EXPECT_EQ(text(KELT_TEMPERATURE, 45), "Температура: 22,5°C");
  EXPECT_EQ(keltOffsetText(-7), "-3,5");
  setLocaleHook(defaultLocaleHook());
}

}  // namespace

namespace {

KeltCommon written(uint8_t command, std::optional<WriteCheck> check) {
  KeltCommon data;
  data.command = command;
  data.check = std::move(check);
  return data;
}

// Models 1..6 write parameters and offset as two items: one line after the second says what both
// left in the device.
TEST(KeltPanelModel, TheChecksOfOneWriteMakeOneLine) {
  const WriteCheck verified;
  const WriteCheck offsetOff{WriteCheckResult::mismatch, {{"Смещение", "-2", "-1.5"}}, ""};
  const std::string verifiedLine = writeCheckLine(verified);

  KeltWriteChecks single;
  EXPECT_EQ(single.lineAfter(written(KELT_WRITE_3, verified)), verifiedLine);
  EXPECT_EQ(single.lineAfter(written(KELT_READ_3, std::nullopt)), "");

  KeltWriteChecks pair;
  EXPECT_EQ(pair.lineAfter(written(KELT_WRITE_2, verified)), "");
  EXPECT_EQ(pair.lineAfter(written(KELT_WRITE_OFFSET, offsetOff)), writeCheckLine(offsetOff));
  EXPECT_EQ(pair.lineAfter(written(KELT_WRITE_2, offsetOff)), "");
  EXPECT_EQ(pair.lineAfter(written(KELT_WRITE_OFFSET, verified)), writeCheckLine(offsetOff));

  // The offset write failed: the parameters' check is still told, once.
  KeltWriteChecks failed;
  EXPECT_EQ(failed.lineAfter(written(KELT_WRITE_2, verified)), "");
  EXPECT_EQ(failed.lineAfterFailure(), verifiedLine);
  EXPECT_EQ(failed.lineAfterFailure(), "");
}

// The checks themselves, for the history: the same moments as the lines.
TEST(KeltPanelModel, TheCheckOfAWriteComesWhenTheWriteIsComplete) {
  const WriteCheck offsetOff{WriteCheckResult::mismatch, {{"Смещение", "-2", "-1.5"}}, ""};
  KeltWriteChecks pair;
  EXPECT_FALSE(pair.checkAfter(written(KELT_WRITE_2, WriteCheck{})));
  const std::optional<WriteCheck> joined = pair.checkAfter(written(KELT_WRITE_OFFSET, offsetOff));
  ASSERT_TRUE(joined);
  EXPECT_EQ(joined->result, WriteCheckResult::mismatch);
  EXPECT_EQ(joined->fields, offsetOff.fields);
  EXPECT_FALSE(pair.checkAfterFailure());
}

// A read of the parameters is complete after the block of the one-item formats and after the
// offset that follows the second format's block.
TEST(KeltPanelModel, TheItemsThatCompleteARead) {
  for (uint8_t command : {KELT_READ_1, KELT_READ_OFFSET, KELT_READ_3, KELT_READ_4})
    EXPECT_TRUE(keltCompletesRead(command)) << int(command);
  for (uint8_t command : {KELT_READ_2, KELT_WRITE_1, KELT_WRITE_OFFSET, KELT_BATTERY})
    EXPECT_FALSE(keltCompletesRead(command)) << int(command);
}

}  // namespace

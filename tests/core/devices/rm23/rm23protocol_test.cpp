#include "core/devices/rm23/rm23protocol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/devices/rm23/rm23replies.h"

namespace {

using Bytes = std::vector<uint8_t>;
using namespace spprreplies;

SpprCommon command(uint8_t byte) {
  SpprCommon data;
  data.command = byte;
  return data;
}

SpprCommon timeStart(double seconds) {
  SpprCommon data = command(SPPR_TIME_STOP);
  data.time = seconds;
  return data;
}

SpprCommon pulseStart(int32_t pulses, uint8_t input) {
  SpprCommon data = command(SPPR_PULSE_STOP);
  data.pulses = pulses;
  data.input = input;
  return data;
}

std::string messageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const MessageError& e) {
    return e.what();
  }
  return "no error";
}

TEST(SpprProtocol, RequestsHaveKnownBytes) {
  const struct {
    const char* what;
    SpprCommon data;
    Bytes bytes;
  } cases[] = {
      {"shortest time: 1 tick", timeStart(0.0002), {0x00, 0x01, 0x00, 0x00, 0x01}},
      {"longest time", timeStart(4095.9998), {0x00, 0xFF, 0xFF, 0xFF, 0xFD}},
      {"5 s", timeStart(5), {0x00, 0x00, 0x50, 0x00, 0x50}},
      {"1.5 ticks round up", timeStart(1.5 / 4096), {0x00, 0x02, 0x00, 0x00, 0x02}},
      {"2.5 ticks round away from zero", timeStart(2.5 / 4096), {0x00, 0x03, 0x00, 0x00, 0x03}},
      {"most pulses, last input", pulseStart(16777215, 3), {0x03, 0xFF, 0xFF, 0xFF, 0x03, 0x00}},
      {"5 pulses, input 2", pulseStart(5, 1), {0x03, 0x05, 0x00, 0x00, 0x01, 0x06}},
      {"0x123456 pulses", pulseStart(0x123456, 0), {0x03, 0x56, 0x34, 0x12, 0x00, 0x9C}},
      {"start/stop 1", command(SPPR_START_STOP1), {0x01}},
      {"start/stop 2", command(SPPR_START_STOP2), {0x02}},
      {"temperature", command(SPPR_TEMPERATURE), {0xFB}},
      {"status", command(SPPR_STATUS), {0xFD}},
      {"stop", command(SPPR_STOP), {0xFE}},
      {"unknown command", command(0x42), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(spprRequest(c.data), c.bytes);
  }
}

TEST(SpprProtocol, StartValuesTheInstrumentCannotTakeAreRefused) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    SpprCommon data;
    const char* message;
  } cases[] = {
      {timeStart(0.0001), "Недопустимая длительность измерения"},  // 0 ticks
      {timeStart(4096), "Недопустимая длительность измерения"},    // 2^24 ticks would wrap to 0
      {timeStart(-5), "Недопустимая длительность измерения"},
      {timeStart(std::nan("")), "Недопустимая длительность измерения"},
      {timeStart(inf), "Недопустимая длительность измерения"},
      {pulseStart(16777216, 0), "Недопустимое количество импульсов"},
      {pulseStart(-1, 0), "Недопустимое количество импульсов"},
      {pulseStart(5, 4), "Недопустимый номер входа"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.data.time);
    EXPECT_EQ(messageOf([&] { spprRequest(c.data); }), c.message);
  }
}

TEST(SpprProtocol, IdentificationIsCheckedBySumThenByType) {
  EXPECT_EQ(messageOf([] { spprCheckIdentity(kIdentity); }), "no error");
  EXPECT_EQ(messageOf([] { spprCheckIdentity({0xFF, 0x03, 0x02}); }), "no error");  // sum wraps
  EXPECT_EQ(messageOf([] { spprCheckIdentity({0x17, 0x03, 0x1B}); }), "Ошибка контрольной суммы");
  EXPECT_EQ(messageOf([] { spprCheckIdentity({0x17, 0x02, 0x1B}); }), "Ошибка контрольной суммы");
  EXPECT_EQ(messageOf([] { spprCheckIdentity({0x17, 0x02, 0x19}); }), "Неподдерживаемый тип РМ");
}

TEST(SpprProtocol, TemperatureReplyGivesRatiosAndTemperaturesOfTheSensorType) {
  // x = (c − c0)/(c1 − c0) + 1: 1.385 and 1.391, the nominal ratios at 100 °C of the two types.
  const std::array<uint8_t, 9> reply{0xE8, 0x03, 0x28, 0xA0, 0x10, 0x40, 0x00, 0x41, 0x44};
  ASSERT_EQ(reply, adcReply(1000, 41000, 16400, 16640));
  const struct {
    uint8_t sensor;
    double t1, t2;
  } cases[] = {
      {0, 98.41937598340928, 99.97637979484261},
      {1, 99.98549887192485, 101.56781784578425},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(spprSensors()[c.sensor].name);
    SpprCommon data = command(SPPR_TEMPERATURE);
    data.sensor = c.sensor;
    spprDecodeTemperature(reply, data);
    EXPECT_NEAR(data.x1, 1.385, 1e-12);
    EXPECT_NEAR(data.x2, 1.391, 1e-12);
    EXPECT_NEAR(data.t1, c.t1, 1e-9);
    EXPECT_NEAR(data.t2, c.t2, 1e-9);
  }
}

TEST(SpprProtocol, TemperatureEdgesAndFailures) {
  // Ratio 1 is 0 °C for both types; a ratio past the root's domain reads −300.
  SpprCommon data = command(SPPR_TEMPERATURE);
  spprDecodeTemperature(adcReply(0, 1000, 0, 65535), data);
  EXPECT_NEAR(data.t1, 0, 1e-9);
  EXPECT_EQ(data.t2, -300);

  auto bad = adcReply(1000, 41000, 16400, 16640);
  bad[8] ^= 1;
  EXPECT_EQ(messageOf([&] { spprDecodeTemperature(bad, data); }), "Ошибка контрольной суммы");
  EXPECT_EQ(messageOf([&] { spprDecodeTemperature(adcReply(500, 500, 16400, 0), data); }),
            "АЦП РМ не откалиброван");
  EXPECT_EQ(messageOf([] { spprTemperature(std::nan(""), 0); }), "Ошибка измерения температуры");
  EXPECT_EQ(messageOf([] { spprTemperature(1, 2); }), "Ошибка измерения температуры");
}

TEST(SpprProtocol, StateDecidesWhatFollows) {
  for (int s = 0; s < 4; ++s) EXPECT_EQ(spprStatusLength(static_cast<uint8_t>(s)), 29);
  EXPECT_EQ(spprStatusLength(4), 0);
  EXPECT_EQ(spprStatusLength(9), 3);
  for (uint8_t s : {5, 8, 10, 0xFD, 0xFF}) {
    SCOPED_TRACE(s);
    EXPECT_EQ(messageOf([&] { spprStatusLength(s); }), "Ошибка обмена");
  }
}

TEST(SpprProtocol, ResultsDecodeFromTicksAndCounts) {
  Bytes results = spprreplies::results();
  ASSERT_EQ(results.size(), 29u);

  SpprCommon data = command(SPPR_STATUS);
  spprDecodeStatus(2, results, data);
  EXPECT_EQ(data.state, 2);
  EXPECT_EQ(data.flags, 0x91);
  EXPECT_DOUBLE_EQ(data.refTime, 5.0);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_DOUBLE_EQ(data.inputTime[i], (i + 1) * 4096 / 4096.0);
    EXPECT_EQ(data.inputPulses[i], 0x0A0B0C + i);
  }

  results.back() ^= 0x80;
  EXPECT_EQ(messageOf([&] { spprDecodeStatus(2, results, data); }), "Ошибка контрольной суммы");
}

TEST(SpprProtocol, StoppedStateCarriesTwoDataBytes) {
  SpprCommon data = command(SPPR_STATUS);
  spprDecodeStatus(9, kStopped, data);
  EXPECT_EQ(data.state, 9);
  EXPECT_EQ(data.flags, 0x14);
  EXPECT_EQ(data.data2, 0xF0);
  EXPECT_EQ(messageOf([&] {
              spprDecodeStatus(9, Bytes{0x14, 0xF0, 0x05}, data);
            }),
            "Ошибка контрольной суммы");
  spprDecodeStatus(4, {}, data);
  EXPECT_EQ(data.state, 4);
}

}  // namespace

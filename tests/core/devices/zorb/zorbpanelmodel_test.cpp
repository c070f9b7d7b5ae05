#include "core/devices/zorb/zorbpanelmodel.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ZorbPanelModel, DiameterPositionsAndCodes) {
  const struct {
    int position;
    int code;
  } cases[] = {{0, 2}, {1, 3}, {6, 8}, {9, 11}};
  for (const auto& c : cases) {
    EXPECT_EQ(zorbDuCode(c.position), c.code);
    EXPECT_EQ(zorbDuPosition(c.code), c.position);
  }
  EXPECT_EQ(zorbDuCode(-1), 1);  // none selected
  for (int code : {-1, 0, 1, 12}) EXPECT_EQ(zorbDuPosition(code), -1) << code;
}

TEST(ZorbPanelModel, PulseWeightOfTheSelectedPosition) {
  const struct {
    int duPosition;
    int weightPosition;
    double weight;
  } cases[] = {
      {0, 0, 0.0001}, {2, 2, 0.01}, {3, 2, 0.1},    {6, 0, 0.001},
      {7, 2, 1},      {9, 1, 0.1},  {-1, 1, 0.001},  // no Ду: the list of the smallest
      {4, -1, 0},     {4, 3, 0},
  };
  for (const auto& c : cases) {
    ZorbPanelValues v;
    v.duPosition = c.duPosition;
    v.weightPosition = c.weightPosition;
    EXPECT_DOUBLE_EQ(zorbPulseWeight(v), c.weight) << c.duPosition << " " << c.weightPosition;
  }
}

TEST(ZorbPanelModel, RequestsCarryWhatTheDeviceNeeds) {
  ZorbPanelValues v;
  v.duPosition = 6;  // Ду 100
  v.A = 3.6;
  v.B = -0.2;

  const ZorbRequest open = zorbOpenCommand(3);
  EXPECT_EQ(open.type, ZORB_OPEN);
  EXPECT_EQ(open.data.port, 3);

  const ZorbRequest write = zorbWriteCommand(v);
  EXPECT_EQ(write.type, ZORB_WRITE);
  EXPECT_EQ(write.data.Du, 8);
  EXPECT_EQ(write.data.A, 3.6);
  EXPECT_EQ(write.data.B, -0.2);

  const ZorbRequest read = zorbReadCommand(v);
  EXPECT_EQ(read.type, ZORB_READ);
  EXPECT_EQ(read.data.Du, 8);
  EXPECT_EQ(read.data.A, 0);
  EXPECT_EQ(read.data.B, 0);
}

TEST(ZorbPanelModel, OutcomesOfFinishedCommands) {
  ZorbCommon data;
  data.port = 2;
  data.A = 1.5;
  data.B = -0.5;
  const struct {
    ZorbCommand type;
    bool ok;
    const char* text;  // nullptr: nothing printed
    int port;          // -1: the selector stays
    bool shown;
  } cases[] = {
      {ZORB_OPEN, true, nullptr, 2, false},
      {ZORB_OPEN, false, nullptr, 0, false},
      {ZORB_WRITE, true, "Параметры записаны", -1, false},
      {ZORB_WRITE, false, "Ошибка обмена", -1, false},
      {ZORB_READ, true, "Параметры считаны", -1, true},
      {ZORB_READ, false, "Ошибка обмена", -1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + (c.ok ? " ok" : " failed"));
    const ZorbOutcome got = zorbOutcome(c.type, data, c.ok, "Ошибка обмена");
    EXPECT_EQ(got.text.value_or("(none)"), c.text ? c.text : "(none)");
    EXPECT_EQ(got.portPosition.value_or(-1), c.port);
    ASSERT_EQ(got.shown.has_value(), c.shown);
    if (c.shown) {
      EXPECT_EQ(got.shown->A, 1.5);
      EXPECT_EQ(got.shown->B, -0.5);
    }
  }
}

TEST(ZorbPanelModel, OnlyPulseOutputModelsExchangeWithAPortWhenIdle) {
  const struct {
    int model;
    int port;
    bool busy;
    bool exchange;
    bool showWeight;
  } cases[] = {
      {0, 1, false, false, false}, {3, 1, false, false, false}, {6, 2, false, false, false},
      {1, 1, false, true, true},   {7, 1, false, true, true},   {16, 1, false, true, true},
      {7, 0, false, false, true},  {7, 1, true, false, true},
  };
  for (const auto& c : cases) {
    const ZorbControlState got = zorbControlState(c.model, c.port, c.busy);
    EXPECT_EQ(got.exchange, c.exchange) << c.model << " " << c.port << " " << c.busy;
    EXPECT_EQ(got.showWeight, c.showWeight) << c.model;
  }
}

}  // namespace

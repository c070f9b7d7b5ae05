#include "core/document/devicebase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(DeviceTypes, FamiliesAndHiddenColumns) {
  EXPECT_EQ(deviceFamily(0), dfTd);
  for (int code = 1; code <= 17; ++code) EXPECT_EQ(deviceFamily(code), dfZorb);
  for (int code = 18; code <= 35; ++code) EXPECT_EQ(deviceFamily(code), dfKelt);
  EXPECT_EQ(deviceFamily(36), dfZorb);

  // ZORB models without a pulse output hide the last three columns of verification packages.
  for (int code = 0; code <= 35; ++code) {
    const bool noPulseOutput = code == 1 || (code >= 4 && code <= 7);
    EXPECT_EQ(hiddenColumnCount(code, true), noPulseOutput ? 3 : 0) << code;
    EXPECT_EQ(hiddenColumnCount(code, false), 0) << code;
  }
}

TEST(DeviceTypes, TableOfModels) {
  const auto types = deviceTypes();
  ASSERT_EQ(types.size(), 36u);
  for (int code = 0; code <= 35; ++code) {
    EXPECT_EQ(types[code].code, code);
    EXPECT_EQ(types[code].family, deviceFamily(code));
    EXPECT_EQ(deviceType(code), &types[code]);
  }
  EXPECT_EQ(deviceType(36), nullptr);
  EXPECT_EQ(deviceType(-1), nullptr);

  // Top-level rows: TD and the first KELT model.
  std::vector<int> topLevel;
  for (const DeviceTypeInfo& t : types)
    if (!t.group) topLevel.push_back(t.code);
  EXPECT_EQ(topLevel, (std::vector<int>{0, 18}));
  EXPECT_EQ(types[0].name, nullptr);
  EXPECT_STREQ(types[0].treeRow, "Тайдмарк (ТД)");

  // Code 4 shows Cyrillic "ххх" in the tree and is named with Latin "xxx".
  EXPECT_EQ(std::string(types[4].treeRow), "ЗОРБ-Т1-\u0445\u0445\u0445-М");
  EXPECT_EQ(std::string(types[4].name), "ЗОРБ-Т1-xxx-М");
  EXPECT_EQ(std::string(types[19].group), "КЕЛТ-ЧИ\u0445.6\u0445-xxx");
  EXPECT_EQ(std::string(types[35].name), "КЕЛТ3-ЧИ7.96(86)-xxx");
  EXPECT_EQ(std::string(types[17].group), "ЗОРБ-ТИ1(ТИ2)");
  for (int code = 1; code <= 35; ++code)
    if (code != 4) {
      EXPECT_STREQ(types[code].name, types[code].treeRow) << code;
    }
}

TEST(DeviceIdentity, SerialNumberText) {
  struct Case {
    int32_t serial;
    int du;
    const char* text;
  };
  const Case cases[] = {
      {0, 0, "00000000"},         {0, 11, "00000000"},          {1234, 5, "00001234"},
      {12345678, 5, "012345678"}, {12345678, 8, "12345678"},    {99999999, 7, "099999999"},
      {99999999, 8, "99999999"},  {123456789, 0, "0123456789"}, {-1, 11, "4294967295"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatSerialNumber(c.serial, c.du), c.text) << c.serial;
}

TEST(DeviceIdentity, NominalDiameters) {
  EXPECT_EQ(DuText(0), "15");
  EXPECT_EQ(DuText(7), "80");
  EXPECT_EQ(DuText(11), "200");
  EXPECT_EQ(DuText(12), "");
  EXPECT_EQ(DuText(-1), "");
}

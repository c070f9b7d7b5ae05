#include "core/devices/devicetypes.h"

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

// The type code and the family's model index are one arithmetic, both ways.
TEST(DeviceTypes, ModelIndexOfEveryCode) {
  for (const DeviceTypeInfo& t : deviceTypes()) {
    const int first = t.family == dfZorb ? 1 : t.family == dfKelt ? 18 : 0;
    EXPECT_EQ(t.model, t.code - first) << int(t.code);
    EXPECT_EQ(deviceTypeCode(t.family, t.model), t.code) << int(t.code);
  }
}

#include "ui/package/toleranceprofiles.h"

#include <gtest/gtest.h>

#include "core/base/errors.h"
#include "ui/base/regkey.h"

namespace {

class ToleranceProfilesTest : public ::testing::Test {
 protected:
  void TearDown() override { saveToleranceProfiles({}); }
};

}  // namespace

TEST_F(ToleranceProfilesTest, BuiltInsUntilTheUserSavesAndSavedOnesReadBack) {
  EXPECT_EQ(loadToleranceProfiles().size(), builtInProfiles().size());
  const std::vector<ToleranceProfile> mine = {
      {"Зоны", ZoneBasis::fractionOfMax, {{0, 5, 5}, {0.1, 2, 1.5}}},
      {"Один; два: \"три\"", ZoneBasis::flow, {{0, 1, 1}}},
  };
  saveToleranceProfiles(mine);
  const std::vector<ToleranceProfile> back = loadToleranceProfiles();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].basis, ZoneBasis::fractionOfMax);
  EXPECT_EQ(zonesText(back[0].zones), zonesText(mine[0].zones));
  EXPECT_EQ(back[1].name, mine[1].name);
  EXPECT_EQ(toleranceProfile("Зоны").zones.size(), 2u);
  EXPECT_THROW(toleranceProfile("±1 %"), MessageError);
}

TEST_F(ToleranceProfilesTest, AProfileSpoiledInTheSettingsIsLeftOut) {
  saveToleranceProfiles({{"Годный", ZoneBasis::flow, {{0, 1, 1}}},
                         {"Испорченный", ZoneBasis::flow, {{0, 1, 1}}},
                         {"Нулевой", ZoneBasis::flow, {{0, 1, 1}}}});
  RegKey key;
  key.create(QString::fromUtf8(kProgramKey) + "\\Допуски");
  key.writeString("Zones2", "0:один");
  key.writeString("Zones3", "0:0");
  const std::vector<ToleranceProfile> back = loadToleranceProfiles();
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].name, "Годный");
}

TEST_F(ToleranceProfilesTest, DefaultProfileKeptPerDeviceType) {
  setDefaultProfileName(3, "±1 %");
  EXPECT_EQ(defaultProfileName(3), "±1 %");
  EXPECT_EQ(defaultProfileName(4), "");
  setDefaultProfileName(3, "");
}

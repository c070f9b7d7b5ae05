#include "core/package/columns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

bool contains(std::span<const uint8_t> ids, int id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

TEST(Columns, LayoutsByEntryKindAndPackageKind) {
  struct Case {
    int entryKind, kind;
    std::vector<uint8_t> massLayout;
  };
  const Case cases[] = {
      {ekZorb, pkCalibration, {17, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11}},
      {ekZorb, pkVerification, {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14}},
      {ekKelt, pkCalibration, {17, 0, 15, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 16}},
      {ekKelt, pkVerification, {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 16, 12, 13, 14}},
      {ekEpr, pkCalibration, {17, 0, 15, 1, 2, 3, 4, 5, 9, 10, 11, 16}},
      {ekEpr, pkVerification, {1, 2, 3, 4, 5, 9, 10, 11, 16, 12, 13, 14}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "entry kind " << c.entryKind << ", kind " << c.kind);
    auto mass = columnLayout(c.entryKind, c.kind, mMass);
    EXPECT_EQ(std::vector<uint8_t>(mass.begin(), mass.end()), c.massLayout);
    // The other methods show the same columns without the reference mass.
    std::vector<uint8_t> noMass = c.massLayout;
    std::erase(noMass, uint8_t{colRefMass});
    for (int method : {mVolume, mReference}) {
      auto l = columnLayout(c.entryKind, c.kind, method);
      EXPECT_EQ(std::vector<uint8_t>(l.begin(), l.end()), noMass);
    }
    if (c.entryKind == ekZorb) {
      EXPECT_FALSE(contains(mass, colPoint) || contains(mass, colSection) ||
                   contains(mass, colLine));
    }
    if (c.kind == pkVerification) {
      EXPECT_FALSE(contains(mass, colSwitchedOff));
    }
  }
}

TEST(Columns, ReadOnlySetsByMethod) {
  const std::vector<int> expected[3] = {
      {5, 8, 10, 11, 13, 14, 15, 16},
      {3, 5, 8, 10, 11, 13, 14, 15, 16},
      {3, 8, 10, 11, 13, 14, 15, 16},
  };
  for (int method = 0; method < 3; ++method) {
    std::vector<int> readOnly;
    for (int id = 0; id < kColumnIdCount; ++id)
      if (columnInfo(id, method).readOnly) readOnly.push_back(id);
    EXPECT_EQ(readOnly, expected[method]) << "method " << method;
  }
}

TEST(Columns, DescriptionsUseLatinLettersWhereTheCaptionsSaySo) {
  EXPECT_EQ(std::string(columnInfo(colTemperature, 0).caption), "t (\u00B0C)");
  EXPECT_EQ(std::string(columnInfo(colRefMass, 0).caption), "M\u044D\u0442 (\u043A\u0433)");
  EXPECT_EQ(std::string(columnInfo(colFlowError, 0).caption), "dg (%)");
  EXPECT_EQ(std::string(columnInfo(colMeasFlow, 0).htmlCaption),
            "g<sub>\u0438\u0437\u043C</sub> (\u043C<sup>3</sup>/\u0447)");
  for (int id = 0; id < kColumnIdCount; ++id) {
    const ColumnInfo c = columnInfo(id, 0);
    EXPECT_EQ(c.id, id);
    EXPECT_EQ(c.checkBox, id == colPoint || id == colSwitchedOff);
  }
  const ColumnInfo code = columnInfo(colCode, 0);
  EXPECT_EQ(code.width, 85);
  EXPECT_EQ(code.digits, 7);
  EXPECT_EQ(columnInfo(colPulses2, 0).type, vtInteger);
}

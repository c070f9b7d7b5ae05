#include "core/storage/oldfiles.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/base/errors.h"
#include "core/storage/docfixtures.h"

using namespace fixtures;

namespace {

std::string convert(const std::string& old, uint32_t version) {
  std::istringstream in(old);
  std::ostringstream out;
  files::convertOldDocument(out, in, version);
  return out.str();
}

ByteBuilder& systemTime2003(ByteBuilder& b) {
  return b.u16(2003).u16(1).u16(3).u16(1).u16(0).u16(0).u16(0).u16(0);
}

// The old content of the version-2 sample, after its 8-byte file header.
std::string keltV2() { return keltVersion2().substr(8); }

}  // namespace

TEST(OldDocument, KeltVersion2ConvertsToVersion3Layout) {
  ByteBuilder expected;
  expected.u8(1).i32(123456).u8(9);
  // func 0 for KELT, manual (mode 3 is not 1), fits on entries (mode 3), 20 °C, 1 %, 5 %, step 6.
  expected.u8(0).u8(1).u8(1).f64(20.0).f64(1.0).f64(5.0).f64(0.1);
  expected.u32(7);
  for (int i = 0; i < 7; ++i) expected.f64(i + 1.0).f64(-i * 0.5).f64(100.0 * (i + 1));
  expected.u32(2);
  systemTime2003(expected.u8(0).u8(0)).u32(1);
  expected.f64(21.5).f64(10).f64(60).f64(59.5).i32(1000).i32(100).i32(1).u8(1).u8(1);
  systemTime2003(expected.u8(1).u8(0)).u32(1);
  expected.f64(23).f64(12).f64(62).f64(61).i32(2000).i32(200).i32(5).u8(0).u8(0);
  // Model 23 - 17 + 1, output type 1, pulse index 6 - 2 * group 2, N 2, 1.5 s.
  expected.u32(32).i32(7).i32(1).i32(2).i32(2).f64(1.5).i32(0).i32(0);

  EXPECT_EQ(convert(keltV2(), 2), expected.str());
}

TEST(OldDocument, ZorbVersion1HasNoLinesAndOnlyItsCalibrationSeries) {
  OldHeader h;
  h.type = 5;
  h.diameter = 5;
  h.serial = 42;
  h.pulseStep = 7;  // ZORB doubles the step: 14, limited to the last weight
  h.func = 1;
  h.mode = 1;
  h.records = 2;
  OldRecord deleted{22, 11, 61, 60, 0, 1, 0x80, 1, 2, 3};
  OldRecord calibration{19, 5, 30, 29, 2, 0, 0, 300, 30, 9};

  ByteBuilder expected;
  expected.u8(0).i32(42).u8(5);
  expected.u8(2).u8(0).u8(0).f64(0).f64(0).f64(0).f64(1.0);
  expected.u32(0).u32(1);
  systemTime2003(expected.u8(0).u8(0)).u32(1);
  expected.f64(19).f64(5).f64(30).f64(29).i32(300).i32(30).u8(1);
  expected.u32(8).i32(5).i32(7 - 1);

  EXPECT_EQ(convert(oldHeader(h) + oldRecord(deleted) + oldRecord(calibration), 1), expected.str());
}

TEST(OldDocument, OnlyDeletedRecordsGiveNoPackages) {
  OldHeader h;
  h.type = 17;
  h.records = 1;
  OldRecord deleted;
  deleted.deleted = 1;
  const std::string out = convert(oldHeader(h) + oldRecord(deleted), 1);
  // family, identity, settings, line count 0, then the package count.
  EXPECT_EQ(out.substr(1 + 5 + 35 + 4, 4), std::string(4, '\0'));
  EXPECT_EQ(out.size(), 1 + 5 + 35 + 4 + 4 + 4 + 32u);
}

TEST(OldDocument, IncompleteOldContentIsUnknownFormat) {
  const std::string full = keltV2();
  ASSERT_NO_THROW(convert(full, 2));
  for (size_t length = 0; length < full.size(); ++length) {
    try {
      convert(full.substr(0, length), 2);
      ADD_FAILURE() << "accepted " << length << " of " << full.size() << " bytes";
    } catch (const MessageError& e) {
      ASSERT_STREQ(e.what(), "Неизвестный формат файла") << length;
    }
  }
}

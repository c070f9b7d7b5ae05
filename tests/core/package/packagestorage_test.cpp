#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "core/base/lestream.h"
#include "core/package/allocationprobe.h"
#include "core/package/packagecreate.h"
#include "core/package/packagefixture.h"

namespace {

std::string bytesOf(const PackageBase& p) {
  std::ostringstream os;
  p.save(os);
  return os.str();
}

template <class T>
T at(const std::string& bytes, size_t offset) {
  T v;
  std::memcpy(&v, bytes.data() + offset, sizeof v);
  return v;
}

}  // namespace

class PackageStorageTest : public PackageTest {};

TEST_F(PackageStorageTest, KeltBlockLayout) {
  Package<KeltEntry> p;
  p.kind = pkVerification;
  p.method = mMass;
  p.created = SystemTime{2023, 12, 0, 31, 23, 59, 58, 999};
  p.entries() = {KeltEntry{.temperature = 21.5,
                           .refMass = 9.75,
                           .refVolume = 99,
                           .refTime = 60,
                           .pulseTime = 59.5,
                           .pulses1 = 1000,
                           .pulses2 = -2,
                           .section = 3,
                           .point = 1,
                           .switchedOff = 1}};
  const std::string b = bytesOf(p);
  ASSERT_EQ(b.size(), 22u + 46u);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[1], 1);
  EXPECT_EQ(at<uint16_t>(b, 2), 2023);
  EXPECT_EQ(at<uint16_t>(b, 16), 999);
  EXPECT_EQ(at<uint32_t>(b, 18), 1u);
  EXPECT_EQ(at<double>(b, 22), 21.5);
  EXPECT_EQ(at<double>(b, 30), 9.75);  // the mass, as the method measures it
  EXPECT_EQ(at<double>(b, 38), 60);
  EXPECT_EQ(at<double>(b, 46), 59.5);
  EXPECT_EQ(at<int32_t>(b, 54), 1000);
  EXPECT_EQ(at<int32_t>(b, 58), -2);
  EXPECT_EQ(at<int32_t>(b, 62), 3);
  EXPECT_EQ(b[66], 1);
  EXPECT_EQ(b[67], 1);
}

TEST_F(PackageStorageTest, RoundTripKeepsTheEnteredFieldsOfEveryKind) {
  struct Case {
    int entryKind, method;
    size_t recordSize;
  };
  for (const Case& c :
       {Case{ekZorb, mReference, 41}, Case{ekKelt, mVolume, 46}, Case{ekEpr, mMass, 42}}) {
    SCOPED_TRACE(c.entryKind);
    PackagePtr src = createPackage(c.entryKind, pkCalibration, c.method);
    for (int row = 0; row < 3; ++row) {
      src->addEntry();
      for (int id : {colTemperature, colRefMass, colRefVolume, colRefTime, colRefFlow, colPulseTime,
                     colCode})
        src->setValue(row, id, 1.25 * (row + 1) + id);
      for (int id : {colPulses1, colPulses2, colSection}) src->setValue(row, id, row * 10 + id);
      src->setValue(row, colPoint, uint8_t(row == 1));
      src->setValue(row, colSwitchedOff, uint8_t(row == 2));
    }
    const std::string bytes = bytesOf(*src);
    EXPECT_EQ(bytes.size(), 22 + 3 * c.recordSize);

    PackagePtr dst = createPackage(c.entryKind, pkVerification, mVolume);
    std::istringstream is(bytes);
    dst->load(is);
    ASSERT_FALSE(is.fail());
    EXPECT_EQ(dst->kind, pkCalibration);
    EXPECT_EQ(dst->method, c.method);
    EXPECT_EQ(std::memcmp(&dst->created, &src->created, sizeof(SystemTime)), 0);
    EXPECT_EQ(bytesOf(*dst), bytes);
    // The stored reference quantity is the method's input; derived values wait for recalculation.
    src->recalcAll();
    dst->recalcAll();
    for (int col = 0; col < src->columnCount(); ++col)
      EXPECT_EQ(dst->cellText(2, col), src->cellText(2, col)) << col;
  }
}

TEST_F(PackageStorageTest, LoadNormalisesKindAndMethod) {
  std::string bytes = bytesOf(Package<EprEntry>());
  bytes[0] = 7;
  bytes[1] = static_cast<char>(0xFE);  // -2 as a signed byte
  Package<EprEntry> p;
  p.method = mReference;
  std::istringstream is(bytes);
  p.load(is);
  EXPECT_EQ(p.kind, pkVerification);
  EXPECT_EQ(p.method, mVolume);
  bytes[1] = 9;
  std::istringstream is2(bytes);
  p.load(is2);
  EXPECT_EQ(p.method, mReference);
}

TEST_F(PackageStorageTest, TruncatedStreamKeepsThePackageAndAllocatesLittle) {
  Package<KeltEntry> src;
  src.entries().resize(3);
  std::string bytes = bytesOf(src);
  bytes.replace(18, 4, "\x40\x42\x0F\x00", 4);  // 1,000,000 records announced, 3 present

  Package<KeltEntry> p;
  p.kind = pkCalibration;
  p.method = mReference;
  p.entries().resize(2);
  p.entries()[1].temperature = 42;
  std::istringstream is(bytes);
  EXPECT_LE(largestAllocationDuring([&] { p.load(is); }), 256 * sizeof(KeltEntry));
  EXPECT_TRUE(is.fail());
  ASSERT_EQ(p.entryCount(), 2);
  EXPECT_EQ(p.entries()[1].temperature, 42);
  EXPECT_EQ(p.method, mReference);
}

TEST_F(PackageStorageTest, CreatePackageGivesTheKindOfTheFamily) {
  const PackagePtr kelt = createPackage(ekKelt, pkVerification, mMass);
  EXPECT_EQ(kelt->entryKind(), ekKelt);
  EXPECT_EQ(kelt->kind, pkVerification);
  EXPECT_EQ(kelt->method, mMass);
  EXPECT_EQ(kelt->entryCount(), 0);
  EXPECT_NE(kelt->created.year, 0);
  EXPECT_EQ(createPackage(ekEpr, 0, 0)->entryKind(), ekEpr);
  EXPECT_EQ(createPackage(7, 0, 0)->entryKind(), ekZorb);
}

TEST(LeStream, ScalarsAreLittleEndian) {
  std::ostringstream os;
  writeLe(os, uint16_t{0x1234});
  writeLe(os, int32_t{-2});
  writeLe(os, 1.0);
  EXPECT_EQ(os.str(), std::string("\x34\x12\xFE\xFF\xFF\xFF\0\0\0\0\0\0\xF0\x3F", 14));
  std::istringstream is(os.str());
  uint16_t a = 0;
  int32_t b = 0;
  double c = 0, d = 5;
  readLe(is, a);
  readLe(is, b);
  readLe(is, c);
  readLe(is, d);  // past the end: unchanged, stream failed
  EXPECT_EQ(a, 0x1234);
  EXPECT_EQ(b, -2);
  EXPECT_EQ(c, 1.0);
  EXPECT_EQ(d, 5);
  EXPECT_TRUE(is.fail());
}

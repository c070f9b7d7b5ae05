#include "core/storage/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/base/errors.h"
#include "core/package/allocationprobe.h"
#include "core/package/approxstate.h"
#include "core/package/packagebase.h"
#include "core/package/packagecreate.h"
#include "core/storage/docfixtures.h"
#include "core/storage/fakedevice.h"

namespace fs = std::filesystem;
using fixtures::documentBytes;

namespace {

constexpr const char* kBadFormat = "Неправильный формат файла";

FieldValue valueOf(const PackageBase& p, int row, int id) {
  FieldValue v = -1.0;
  EXPECT_TRUE(p.value(row, id, v)) << "column id " << id;
  return v;
}

// The column id that holds the stored reference quantity of a method.
int refQuantityId(int method) {
  return method == mMass ? colRefMass : method == mReference ? colRefFlow : colRefVolume;
}

// A KELT document whose one package announces 1,000,000 entries and holds 3.
std::string millionEntriesThreePresent() {
  fixtures::Document d = fixtures::keltDocument();
  d.packages.resize(1);
  std::string bytes = documentBytes(d);
  const size_t firstCount = 8 + 1 + 5 + 35 + 4 + 3 * 24 + 4 + 18;
  bytes.replace(firstCount, 4, ByteBuilder().u32(1000000).str());
  return bytes;
}

class DocumentFile : public ::testing::Test {
 protected:
  void SetUp() override { resetApproxState(); }
  void TearDown() override { resetApproxState(); }

  void read(const std::string& bytes) {
    std::istringstream in(bytes);
    files::readDocument(in, doc_, devices_.factory());
  }

  // Expects the bytes to be rejected with `message`.
  void expectRejected(const std::string& bytes, const char* message = kBadFormat) {
    try {
      read(bytes);
      ADD_FAILURE() << "accepted";
    } catch (const MessageError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }

  FakeDevice& device() { return dynamic_cast<FakeDevice&>(*doc_.device); }

  // An open document of the given type with a package, lines and settings of its own.
  void openPrevious(uint8_t code) {
    doc_.device = std::make_unique<FakeDevice>(code);
    doc_.packages = {createPackage(deviceFamily(code), pkCalibration, mMass)};
    doc_.packages[0]->addEntry();
    currentLines() = {{1, 2, 3}};
    apprSettings().refTemp = 33;
    previousDevice_ = doc_.device.get();
    previousPackage_ = doc_.packages[0].get();
  }

  void expectPreviousUnchanged() {
    ASSERT_EQ(doc_.device.get(), previousDevice_);
    EXPECT_EQ(device().changes, 0);
    ASSERT_EQ(doc_.packages.size(), 1u);
    EXPECT_EQ(doc_.packages[0].get(), previousPackage_);
    EXPECT_EQ(previousPackage_->entryCount(), 1);
    ASSERT_EQ(currentLines().size(), 1u);
    EXPECT_EQ(currentLines()[0].F, 3);
    EXPECT_EQ(apprSettings().refTemp, 33);
    EXPECT_EQ(devices_.made, 0);
  }

  // Every field of `d` arrived in the device, the settings, the lines and the packages.
  void expectDocument(const fixtures::Document& d) {
    EXPECT_EQ(device().identity.serialNumber, d.serial);
    EXPECT_EQ(device().identity.duCode, d.diameter);
    EXPECT_EQ(std::string(device().parameters.begin(), device().parameters.end()), d.parameters);

    const ApprSettings& s = apprSettings();
    EXPECT_EQ(s.func, d.settings.func);
    EXPECT_EQ(s.manual, d.settings.manual);
    EXPECT_EQ(s.fromEntries, d.settings.fromEntries);
    EXPECT_EQ(s.refTemp, d.settings.refTemp);
    EXPECT_EQ(s.maxAutoErr, d.settings.maxAutoErr);
    EXPECT_EQ(s.sectionScatter, d.settings.sectionScatter);
    EXPECT_EQ(s.pulseWeight, d.settings.pulseWeight);

    ASSERT_EQ(currentLines().size(), d.lines.size());
    ASSERT_EQ(device().lines.size(), d.lines.size());
    for (size_t i = 0; i < d.lines.size(); ++i) {
      for (const auto& lines : {currentLines(), device().lines}) {
        EXPECT_EQ(lines[i].A, d.lines[i].a);
        EXPECT_EQ(lines[i].B, d.lines[i].b);
        EXPECT_EQ(lines[i].F, d.lines[i].f);
      }
    }

    ASSERT_EQ(doc_.packages.size(), d.packages.size());
    for (size_t i = 0; i < d.packages.size(); ++i) {
      expectPackage(*doc_.packages[i], d.packages[i], d.family);
    }
  }

  void expectPackage(const PackageBase& p, const fixtures::Package& f, uint8_t family) {
    EXPECT_EQ(p.entryKind(), family);
    EXPECT_EQ(p.kind, f.kind);
    EXPECT_EQ(p.method, f.method);
    const std::vector<uint16_t> created{
        p.created.year, p.created.month,  p.created.dayOfWeek, p.created.day,
        p.created.hour, p.created.minute, p.created.second,    p.created.milliseconds};
    EXPECT_EQ(created, f.created);
    ASSERT_EQ(p.entryCount(), int(f.entries.size()));
    for (int row = 0; row < p.entryCount(); ++row) {
      const fixtures::Entry& e = f.entries[size_t(row)];
      EXPECT_EQ(valueOf(p, row, colTemperature), FieldValue(e.temperature));
      EXPECT_EQ(valueOf(p, row, refQuantityId(f.method)), FieldValue(e.refQuantity));
      EXPECT_EQ(valueOf(p, row, colRefTime), FieldValue(e.refTime));
      EXPECT_EQ(valueOf(p, row, family == dfTd ? colCode : colPulseTime), FieldValue(e.reading));
      if (family != dfTd) {
        EXPECT_EQ(valueOf(p, row, colPulses1), FieldValue(e.pulses1));
      }
      EXPECT_EQ(valueOf(p, row, colPulses2), FieldValue(e.pulses2));
      if (family != dfZorb) {
        EXPECT_EQ(valueOf(p, row, colSection), FieldValue(e.section));
        EXPECT_EQ(valueOf(p, row, colPoint), FieldValue(e.point));
      }
      EXPECT_EQ(valueOf(p, row, colSwitchedOff), FieldValue(e.switchedOff));
    }
  }

  Document doc_;
  FakeDeviceFactory devices_;
  DeviceBase* previousDevice_ = nullptr;
  PackageBase* previousPackage_ = nullptr;
};

std::vector<fixtures::Document> goldenDocuments() {
  return {fixtures::tdDocument(), fixtures::zorbDocument(), fixtures::keltDocument()};
}

}  // namespace

TEST_F(DocumentFile, GoldenDocumentsReadFieldByFieldAndWriteBackTheSameBytes) {
  for (const fixtures::Document& d : goldenDocuments()) {
    SCOPED_TRACE(int(d.type));
    const std::string bytes = documentBytes(d);
    read(bytes);
    EXPECT_EQ(doc_.device->typeCode(), d.type);
    expectDocument(d);

    device().weight = d.settings.pulseWeight;
    std::ostringstream out;
    files::writeDocument(out, *doc_.device, doc_.packages);
    EXPECT_EQ(out.str(), bytes);
  }
}

TEST_F(DocumentFile, SaveRefreshesLinesAndPulseWeightFromTheDevice) {
  FakeDevice td(0);
  td.lines = {{1, 2, 3}, {4, 5, 6}};
  td.weight = 0.5;
  currentLines().clear();
  std::ostringstream out;
  files::writeDocument(out, td, {});
  EXPECT_EQ(currentLines().size(), 2u);
  EXPECT_EQ(apprSettings().pulseWeight, 0.5);
  read(out.str());
  EXPECT_EQ(device().lines.size(), 2u);
  EXPECT_EQ(apprSettings().pulseWeight, 0.5);
}

// Every field a user can set, through the file on disk and back, for each family.
TEST_F(DocumentFile, RoundTripThroughAFileKeepsEveryField) {
  const fs::path path =
      fs::temp_directory_path() / ("roundtrip-" + std::to_string(::getpid()) + ".srv");
  for (uint8_t code : {0, 9, 30}) {
    SCOPED_TRACE(int(code));
    resetApproxState();
    apprSettings() = {2, 0, 0, 17.25, 0.5, 3.5, 0};
    FakeDevice original(code);
    original.identity = {76543210, 10};
    original.lines = {{0.5, 0.25, 40}, {0.625, -1, 0}};
    original.weight = 0.005;
    for (size_t i = 0; i < original.parameters.size(); ++i) original.parameters[i] = uint8_t(i * 7);
    std::vector<PackagePtr> packages;
    for (int kind : {pkCalibration, pkVerification}) {
      for (int method : {mVolume, mMass, mReference}) {
        PackagePtr p = createPackage(deviceFamily(code), kind, method);
        p->created = {2021, 3, 2, 9, 10, 11, 12, 13};
        for (int row = 0; row < 2; ++row) {
          p->addEntry();
          const double x = 1 + row + 10 * method + 100 * kind;
          for (int id : {colTemperature, colRefMass, colRefVolume, colRefTime, colRefFlow,
                         colPulseTime, colCode})
            p->setValue(row, id, x + id / 8.0);
          for (int id : {colPulses1, colPulses2, colSection}) p->setValue(row, id, int32_t(x) + id);
          p->setValue(row, colPoint, uint8_t(row));
          p->setValue(row, colSwitchedOff, uint8_t(1 - row));
          p->recalcEntry(row);
        }
        packages.push_back(p);
      }
    }
    files::writeDocument(path.string(), original, packages);
    // Derived values as the saved lines and pulse weight give them, to compare with the reader's.
    for (const PackagePtr& p : packages) p->recalcAll();

    Document read;
    resetApproxState();
    files::readDocument(path.string(), read, devices_.factory());
    auto& device = dynamic_cast<FakeDevice&>(*read.device);
    EXPECT_EQ(device.typeCode(), code);
    EXPECT_EQ(device.identity.serialNumber, 76543210);
    EXPECT_EQ(device.identity.duCode, 10);
    EXPECT_EQ(device.parameters, original.parameters);
    ASSERT_EQ(device.lines.size(), 2u);
    EXPECT_EQ(device.lines[1].B, -1);
    EXPECT_EQ(apprSettings().func, 2);
    EXPECT_EQ(apprSettings().refTemp, 17.25);
    EXPECT_EQ(apprSettings().pulseWeight, 0.005);
    ASSERT_EQ(read.packages.size(), packages.size());
    for (size_t i = 0; i < packages.size(); ++i) {
      const PackageBase& a = *packages[i];
      const PackageBase& b = *read.packages[i];
      EXPECT_EQ(b.kind, a.kind);
      EXPECT_EQ(b.method, a.method);
      EXPECT_EQ(std::memcmp(&b.created, &a.created, sizeof a.created), 0);
      ASSERT_EQ(b.entryCount(), a.entryCount());
      // Entered and derived fields alike: the reader recalculated with the same lines and settings.
      for (int row = 0; row < a.entryCount(); ++row) {
        for (int id = 0; id < kColumnIdCount; ++id) {
          FieldValue va, vb;
          EXPECT_EQ(a.value(row, id, va), b.value(row, id, vb));
          EXPECT_EQ(va, vb) << "package " << i << " row " << row << " id " << id;
        }
      }
    }
  }
  fs::remove(path);
}

TEST_F(DocumentFile, EveryTruncationIsRejectedAndLeavesTheOpenDocument) {
  for (const fixtures::Document& d : goldenDocuments()) {
    const std::string bytes = documentBytes(d);
    openPrevious(d.type);
    for (size_t length = 0; length < bytes.size(); ++length) {
      SCOPED_TRACE(testing::Message() << "type " << int(d.type) << ", " << length << " bytes");
      expectRejected(bytes.substr(0, length));
      expectPreviousUnchanged();
    }
  }
}

TEST_F(DocumentFile, InvalidContentIsRejectedAndLeavesTheOpenDocument) {
  using fixtures::Document;
  auto with = [](Document d, auto change) {
    change(d);
    return documentBytes(d);
  };
  const Document kelt = fixtures::keltDocument();
  // Counts far above the records present; a parameter block above 1024 bytes that is all there.
  std::string manyLines = with(kelt, [](Document& d) { d.lines.resize(2); });
  manyLines.replace(8 + 1 + 5 + 35, 4, ByteBuilder().u32(1000000).str());
  const std::string manyEntriesBytes = millionEntriesThreePresent();
  std::string manyPackages = with(kelt, [](Document& d) { d.packages.resize(1); });
  manyPackages.replace(8 + 1 + 5 + 35 + 4 + 3 * 24, 4, ByteBuilder().u32(1000000).str());

  const struct {
    const char* what;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"empty file", "", kBadFormat},
      {"wrong magic", ByteBuilder().raw("3BZM").u32(5).str() + documentBytes(kelt).substr(8),
       kBadFormat},
      {"version 0", with(kelt, [](Document& d) { d.version = 0; }), kBadFormat},
      {"version 6", with(kelt, [](Document& d) { d.version = 6; }), kBadFormat},
      {"version 3 family 3", with(kelt, [](Document& d) { d.version = 3, d.type = 3; }),
       kBadFormat},
      {"version 4 type 36", with(kelt, [](Document& d) { d.version = 4, d.type = 36; }),
       kBadFormat},
      {"version 5 type 255", with(kelt, [](Document& d) { d.type = 255; }), kBadFormat},
      {"parameter block of 1025 bytes",
       with(kelt, [](Document& d) { d.parameters = std::string(1025, 'p'); }), kBadFormat},
      {"a million lines, two present", manyLines, kBadFormat},
      {"a million packages, one present", manyPackages, kBadFormat},
      {"a million entries, three present", manyEntriesBytes, kBadFormat},
      {"version 3 ZORB without its model number",
       with(fixtures::zorbDocument(),
            [](Document& d) { d.version = 3, d.type = 0, d.parameters = "abc"; }),
       kBadFormat},
      {"version 3 KELT without parameters",
       with(kelt, [](Document& d) { d.version = 3, d.type = 1, d.parameters.clear(); }),
       kBadFormat},
      {"old content cut short", fixtures::keltVersion2().substr(0, 700),
       "Неизвестный формат файла"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    openPrevious(27);
    expectRejected(c.bytes, c.message);
    expectPreviousUnchanged();
  }
}

TEST_F(DocumentFile, EntryCountAboveTheFileSizeIsRejectedWithoutAHugeAllocation) {
  const fs::path path =
      fs::temp_directory_path() / ("many-entries-" + std::to_string(::getpid()) + ".srv");
  std::ofstream(path, std::ios::binary) << millionEntriesThreePresent();
  openPrevious(27);
  const size_t largest = largestAllocationDuring([&] {
    try {
      files::readDocument(path.string(), doc_, devices_.factory());
      ADD_FAILURE() << "accepted";
    } catch (const MessageError& e) {
      EXPECT_STREQ(e.what(), kBadFormat);
    }
  });
  fs::remove(path);
  EXPECT_LT(largest, size_t{1} << 20);  // the entries announced would take 128 MB
  expectPreviousUnchanged();
}

TEST_F(DocumentFile, EmptyDocumentOpensAndTheDeviceKeepsItsParameters) {
  fixtures::Document empty;
  empty.type = 20;
  empty.family = 1;
  read(documentBytes(empty));
  EXPECT_EQ(device().typeCode(), 20);
  EXPECT_EQ(device().parameters, std::vector<uint8_t>(32, 0xee));  // the empty block was refused
  EXPECT_TRUE(doc_.packages.empty());
  EXPECT_TRUE(currentLines().empty());
}

TEST_F(DocumentFile, ParameterBlockOf1024BytesIsAccepted) {
  fixtures::Document big = fixtures::zorbDocument();
  big.parameters = fixtures::parameterBlock(1024);
  read(documentBytes(big));
  EXPECT_EQ(std::string(device().parameters.begin(), device().parameters.end()),
            big.parameters.substr(0, 8));
}

TEST_F(DocumentFile, SameDeviceTypeKeepsTheDeviceOtherTypeReplacesIt) {
  bool destroyed = false;
  openPrevious(27);
  device().destroyed = &destroyed;
  read(documentBytes(fixtures::keltDocument()));
  EXPECT_EQ(doc_.device.get(), previousDevice_);
  EXPECT_EQ(devices_.made, 0);
  EXPECT_EQ(device().changes, 3);
  EXPECT_FALSE(destroyed);

  read(documentBytes(fixtures::zorbDocument()));
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(devices_.made, 1);
  EXPECT_EQ(device().typeCode(), 6);
}

// Versions 1..3 name the family; the model comes from the first int32 of the parameter block.
TEST_F(DocumentFile, Version3TypeCodeComesFromTheModelNumber) {
  const struct {
    uint8_t family;
    int32_t model;
    uint8_t code;
  } cases[] = {
      {0, 20, 17}, {0, -3, 1},  {0, 5, 6},                // ZORB: 1 + index, limited to 0..16
      {1, 3, 25},  {1, 20, 28}, {1, 4, 18},  {1, 7, 19},  // KELT: old model numbering
      {1, 0, 18},  {1, 2, 21},  {1, -1, 18}, {1, INT32_MIN, 18}, {2, 99, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.family) << " " << c.model);
    fixtures::Document d = c.family == 0   ? fixtures::zorbDocument()
                           : c.family == 1 ? fixtures::keltDocument()
                                           : fixtures::tdDocument();
    d.version = 3;
    d.type = c.family;
    d.parameters.replace(0, 4, ByteBuilder().i32(c.model).str());
    read(documentBytes(d));
    EXPECT_EQ(doc_.device->typeCode(), c.code);
  }
}

TEST_F(DocumentFile, TdVersion3NeedsNoModelNumber) {
  fixtures::Document d = fixtures::tdDocument();
  d.version = 3;
  d.type = 2;
  d.parameters.clear();
  read(documentBytes(d));
  EXPECT_EQ(doc_.device->typeCode(), 0);
}

// The method byte is signed and limited to 0..2; before version 5 the reference meter did not
// exist, so the stored quantity of a "2" package is a mass.
TEST_F(DocumentFile, MethodByteByVersion) {
  const struct {
    uint32_t version;
    uint8_t stored;
    uint8_t method;
  } cases[] = {{5, 2, 2},   {5, 5, 2}, {5, 200, 0}, {5, 1, 1},   {4, 2, 1},  {4, 5, 1},
               {4, 200, 0}, {4, 0, 0}, {3, 2, 1},   {3, 127, 1}, {3, 128, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "version " << c.version << ", byte " << int(c.stored));
    fixtures::Document d = fixtures::keltDocument();
    d.version = c.version;
    if (c.version < 4) d.type = 1;
    d.packages.resize(1);
    d.packages[0].method = c.stored;
    read(documentBytes(d));
    const PackageBase& p = *doc_.packages[0];
    EXPECT_EQ(p.method, c.method);
    EXPECT_EQ(valueOf(p, 1, refQuantityId(c.method)), FieldValue(20.0));
    // The derived reference flow follows from the quantity as the method reads it.
    const double flow = std::get<double>(valueOf(p, 1, colRefFlow));
    EXPECT_EQ(flow == 20.0, c.method == mReference);
  }
}

TEST_F(DocumentFile, OldDocumentsOpenWithTheirModelLinesAndSeries) {
  currentLines() = {{9, 9, 9}};
  read(fixtures::keltVersion2());
  EXPECT_EQ(device().typeCode(), 19);  // old type 23
  EXPECT_EQ(currentLines().size(), 7u);
  EXPECT_EQ(currentLines()[6].A, 7);
  EXPECT_EQ(apprSettings().refTemp, 20);
  ASSERT_EQ(doc_.packages.size(), 2u);
  for (const PackagePtr& p : doc_.packages) {
    EXPECT_EQ(p->method, mVolume);
    EXPECT_EQ(p->created.year, 2003);
    EXPECT_EQ(p->created.dayOfWeek, 3);
    EXPECT_EQ(p->entryCount(), 1);
  }
  EXPECT_EQ(doc_.packages[0]->kind, pkCalibration);
  EXPECT_EQ(valueOf(*doc_.packages[0], 0, colSection), FieldValue(1));
  EXPECT_EQ(valueOf(*doc_.packages[1], 0, colSection), FieldValue(5));
  EXPECT_EQ(valueOf(*doc_.packages[1], 0, colRefVolume), FieldValue(12.0));

  // Version 1 has no lines; the old type decides the model.
  const struct {
    uint32_t oldType;
    uint8_t code;
  } types[] = {{5, 6}, {0, 1}, {16, 17}, {17, 18}, {20, 18}, {23, 19}, {40, 28}};
  for (const auto& t : types) {
    SCOPED_TRACE(t.oldType);
    currentLines() = {{9, 9, 9}};
    fixtures::OldHeader h;
    h.type = t.oldType;
    read(fixtures::fileHeader(1) + fixtures::oldHeader(h));
    EXPECT_EQ(device().typeCode(), t.code);
    EXPECT_TRUE(currentLines().empty());
    EXPECT_TRUE(doc_.packages.empty());
  }
}

TEST_F(DocumentFile, UnreadableFileIsAnOsError) {
  openPrevious(27);
  const struct {
    std::string path;
    int code;
  } cases[] = {{"/nonexistent/doc.srv", ENOENT}, {fs::temp_directory_path().string(), EISDIR}};
  for (const auto& c : cases) {
    try {
      files::readDocument(c.path, doc_, devices_.factory());
      ADD_FAILURE() << c.path << " accepted";
    } catch (const win_error& e) {
      EXPECT_EQ(e.code(), c.code) << c.path;
    }
    expectPreviousUnchanged();
  }
}

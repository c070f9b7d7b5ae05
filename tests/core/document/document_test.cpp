#include "core/document/document.h"

#include <gtest/gtest.h>

#include "core/package/approxstate.h"
#include "core/package/packagecreate.h"

namespace {

// A device that only reports its type; panels belong to the UI.
class StubDevice : public DeviceBase {
 public:
  explicit StubDevice(bool* destroyed) : destroyed_(destroyed) {}
  ~StubDevice() override { *destroyed_ = true; }
  uint8_t typeCode() const override { return 18; }
  void readLines(std::vector<files::Line>&) override {}
  void writeLines(const std::vector<files::Line>&) override {}
  void getIdentity(DeviceIdentity&) override {}
  void setIdentity(const DeviceIdentity&) override {}
  uint32_t getParameters(uint8_t*) override { return 0; }
  bool setParameters(const uint8_t*, uint32_t) override { return false; }
  std::string name() const override { return "stub"; }
  double pulseWeight() const override { return 0; }
  void showPanel(bool) override {}

 private:
  bool* destroyed_;
};

}  // namespace

TEST(Document, GraphDataHasASeriesPerPackageAndTheLines) {
  resetApproxState();
  Document doc;
  doc.packages.push_back(createPackage(ekKelt, pkCalibration, mVolume));
  doc.packages.push_back(createPackage(ekKelt, pkVerification, mVolume));
  for (const PackagePtr& p : doc.packages) {
    p->addEntry();
    p->addEntry();
    p->setValue(1, colSection, 4);
    p->setValue(1, colPoint, uint8_t{1});
  }
  // The verification package's first entry: 11 litres by pulses against 10 by the reference.
  apprSettings().pulseWeight = 0.001;
  doc.packages[1]->setValue(0, colRefVolume, 10.0);
  doc.packages[1]->setValue(0, colPulses2, 11);
  doc.packages[1]->recalcEntry(0);
  currentLines() = {{1, 2, 3}, {4, 5, 6}};

  SPILTS_DATA_EXCHANGE data;
  data.series.resize(5);
  buildGraphData(doc, data);
  ASSERT_EQ(data.series.size(), 3u);
  EXPECT_EQ(data.series[0].name, doc.packages[0]->name());
  EXPECT_EQ(data.series[2].name, doc.packages[1]->name() + " (имп. выход)");
  for (const SPILT_STRUCT& s : data.series) {
    ASSERT_EQ(s.points.size(), 2u);
    EXPECT_EQ(s.hasPoints, 1);
    EXPECT_EQ(s.hasErrors, 1);
    EXPECT_EQ(s.points[1].number, 4);
    EXPECT_EQ(s.points[1].marked, 1);
  }
  EXPECT_EQ(data.series[1].points[0].error, 100);        // flow error, computed without lines
  EXPECT_DOUBLE_EQ(data.series[2].points[0].error, 10);  // volume error
  ASSERT_EQ(data.lines.size(), 2u);
  EXPECT_EQ(data.lines[1].F, 6);
  EXPECT_EQ(data.lines[1].A, 4);
  EXPECT_EQ(data.lines[1].B, 5);
  resetApproxState();
}

TEST(Document, CloseDropsEverything) {
  bool destroyed = false;
  Document doc;
  doc.device = std::make_unique<StubDevice>(&destroyed);
  doc.fileName = "a.srv";
  PackagePtr kept = createPackage(ekKelt, pkCalibration, mVolume);
  doc.packages.push_back(kept);
  currentLines() = {{1, 2, 3}};
  EXPECT_TRUE(doc.isOpen());

  closeDocument(doc);
  EXPECT_FALSE(doc.isOpen());
  EXPECT_TRUE(destroyed);
  EXPECT_TRUE(doc.packages.empty());
  EXPECT_TRUE(doc.fileName.empty());
  EXPECT_TRUE(currentLines().empty());
  EXPECT_EQ(kept.use_count(), 1);  // a package lives while any holder does
}

TEST(Document, SeriesPointsByEntryKind) {
  resetApproxState();
  const PackagePtr zorb = createPackage(ekZorb, pkCalibration, mReference);
  const PackagePtr td = createPackage(ekEpr, pkCalibration, mReference);
  for (const PackagePtr& p : {zorb, td})
    for (int row = 0; row < 2; ++row) {
      p->addEntry();
      p->setValue(row, colRefTime, 60.0);
      p->setValue(row, colRefFlow, 1.5 + row);
      p->setValue(row, colPulseTime, 1.0);
      p->setValue(row, colPulses1, 11);
      p->setValue(row, colCode, 700.0);
      p->setValue(row, colSection, 3);
      p->setValue(row, colPoint, uint8_t{1});
      p->recalcEntry(row);
    }
  SPILT_STRUCT s;
  s.points.resize(5);
  zorb->fillSeries(s, 0);
  ASSERT_EQ(s.points.size(), 2u);
  EXPECT_EQ(s.points[1].x, 10);  // reduced frequency, at the reference temperature
  EXPECT_EQ(s.points[1].y, 2.5);
  EXPECT_EQ(s.points[1].number, 2);  // row number: ZORB has no sections
  EXPECT_EQ(s.points[1].marked, 0);
  td->fillSeries(s, 0);
  EXPECT_EQ(s.points[1].x, 700);
  EXPECT_EQ(s.points[1].y, 2.5);
  EXPECT_EQ(s.points[1].number, 3);
  EXPECT_EQ(s.points[1].marked, 1);
  EXPECT_EQ(s.points[1].error, 100);
}

#include <gtest/gtest.h>

#include <QWidget>
#include <cmath>
#include <fstream>
#include <iterator>

#include "core/document/document.h"
#include "core/package/approxstate.h"
#include "core/package/packagebase.h"
#include "core/storage/files.h"
#include "examples/exampledocs.h"
#include "ui/app/devicefactory.h"

namespace {

std::string committedExample(const std::string& name) {
  std::ifstream in(std::string(TD_EXAMPLES_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ExampleCase {
  const char* file;
  int family;
  const char* name;
  int method;
  size_t lines;  // lines the device holds after the approximation
};

}  // namespace

// A changed program changes the bytes: then rebuild the copies with the target update_examples.
TEST(ExamplesTest, CommittedDocumentsAreWhatTheGeneratorWrites) {
  const std::vector<examples::ExampleFile> built = examples::buildExamples();
  ASSERT_EQ(built.size(), 3u);
  for (const examples::ExampleFile& file : built)
    EXPECT_TRUE(committedExample(file.name) == file.bytes) << file.name << " is out of date";
}

// Each example opens as its family with an approximated calibration package and a verification
// package whose measurements the lines reproduce within a few tenths of a percent.
TEST(ExamplesTest, EachExampleOpensWithItsDeviceAndRealisticPackages) {
  const ExampleCase cases[] = {
      {"td.srv", dfTd, "ТД-2.2-А", mVolume, 5},
      {"kelt.srv", dfKelt, "КЕЛТ1-ЧИ7.73-xxx", mMass, 5},
      {"zorb.srv", dfZorb, "ЗОРБ-ТИ1-xxx-М", mVolume, 1},
  };
  QWidget pageArea;
  for (const ExampleCase& c : cases) {
    SCOPED_TRACE(c.file);
    Document doc;
    files::readDocument(std::string(TD_EXAMPLES_DIR) + "/" + c.file, doc,
                        [&](uint8_t code) { return createDevice(code, &pageArea); });
    ASSERT_TRUE(doc.isOpen());
    EXPECT_EQ(deviceFamily(doc.device->typeCode()), c.family);
    EXPECT_EQ(doc.device->name(), c.name);
    EXPECT_EQ(currentLines().size(), c.lines);
    ASSERT_EQ(doc.packages.size(), 2u);
    EXPECT_EQ(doc.packages[0]->kind, pkCalibration);
    EXPECT_EQ(doc.packages[1]->kind, pkVerification);
    for (const PackagePtr& package : doc.packages) {
      EXPECT_EQ(package->method, c.method);
      EXPECT_GE(package->entryCount(), 4);
      for (int row = 0; row < package->entryCount(); ++row) {
        FieldValue flowError, volumeError;
        ASSERT_TRUE(package->value(row, colFlowError, flowError));
        ASSERT_TRUE(package->value(row, colVolumeError, volumeError));
        EXPECT_LT(std::fabs(std::get<double>(flowError)), 0.5) << "row " << row;
        EXPECT_LT(std::fabs(std::get<double>(volumeError)), 0.5) << "row " << row;
      }
    }
    closeDocument(doc);
  }
}

#include "ui/package/placepoints.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include "core/base/errors.h"
#include "core/package/packagefixture.h"
#include "core/package/sectionchart.h"
#include "core/storage/fakedevice.h"
#include "ui/base/messagelog.h"
#include "ui/graphs/colorscatter.h"
#include "ui/package/tsectionselect.h"

namespace {

const QString kDone = "\u0410ппроксимация выполнена";  // all Cyrillic
const QString kFailed = "Невозможно выполнить аппроксимацию";

// Eight TD sections of three entries at codes 100..800 on a bent characteristic (no three sections
// on one line), entered in descending order so that the fit has to sort them.
void addEightSections(Package<EprEntry>& p) {
  for (int s = 8; s >= 1; --s)
    for (int j = 2; j >= 0; --j) {
      const double code = s * 100 + j;
      addTd(p, code, 0.01 * code + 1e-6 * code * code);
    }
}

// Marks the sections with the given numbers, as clicks in the window would.
void markSections(SPILT_STRUCT& series, std::initializer_list<int> numbers) {
  for (int n : numbers)
    for (size_t i = 0; i < series.points.size(); ++i)
      if (series.points[i].number == n) {
        toggleSection(series, i);
        break;
      }
}

class PlacePointsTest : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    setMessageSink([this](const QString& text) { log << text; });
    addEightSections(package);
    apprSettings().func = 2;  // the user's choice, which the procedure must give back
    apprSettings().manual = 1;
    device.lines = kDeviceLines;
  }
  void TearDown() override {
    setMessageSink(nullptr);
    PackageTest::TearDown();
  }

  std::vector<int> markedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < package.entryCount(); ++i)
      if (package.entries()[i].point) rows.push_back(i);
    return rows;
  }

  void expectDeviceUntouched() const {
    EXPECT_EQ(device.changes, 0);
    ASSERT_EQ(device.lines.size(), 1u);
    EXPECT_EQ(device.lines[0].A, kDeviceLines[0].A);
  }

  const std::vector<files::Line> kDeviceLines{{7, 7, 7}};
  Package<EprEntry> package = tdPackage();
  FakeDevice device{kTdCode};
  QStringList log;
};

}  // namespace

TEST_F(PlacePointsTest, OnlyForKeltAndTdCalibrationPackages) {
  const struct {
    uint8_t typeCode;
    int kind;
    bool runs;
  } cases[] = {{1, pkCalibration, false}, {17, pkCalibration, false}, {0, pkVerification, false},
               {0, pkCalibration, true},  {18, pkCalibration, true},  {35, pkCalibration, true}};
  for (const auto& c : cases) {
    Package<EprEntry> p = tdPackage(c.kind);
    addEightSections(p);
    FakeDevice d(c.typeCode);
    currentLines() = kDeviceLines;
    int shown = 0;
    EXPECT_EQ(placePoints(p, d, [&](SPILT_STRUCT&) { return ++shown, false; }), c.runs);
    EXPECT_EQ(shown, c.runs ? 1 : 0) << int(c.typeCode);
    EXPECT_EQ(d.changes, 0) << int(c.typeCode);
    if (!c.runs) {
      ASSERT_EQ(currentLines().size(), 1u) << int(c.typeCode);
      EXPECT_EQ(currentLines()[0].A, 7) << int(c.typeCode);
    }
  }
  EXPECT_TRUE(log.isEmpty());
  EXPECT_EQ(apprSettings().func, 2);
}

TEST_F(PlacePointsTest, AcceptingWithoutMarksGivesOneLineOverAllSections) {
  std::vector<double> shownErrors;
  placePoints(package, device, [&](SPILT_STRUCT& series) {
    // The user sees every entry, in table order, against the single line y = a*x+b.
    EXPECT_EQ(series.points.size(), 24u);
    for (const SPILT_POINT& p : series.points) shownErrors.push_back(p.error);
    return true;
  });
  ASSERT_EQ(currentLines().size(), 1u);
  EXPECT_NEAR(currentLines()[0].F, 801, 1e-9);  // the mean code of the last section
  EXPECT_EQ(device.lines.size(), 1u);
  EXPECT_EQ(device.lines[0].A, currentLines()[0].A);
  EXPECT_EQ(log, QStringList{kDone});
  EXPECT_EQ(apprSettings().func, 2);
  EXPECT_TRUE(markedRows().empty());
  // A fitted line, not the 100 % of a missing one.
  for (double e : shownErrors) EXPECT_LT(std::fabs(e), 5);
}

TEST_F(PlacePointsTest, MarkedSectionsBecomeBreakPoints) {
  placePoints(package, device, [](SPILT_STRUCT& series) {
    // Marks in the first and the last section make no break point.
    markSections(series, {1, 3, 6, 8});
    return true;
  });
  ASSERT_EQ(currentLines().size(), 3u);
  EXPECT_NEAR(currentLines()[0].F, 301, 1e-9);
  EXPECT_NEAR(currentLines()[1].F, 601, 1e-9);
  EXPECT_EQ(device.lines.size(), 3u);
  EXPECT_EQ(device.lines[2].A, currentLines()[2].A);
  // Only the first entries of sections 3 and 6 keep the mark (rows sorted by flow).
  EXPECT_EQ(markedRows(), (std::vector<int>{6, 15}));
  EXPECT_EQ(log, QStringList{kDone});
  EXPECT_EQ(apprSettings().func, 2);
}

TEST_F(PlacePointsTest, CancelLeavesTheDeviceAndTheMarksAlone) {
  placePoints(package, device, [](SPILT_STRUCT& series) {
    markSections(series, {4});
    return false;
  });
  expectDeviceUntouched();
  EXPECT_EQ(currentLines().size(), 1u);  // the single line the window was shown against
  EXPECT_TRUE(markedRows().empty());
  EXPECT_TRUE(log.isEmpty());
  EXPECT_EQ(apprSettings().func, 2);

  EXPECT_THROW(placePoints(package, device,
                           [](SPILT_STRUCT&) -> bool { throw MessageError("Прибор не отвечает"); }),
               MessageError);
  EXPECT_EQ(apprSettings().func, 2);
}

TEST_F(PlacePointsTest, MathErrorIsLoggedAndTheDeviceKeepsItsLines) {
  // Two entries at code 0: grouping measures the scatter relative to a reading of 0.
  addTd(package, 0, 0.001);
  addTd(package, 0, 0.002);
  bool shown = false;
  placePoints(package, device, [&](SPILT_STRUCT&) { return shown = true; });
  EXPECT_FALSE(shown);
  EXPECT_EQ(log, QStringList{kFailed});
  EXPECT_TRUE(currentLines().empty());
  expectDeviceUntouched();
  EXPECT_EQ(apprSettings().func, 2);
}

// The whole path through the real window: a click on a point of section 5, then "Продолжить".
TEST_F(PlacePointsTest, ThroughTheSectionWindow) {
  TSectionSelect window;
  QTimer::singleShot(0, &window, [&] {
    window.Chart->replot();
    const ColorScatter::Point& p = window.SeriesFront->points()[13];  // row 13: section 5
    QTest::mouseClick(window.Chart, Qt::LeftButton, {},
                      window.SeriesFront->coordsToPixels(p.key, p.value).toPoint());
    QTest::mouseClick(window.bnContinue, Qt::LeftButton);
  });
  QTimer::singleShot(10000, &window, &QDialog::reject);  // a broken test must not hang the run
  placePoints(package, device, [&](SPILT_STRUCT& series) { return window.choose(series); });
  ASSERT_EQ(currentLines().size(), 2u);
  EXPECT_NEAR(currentLines()[0].F, 501, 1e-9);
  EXPECT_EQ(device.lines.size(), 2u);
  EXPECT_EQ(markedRows(), (std::vector<int>{12}));
  EXPECT_EQ(log, QStringList{kDone});
}

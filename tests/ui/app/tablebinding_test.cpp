#include "ui/app/tablebinding.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyle>
#include <QTest>
#include <QWidget>

#include "core/devices/devicetypes.h"
#include "core/package/packagebase.h"
#include "core/package/packagecreate.h"
#include "core/storage/files.h"
#include "support/headermouse.h"
#include "ui/app/devicefactory.h"
#include "ui/base/regkey.h"
#include "ui/widgets/goodtable.h"

namespace {

// What the metrologist reads is what the package holds: every caption and every text cell shows
// whole (measured with the table's font, less the padding the painter leaves), and no column is
// narrower than it was designed.
void expectEverythingShownWhole(const TGoodTable& table, const PackageBase& package) {
  const QFontMetrics metrics(table.font());
  const int headerMargin = table.style()->pixelMetric(QStyle::PM_HeaderMargin);
  ASSERT_GT(table.GetColCount(), 0);
  for (int col = 0; col < table.GetColCount(); ++col) {
    const ColumnInfo info = package.column(col);
    SCOPED_TRACE(info.caption);
    const int width = table.GetWidths(col);
    EXPECT_GE(width, info.width);
    EXPECT_LE(metrics.horizontalAdvance(table.GetCaptions(col)) + 2 * headerMargin, width);
    EXPECT_EQ(table.ShownCaption(col), table.GetCaptions(col));
    if (info.checkBox) continue;
    for (int row = 0; row < table.GetRowCount(); ++row) {
      const QString text = table.GetCells(row, col);
      EXPECT_LE(metrics.horizontalAdvance(text), width - 1 - 2 * TGoodTable::CellPadding)
          << "row " << row << ": " << text.toStdString();
      EXPECT_EQ(table.ShownText(row, col), text) << "row " << row;
    }
  }
}

QFont largerFont(const QFont& font) {
  QFont larger = font;
  larger.setPointSizeF(font.pointSizeF() * 1.5);
  return larger;
}

int columnOf(const PackageBase& package, int id) {
  for (int col = 0; col < package.columnCount(); ++col)
    if (package.column(col).id == id) return col;
  return -1;
}

// Every column that shows a number gets the widest value the field can plausibly hold: a TD code
// above 100000, a negative error, a reference flow far beyond the bench's range.
PackagePtr widestPackage(int entryKind, int kind, int method) {
  PackagePtr package = createPackage(entryKind, kind, method);
  package->addEntry();
  package->addEntry();
  for (int col = 0; col < package->columnCount(); ++col) {
    const ColumnInfo info = package->column(col);
    if (info.checkBox) continue;
    package->setValue(0, info.id, FieldValue(100002.4634140));
    package->setValue(1, info.id, FieldValue(-99999.9999999));
  }
  return package;
}

class TableBindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table.resize(1000, 300);
    forgetWidths();
  }
  void TearDown() override { forgetWidths(); }

  static void forgetWidths() {
    RegKey key;
    key.create(kProgramKey);
    for (int kind : {pkCalibration, pkVerification})
      for (int id = 0; id < kColumnIdCount; ++id)
        key.writeInt(TableBinding::widthSetting(ekEpr, kind, id), 0);
  }

  QHeaderView& header() { return *table.findChild<QHeaderView*>(); }

  TGoodTable table;
  TableBinding binding{&table};
};

TEST_F(TableBindingTest, EveryExamplePackageShowsEveryTextWholeAtTwoFontSizes) {
  const QFont normal = table.font();
  for (const char* file : {"td.srv", "kelt.srv", "zorb.srv"}) {
    SCOPED_TRACE(file);
    QWidget pageArea;
    Document doc;
    files::readDocument(std::string(TD_EXAMPLES_DIR) + "/" + file, doc,
                        [&](uint8_t code) { return createDevice(code, &pageArea); });
    ASSERT_EQ(doc.packages.size(), 2u);
    for (const PackagePtr& package : doc.packages) {
      SCOPED_TRACE(package->kind == pkVerification ? "verification" : "calibration");
      const int hidden = hiddenColumnCount(*doc.device, package->kind == pkVerification);
      table.setFont(normal);
      binding.bind(package, hidden);
      expectEverythingShownWhole(table, *package);
      {
        SCOPED_TRACE("font enlarged on a bound table");
        table.setFont(largerFont(normal));
        expectEverythingShownWhole(table, *package);
      }
      {
        SCOPED_TRACE("bound at the larger font");
        binding.bind(package, hidden);
        expectEverythingShownWhole(table, *package);
      }
    }
    closeDocument(doc);
  }
}

TEST_F(TableBindingTest, TheWidestValuesShowWholeInEveryKindOfPackage) {
  for (int entryKind : {ekZorb, ekKelt, ekEpr})
    for (int kind : {pkCalibration, pkVerification})
      for (int method : {mVolume, mMass, mReference}) {
        SCOPED_TRACE(testing::Message()
                     << "entry kind " << entryKind << ", kind " << kind << ", method " << method);
        binding.bind(widestPackage(entryKind, kind, method), 0);
        expectEverythingShownWhole(table, *widestPackage(entryKind, kind, method));
      }
}

// Each keystroke is stored and its row recalculated; the edited column and the derived ones
// widen at once, and the editor stays open for the next digit.
TEST_F(TableBindingTest, TypingAWideValueWidensItsColumnAndTheDerivedOnes) {
  PackagePtr package = createPackage(ekEpr, pkCalibration, mVolume);
  package->addEntry();
  package->setValue(0, colRefTime, FieldValue(1.0));
  binding.bind(package, 0);
  table.show();
  table.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&table));
  table.setFocus();
  const int volume = columnOf(*package, colRefVolume);
  const int flow = columnOf(*package, colRefFlow);
  const int flowWidth = table.GetWidths(flow);
  table.SetCol(volume);
  for (QChar c : QStringLiteral("99999999"))
    QTest::keyClicks(QApplication::focusWidget(), QString(c));

  auto* editor = table.findChild<QLineEdit*>();
  ASSERT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->text(), "99999999");
  EXPECT_GT(table.GetWidths(flow), flowWidth) << "the reference flow follows the volume";
  expectEverythingShownWhole(table, *package);
}

TEST_F(TableBindingTest, AUserWidthOutlivesTabSwitchesAndRestartsUntilTheDividerIsDoubleClicked) {
  const PackagePtr calibration = widestPackage(ekEpr, pkCalibration, mVolume);
  const PackagePtr verification = widestPackage(ekEpr, pkVerification, mVolume);
  const int code = columnOf(*calibration, colCode);
  table.show();
  binding.bind(calibration, 0);
  const int fitted = table.GetWidths(code);

  headermouse::drag(header(), code, -40);
  const int narrowed = fitted - 40;
  ASSERT_EQ(table.GetWidths(code), narrowed);
  const QString shown = table.ShownText(0, code);
  EXPECT_TRUE(shown.startsWith("10000") && shown.endsWith(QChar(0x2026))) << shown.toStdString();

  binding.bind(verification, 0);
  EXPECT_GE(table.GetWidths(columnOf(*verification, colCode)), fitted)
      << "a verification package keeps its own widths";
  binding.bind(calibration, 0);
  EXPECT_EQ(table.GetWidths(code), narrowed) << "after a tab switch";
  EXPECT_FALSE(table.GetAutoWidths(code));
  {
    TGoodTable restarted;
    TableBinding restartedBinding(&restarted);
    restartedBinding.bind(calibration, 0);
    EXPECT_EQ(restarted.GetWidths(code), narrowed) << "after a restart";
  }

  headermouse::doubleClick(header(), code);
  EXPECT_EQ(table.GetWidths(code), fitted);
  TGoodTable restarted;
  TableBinding restartedBinding(&restarted);
  restartedBinding.bind(calibration, 0);
  EXPECT_TRUE(restarted.GetAutoWidths(code));
  EXPECT_EQ(restarted.GetWidths(code), fitted);
}

TEST_F(TableBindingTest, AStoredWidthNoUserCouldHaveDraggedIsIgnored) {
  const PackagePtr package = widestPackage(ekEpr, pkCalibration, mVolume);
  const int code = columnOf(*package, colCode);
  RegKey key;
  key.create(kProgramKey);
  for (int stored : {-5, 100000}) {
    SCOPED_TRACE(stored);
    key.writeInt(TableBinding::widthSetting(ekEpr, pkCalibration, colCode), stored);
    binding.bind(package, 0);
    EXPECT_TRUE(table.GetAutoWidths(code));
    expectEverythingShownWhole(table, *package);
  }
}

}  // namespace

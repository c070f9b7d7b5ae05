#include "ui/package/linesview.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

#include "core/package/approxstate.h"
#include "core/package/packagefixture.h"
#include "ui/widgets/goodtable.h"

namespace {

class LinesViewTest : public PackageTest {
 protected:
  QStringList row(int r) const {
    QStringList cells;
    for (int c = 0; c < 3; ++c) cells << dlg.LinesTable->GetCells(r, c);
    return cells;
  }
  TLinesDlg dlg;
};

}  // namespace

TEST_F(LinesViewTest, OneRowPerLineAndNoBoundOnTheLast) {
  currentLines() = {
      {0.0412345678, -0.00012345678, 123.4567891}, {0.05, 0.5, 700}, {-1.25, 2, 999.5}};
  dlg.refresh();
  ASSERT_EQ(dlg.LinesTable->GetRowCount(), 3);
  EXPECT_EQ(row(0), (QStringList{"0.0412346", "-0.0001235", "123.456789"}));
  EXPECT_EQ(row(1), (QStringList{"0.0500000", "0.5000000", "700.000000"}));
  EXPECT_EQ(row(2), (QStringList{"-1.2500000", "2.0000000", ""}));

  currentLines().clear();
  dlg.refresh();
  EXPECT_EQ(dlg.LinesTable->GetRowCount(), 0);

  // A lone line is the last one too; the user's decimal separator is used.
  LocaleHook hook = defaultLocaleHook();
  hook.decimalSeparator = ',';
  setLocaleHook(hook);
  currentLines() = {{1.5, 0, 10}};
  dlg.refresh();
  EXPECT_EQ(row(0), (QStringList{"1,5000000", "0,0000000", ""}));
}

TEST_F(LinesViewTest, ShowingRefreshesAndTheTableIsReadOnly) {
  currentLines() = {{1, 2, 3}, {4, 5, 6}};
  dlg.show();
  EXPECT_EQ(dlg.LinesTable->GetRowCount(), 2);
  EXPECT_TRUE(dlg.LinesTable->GetReadOnly());
  EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(dlg.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(dlg.windowTitle(), "Коэффициенты");
  dlg.hide();

  // A long coefficient widens its column rather than losing digits.
  currentLines() = {{-12345678.5, 2, 3}};
  dlg.refresh();
  const QFontMetrics metrics(dlg.LinesTable->font());
  EXPECT_GT(dlg.LinesTable->GetWidths(0),
            metrics.horizontalAdvance(dlg.LinesTable->GetCells(0, 0)));
}

TEST_F(LinesViewTest, RangeCaptionFollowsTheDeviceFamily) {
  EXPECT_EQ(dlg.LinesTable->GetCaptions(2), "F (Гц)");
  EXPECT_EQ(dlg.LinesTable->GetCaptions(0), "A");
  EXPECT_EQ(dlg.LinesTable->GetCaptions(1), "B");
  EXPECT_EQ(dlg.LinesTable->GetWidths(2), 90);
  const struct {
    int typeCode;
    const char* caption;
  } cases[] = {{0, "Код"},
               {1, "Частота (Гц)"},
               {17, "Частота (Гц)"},
               {18, "Частота (Гц)"},
               {35, "Частота (Гц)"}};
  for (const auto& c : cases) {
    dlg.setReadingCaption(readingCaption(c.typeCode));
    EXPECT_EQ(dlg.LinesTable->GetCaptions(2), QString(c.caption)) << c.typeCode;
  }
}

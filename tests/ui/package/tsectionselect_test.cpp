#include "ui/package/tsectionselect.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/graphs/colorscatter.h"

namespace {

// Sections 1..3 in ascending flow, a switched-off entry (section 0) between them and one without a
// reference run (flow 0, also section 0) that the logarithmic axis cannot show. Some marks are
// left over from an earlier run.
SPILT_STRUCT sample() {
  SPILT_STRUCT s;
  s.points = {{0, 0, 0, 0, 100},  {10, 1, 1, 1, 0.5},    {11, 1.05, 1, 0, -0.2}, {20, 2, 0, 1, 3.0},
              {30, 3, 2, 0, 0.1}, {31, 3.1, 2, 0, -0.4}, {50, 5, 3, 0, 0.0}};
  return s;
}

std::vector<bool> marks(const SPILT_STRUCT& s) {
  std::vector<bool> v;
  for (const SPILT_POINT& p : s.points) v.push_back(p.marked != 0);
  return v;
}

std::vector<int> sources(const ColorScatter* series) {
  std::vector<int> v;
  for (const ColorScatter::Point& p : series->points()) v.push_back(p.source);
  return v;
}

// Clicks the chart at the marker of series point `index`.
void clickPoint(TSectionSelect& dlg, int index) {
  for (const ColorScatter::Point& p : dlg.SeriesFront->points())
    if (p.source == index) {
      const QPointF at = dlg.SeriesFront->coordsToPixels(p.key, p.value);
      QTest::mouseClick(dlg.Chart, Qt::LeftButton, {}, at.toPoint());
      return;
    }
  ADD_FAILURE() << "point " << index << " is not on the chart";
}

class SectionSelectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.setSeries(series);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.Chart->replot();  // lay the chart out at its shown size
  }
  void TearDown() override { dlg.hide(); }

  SPILT_STRUCT series = sample();
  TSectionSelect dlg;
};

}  // namespace

TEST_F(SectionSelectTest, ShowsEveryPointWithItsSectionNumberAndClearsTheMarks) {
  EXPECT_EQ(marks(series), std::vector<bool>(7, false));
  EXPECT_EQ(sources(dlg.SeriesFront), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(dlg.SeriesBack->points().empty());
  QStringList labels;
  for (QCPItemText* label : dlg.SeriesFront->labelItems()) labels << label->text();
  EXPECT_EQ(labels, (QStringList{"1", "1", "0", "2", "2", "3"}));
  const ColorScatter::Point& p = dlg.SeriesFront->points()[3];
  EXPECT_EQ(p.key, 3);  // reference flow across, error up
  EXPECT_EQ(p.value, 0.1);

  EXPECT_EQ(dlg.Chart->xAxis->scaleType(), QCPAxis::stLogarithmic);
  EXPECT_EQ(dlg.Chart->xAxis2->scaleType(), QCPAxis::stLogarithmic);
  EXPECT_EQ(dlg.Chart->xAxis2->range(), dlg.Chart->xAxis->range());
  EXPECT_EQ(dlg.Chart->xAxis->label(), "Расход, м^3/ч");
  EXPECT_EQ(dlg.Chart->yAxis->label(), "Отклонения, %");
  EXPECT_EQ(dlg.Chart->xAxis2->label(), "Номер сечения");
  EXPECT_EQ(dlg.windowTitle(), "Выбор сечений");
  EXPECT_EQ(dlg.property("helpKeyword").toString(), "select_section");
}

// The window says how to pick, whole, between the chart and the buttons.
TEST_F(SectionSelectTest, HintSaysHowToPick) {
  ASSERT_TRUE(dlg.lbHint->isVisible());
  EXPECT_TRUE(dlg.lbHint->text().contains("Щёлкните точку"));
  EXPECT_TRUE(dlg.lbHint->text().contains("«Продолжить»"));
  EXPECT_GE(dlg.lbHint->height(), dlg.lbHint->heightForWidth(dlg.lbHint->width()));
  EXPECT_GE(dlg.lbHint->y(), dlg.Chart->geometry().bottom());
  EXPECT_LE(dlg.lbHint->geometry().bottom(), dlg.bnContinue->y());
}

TEST_F(SectionSelectTest, ClickTogglesTheWholeSection) {
  clickPoint(dlg, 2);
  EXPECT_EQ(marks(series), (std::vector<bool>{false, true, true, false, false, false, false}));
  EXPECT_EQ(sources(dlg.SeriesBack), (std::vector<int>{1, 2}));

  clickPoint(dlg, 5);
  clickPoint(dlg, 1);  // section 1 again: unmarked, section 2 stays
  EXPECT_EQ(marks(series), (std::vector<bool>{false, false, false, false, true, true, false}));
  EXPECT_EQ(sources(dlg.SeriesBack), (std::vector<int>{4, 5}));

  // A switched-off entry belongs to section 0, together with the point the chart cannot show.
  clickPoint(dlg, 3);
  EXPECT_EQ(marks(series), (std::vector<bool>{true, false, false, true, true, true, false}));

  // Empty chart area: nothing changes.
  const std::vector<bool> before = marks(series);
  QTest::mouseClick(dlg.Chart, Qt::LeftButton, {}, QPoint(2, 2));
  QTest::mouseClick(dlg.Chart, Qt::RightButton, {},
                    dlg.SeriesFront->coordsToPixels(5, 0).toPoint());
  EXPECT_EQ(marks(series), before);
}

TEST(SectionSelect, ChooseTellsWhichButtonEndedIt) {
  TSectionSelect dlg;
  for (bool proceed : {true, false}) {
    SPILT_STRUCT series = sample();
    QTimer::singleShot(0, &dlg, [&] {
      dlg.Chart->replot();
      clickPoint(dlg, 6);
      QTest::mouseClick(proceed ? dlg.bnContinue : dlg.bnCancel, Qt::LeftButton);
    });
    QTimer::singleShot(10000, &dlg, &QDialog::reject);  // a broken test must not hang the run
    EXPECT_EQ(dlg.choose(series), proceed);
    EXPECT_EQ(marks(series), (std::vector<bool>{false, false, false, false, false, false, true}));
  }
}

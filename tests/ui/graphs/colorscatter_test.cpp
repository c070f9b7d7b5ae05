#include "ui/graphs/colorscatter.h"

#include <gtest/gtest.h>

#include <QImage>
#include <memory>

namespace {

// A laid-out chart of fixed size, axes 0..10 both ways, without antialiasing so that a marker's
// centre pixel is exactly its fill.
class ColorScatterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plot->resize(400, 300);
    plot->setNotAntialiasedElements(QCP::aeAll);
    plot->xAxis->setRange(0, 10);
    plot->yAxis->setRange(0, 10);
    series->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, Qt::black, 12));
    series->setPoints({{7, 7, Qt::blue, "c", 0},
                       {2, 3, Qt::red, "a", 1},
                       {5, 5, QColor(), "", 2},
                       {2, 8, Qt::green, "b", 3}});
    plot->replot();
  }

  QColor pixelAt(double key, double value) {
    const QImage image = plot->toPixmap(400, 300).toImage();
    return image.pixelColor(series->coordsToPixels(key, value).toPoint());
  }

  std::unique_ptr<QCustomPlot> plot = std::make_unique<QCustomPlot>();
  ColorScatter* series = new ColorScatter(plot->xAxis, plot->yAxis);
};

}  // namespace

TEST_F(ColorScatterTest, KeepsPointsInKeyOrderWithTheirColours) {
  // Equal keys keep the order given; the graph's data follow the same order.
  std::vector<int> sources;
  for (const ColorScatter::Point& p : series->points()) sources.push_back(p.source);
  EXPECT_EQ(sources, (std::vector<int>{1, 3, 2, 0}));
  ASSERT_EQ(series->dataCount(), 4);
  EXPECT_EQ(series->dataMainValue(1), 8);

  EXPECT_EQ(pixelAt(2, 3), QColor(Qt::red));
  EXPECT_EQ(pixelAt(2, 8), QColor(Qt::green));
  EXPECT_EQ(pixelAt(7, 7), QColor(Qt::blue));
  // No colour of its own: the scatter style's brush (none), so the background shows.
  EXPECT_EQ(pixelAt(5, 5), QColor(Qt::white));
}

TEST_F(ColorScatterTest, FindsTheNearestPointWithinTheRadius) {
  const QPointF a = series->coordsToPixels(2, 3);
  EXPECT_EQ(series->pointAt(a + QPointF(3, -3), 5), 0);
  EXPECT_EQ(series->pointAt(a + QPointF(6, 0), 5), -1);
  // Between two points: the nearer one.
  const QPointF b = series->coordsToPixels(2, 8);
  EXPECT_EQ(series->pointAt(a + (b - a) * 0.6, 1000), 1);
}

TEST_F(ColorScatterTest, LabelsExistOnlyWhileShown) {
  EXPECT_TRUE(series->labelItems().empty());
  series->setLabelsVisible(true);
  QStringList texts;
  for (QCPItemText* label : series->labelItems()) texts << label->text();
  EXPECT_EQ(texts, (QStringList{"a", "b", "c"}));  // the point without text has no label
  const QCPItemText* a = series->labelItems()[0];
  EXPECT_EQ(a->position->coords(), QPointF(2, 3));
  EXPECT_EQ(a->color(), QColor(Qt::black));  // the scatter pen until a colour is set
  series->setLabelColor(Qt::darkGreen);
  EXPECT_EQ(series->labelItems()[1]->color(), QColor(Qt::darkGreen));

  series->setPoints({{1, 1, Qt::red, "x", 0}});
  ASSERT_EQ(series->labelItems().size(), 1u);
  EXPECT_EQ(series->labelItems()[0]->color(), QColor(Qt::darkGreen));
  EXPECT_EQ(plot->itemCount(), 1);

  series->setLabelsVisible(false);
  EXPECT_EQ(plot->itemCount(), 0);

  // The chart may go first or the graph: neither leaves a dangling label behind.
  series->setLabelsVisible(true);
  plot->clearItems();
  EXPECT_TRUE(series->labelItems().empty());
  series->setLabelsVisible(false);
  series->setLabelsVisible(true);
  plot->removeGraph(series);
  EXPECT_EQ(plot->itemCount(), 0);
}

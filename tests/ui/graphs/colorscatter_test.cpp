#include "ui/graphs/colorscatter.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPicture>
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

  // The chart as the screen shows it, or as a printer gets it: recorded as drawing commands,
  // which are not copied from pixmaps.
  QImage render(bool printed) {
    if (!printed) return plot->toPixmap(400, 300).toImage();
    QPicture commands;
    QCPPainter recorder(&commands);
    plot->toPainter(&recorder, 400, 300);
    recorder.end();
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawPicture(0, 0, commands);
    return image;
  }

  // The axis rect as the 400×300 image lays it out (the hidden widget keeps its own size).
  QRect chartArea() {
    render(false);
    return plot->axisRect()->rect();
  }

  QPoint pixelOf(double key, double value) { return series->coordsToPixels(key, value).toPoint(); }

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

// Points on one pixel: whatever was drawn last there stays on top, on screen and on paper alike.
TEST_F(ColorScatterTest, OnOnePixelTheLastPointStaysOnTop) {
  struct Case {
    std::vector<QColor> drawn;
    QColor top;
  };
  const Case cases[] = {{{Qt::red, Qt::blue, Qt::red}, Qt::red},
                        {{Qt::red, Qt::red, Qt::blue}, Qt::blue},
                        {{Qt::blue, Qt::red, Qt::red, Qt::blue}, Qt::blue},
                        {{Qt::green, QColor(), Qt::green}, Qt::green}};
  for (const bool printed : {false, true}) {
    for (const Case& c : cases) {
      std::vector<ColorScatter::Point> points;
      for (const QColor& color : c.drawn)
        points.push_back({5, 5, color, "", static_cast<int>(points.size())});
      series->setPoints(points);
      EXPECT_EQ(render(printed).pixelColor(pixelOf(5, 5)), c.top)
          << c.top.name().toStdString() << (printed ? " printed" : "");
    }
  }
}

// Many points, each on a pixel of its own and clear of the others, a column in each colour by
// turns: every one shows in its colour.
TEST_F(ColorScatterTest, EveryPointOnAPixelOfItsOwnShows) {
  series->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, QPen(Qt::NoPen), QBrush(), 4));
  const QColor colors[] = {Qt::red, Qt::blue};
  // Clear of the axes' ticks, which are drawn over the points.
  const QRect area = chartArea().adjusted(8, 8, -8, -8);
  std::vector<ColorScatter::Point> points;
  for (int x = area.left(); x <= area.right(); x += 5)
    for (int y = area.top(); y <= area.bottom(); y += 5)
      points.push_back({plot->xAxis->pixelToCoord(x + 0.5), plot->yAxis->pixelToCoord(y + 0.5),
                        colors[(x - area.left()) / 5 % 2], "", static_cast<int>(points.size())});
  series->setPoints(points);
  for (const bool printed : {false, true}) {
    const QImage image = render(printed);
    int wrong = 0;
    for (const ColorScatter::Point& p : series->points())
      if (image.pixelColor(pixelOf(p.key, p.value)) != p.color) ++wrong;
    EXPECT_EQ(wrong, 0) << "of " << points.size() << (printed ? " printed" : "");
  }
}

// A marker whose centre lies just past the edge of the chart still shows its inner part.
TEST_F(ColorScatterTest, MarkersCentredJustOutsideShowTheirInnerPart) {
  const QRect area = chartArea();
  const double key = plot->xAxis->pixelToCoord(area.center().x());
  const double above = plot->yAxis->pixelToCoord(area.top() - 3);
  series->setPoints({{key, above, Qt::red, "", 0}});
  for (const bool printed : {false, true})
    EXPECT_EQ(render(printed).pixelColor(area.center().x(), area.top() + 1), QColor(Qt::red))
        << (printed ? "printed" : "");
}

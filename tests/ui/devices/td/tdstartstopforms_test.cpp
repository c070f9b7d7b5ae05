#include "ui/devices/td/tdstartstopforms.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSet>

namespace {

// The leftmost column holding a pixel that `is` accepts; -1 when there is none.
template <typename Pred>
int firstColumn(const QImage& image, Pred is) {
  for (int x = 0; x < image.width(); ++x)
    for (int y = 0; y < image.height(); ++y)
      if (is(image.pixelColor(x, y))) return x;
  return -1;
}

bool greenish(const QColor& c) { return c.alpha() > 200 && c.green() > 100 && c.red() < 80; }
bool reddish(const QColor& c) { return c.alpha() > 200 && c.red() > 150 && c.green() < 80; }

}  // namespace

// Four different pictures; in each the starting (green) edge comes before the stopping (red) one.
TEST(TdStartStopForms, EachFormShowsItsStartBeforeItsStop) {
  QSet<QString> hints;
  std::vector<QImage> images;
  for (int form = 0; form < kStartStopFormCount; ++form) {
    SCOPED_TRACE(form);
    const QImage image = startStopPicture(form, Qt::black, 1).toImage();
    ASSERT_EQ(image.size(), startStopPictureSize());
    const int start = firstColumn(image, greenish);
    const int stop = firstColumn(image, reddish);
    ASSERT_GE(start, 0);
    EXPECT_GT(stop, start + 5);
    for (const QImage& other : images) EXPECT_NE(image, other);
    images.push_back(image);
    hints.insert(startStopHint(form));
  }
  EXPECT_EQ(hints.size(), kStartStopFormCount);
  // Sharp on a high-density screen as well.
  EXPECT_EQ(startStopPicture(0, Qt::black, 2).size(), startStopPictureSize() * 2);
}

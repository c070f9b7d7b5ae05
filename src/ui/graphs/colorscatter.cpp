#include "ui/graphs/colorscatter.h"

#include <QRectF>
#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>

namespace {
constexpr double kDefaultSize = 6;

// The colour index last painted at each pixel of an area. A marker of the same colour centred on
// the same pixel again would paint nothing new, so it is left out; one of another colour is
// painted, for it covers the earlier one as it always did.
class LastPainted {
 public:
  explicit LastPainted(const QRect& area)
      : area_(area), cells_(static_cast<std::size_t>(area.width()) * area.height(), kNone) {}

  // False when the marker falls outside the area (or at NaN) or repeats the colour at its pixel;
  // otherwise records it and says it is to be painted.
  bool paintsAnew(QPoint pixel, std::uint32_t color) {
    if (!area_.contains(pixel)) return false;
    const auto column = static_cast<std::size_t>(pixel.x() - area_.left());
    const auto row = static_cast<std::size_t>(pixel.y() - area_.top());
    std::uint32_t& cell = cells_[row * static_cast<std::size_t>(area_.width()) + column];
    if (cell == color) return false;
    cell = color;
    return true;
  }

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;
  QRect area_;
  std::vector<std::uint32_t> cells_;
};

// The pixel a marker centre falls in; any point off the int range (NaN included) maps to a pixel
// far outside every chart.
QPoint pixelOf(const QPointF& centre) {
  constexpr double kFar = 1e9;
  const auto coordinate = [](double c) {
    return c > -kFar && c < kFar ? static_cast<int>(std::floor(c)) : static_cast<int>(kFar);
  };
  return {coordinate(centre.x()), coordinate(centre.y())};
}

// Each colour's marker painted once into a small pixmap and then copied to every pixel that
// shows it, which is several times quicker than drawing the shape each time. The copy stands
// on the middle of the pixel, less than a pixel from where the shape would be drawn. Only for
// raster devices without scaling or rotation, and shapes of the style's size; printing and other
// vector output draw every shape.
class Stamps {
 public:
  Stamps(const QCPPainter& painter, const QCPScatterStyle& style, int reach,
         std::function<QBrush(std::uint32_t)> brushOf, std::size_t colors)
      : style_(style),
        pen_(painter.pen()),
        reach_(reach),
        brushOf_(std::move(brushOf)),
        made_(colors) {
    antialiased_ = painter.testRenderHint(QPainter::Antialiasing);
    ratio_ = painter.device()->devicePixelRatioF();
    usable_ = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster &&
              painter.worldTransform().type() <= QTransform::TxTranslate &&
              style.shape() != QCPScatterStyle::ssPixmap &&
              style.shape() != QCPScatterStyle::ssCustom;
  }

  bool usable() const { return usable_; }

  void stamp(QCPPainter* painter, QPoint pixel, std::uint32_t color) {
    QPixmap& made = made_[color];
    if (made.isNull()) made = paint(brushOf_(color));
    painter->drawPixmap(pixel - QPoint(reach_, reach_), made);
  }

 private:
  QPixmap paint(const QBrush& brush) const {
    const int side = 2 * reach_ + 1;
    QPixmap pixmap(QSize(side, side) * ratio_);
    pixmap.setDevicePixelRatio(ratio_);
    pixmap.fill(Qt::transparent);
    QCPPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, antialiased_);
    painter.setPen(pen_);
    painter.setBrush(brush);
    style_.drawShape(&painter, reach_ + 0.5, reach_ + 0.5);
    return pixmap;
  }

  const QCPScatterStyle& style_;
  QPen pen_;
  int reach_;
  std::function<QBrush(std::uint32_t)> brushOf_;
  bool antialiased_ = false;
  qreal ratio_ = 1;
  bool usable_ = false;
  std::vector<QPixmap> made_;  // by colour index; null until first needed
};

}  // namespace

ColorScatter::ColorScatter(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPGraph(keyAxis, valueAxis) {
  setLineStyle(lsNone);
  setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, kDefaultSize));
  // Selection would split the data into segments drawn separately; nothing here selects.
  setSelectable(QCP::stNone);
}

ColorScatter::~ColorScatter() { removeLabels(); }

void ColorScatter::setPoints(std::vector<Point> points) {
  std::stable_sort(points.begin(), points.end(),
                   [](const Point& a, const Point& b) { return a.key < b.key; });
  points_ = std::move(points);
  QVector<double> keys, values;
  keys.reserve(static_cast<qsizetype>(points_.size()));
  values.reserve(static_cast<qsizetype>(points_.size()));
  for (const Point& p : points_) {
    keys.append(p.key);
    values.append(p.value);
  }
  setData(keys, values, true);
  indexColors();
  removeLabels();
  if (labelsVisible_) createLabels();
}

void ColorScatter::indexColors() {
  colors_.assign(1, QColor());
  colorIndex_.clear();
  colorIndex_.reserve(points_.size());
  std::unordered_map<quint64, std::uint32_t> known;
  for (const Point& p : points_) {
    if (!p.color.isValid()) {
      colorIndex_.push_back(0);
      continue;
    }
    const auto [it, added] =
        known.try_emplace(p.color.rgba64(), static_cast<std::uint32_t>(colors_.size()));
    if (added) colors_.push_back(p.color);
    colorIndex_.push_back(it->second);
  }
}

void ColorScatter::setLabelsVisible(bool visible) {
  if (visible == labelsVisible_) return;
  labelsVisible_ = visible;
  removeLabels();
  if (visible) createLabels();
}

void ColorScatter::setLabelColor(const QColor& color) {
  labelColor_ = color;
  for (QCPItemText* label : labelItems()) label->setColor(color);
}

std::vector<QCPItemText*> ColorScatter::labelItems() const {
  std::vector<QCPItemText*> items;
  for (const QPointer<QCPItemText>& label : labels_)
    if (label) items.push_back(label.data());
  return items;
}

void ColorScatter::createLabels() {
  const QColor color = labelColor_.isValid() ? labelColor_ : scatterStyle().pen().color();
  // The text stands on the point, lifted by half a marker.
  const int lift = static_cast<int>(scatterStyle().size() / 2) + 1;
  for (const Point& p : points_) {
    if (p.label.isEmpty()) continue;
    auto* label = new QCPItemText(parentPlot());
    label->setClipAxisRect(keyAxis()->axisRect());
    label->position->setAxes(keyAxis(), valueAxis());
    label->position->setType(QCPItemPosition::ptPlotCoords);
    label->position->setCoords(p.key, p.value);
    label->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    label->setPadding(QMargins(0, 0, 0, lift));
    label->setColor(color);
    label->setText(p.label);
    label->setSelectable(false);
    labels_.emplace_back(label);
  }
}

void ColorScatter::removeLabels() {
  for (const QPointer<QCPItemText>& label : labels_)
    if (label && parentPlot()) parentPlot()->removeItem(label.data());
  labels_.clear();
}

int ColorScatter::pointAt(const QPointF& pixel, double radius) const {
  int nearest = -1;
  double best = radius * radius;
  for (size_t i = 0; i < points_.size(); ++i) {
    const QPointF d = coordsToPixels(points_[i].key, points_[i].value) - pixel;
    const double distance = d.x() * d.x() + d.y() * d.y();
    if (distance <= best) {
      best = distance;
      nearest = static_cast<int>(i);
    }
  }
  return nearest;
}

// The base class hands over pixel positions without their data indices, thinned with no regard
// to colour; the colours need the indices, so the visible range is walked here instead and
// thinned by colour.
void ColorScatter::drawScatterPlot(QCPPainter* painter, const QVector<QPointF>& /*scatters*/,
                                   const QCPScatterStyle& style) const {
  QCPGraphDataContainer::const_iterator begin, end;
  getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()));
  if (begin == end) return;
  applyScattersAntialiasingHint(painter);
  style.applyTo(painter, pen());
  const QBrush styleBrush = style.brush();
  const auto brushOf = [&](std::uint32_t color) {
    return color != 0 ? QBrush(colors_[color]) : styleBrush;
  };
  // Markers centred just outside the clip still show in part.
  const int reach =
      static_cast<int>(std::ceil(style.size() / 2 + std::max(1.0, painter->pen().widthF()))) + 1;
  LastPainted painted(clipRect().adjusted(-reach, -reach, reach, reach));
  Stamps stamps(*painter, style, reach, brushOf, colors_.size());
  const QCPAxis* keys = keyAxis();
  const QCPAxis* values = valueAxis();
  const bool vertical = keys->orientation() == Qt::Vertical;
  const auto first = mDataContainer->constBegin();
  std::uint32_t current = 0;  // the style's brush is in effect
  for (auto it = begin; it != end; ++it) {
    const std::uint32_t color = colorIndex_[static_cast<std::size_t>(it - first)];
    const double k = keys->coordToPixel(it->key);
    const double v = values->coordToPixel(it->value);
    const QPointF centre = vertical ? QPointF(v, k) : QPointF(k, v);
    const QPoint pixel = pixelOf(centre);
    if (!painted.paintsAnew(pixel, color)) continue;
    if (stamps.usable()) {
      stamps.stamp(painter, pixel, color);
      continue;
    }
    if (color != current) {
      painter->setBrush(brushOf(color));
      current = color;
    }
    style.drawShape(painter, centre);
  }
}

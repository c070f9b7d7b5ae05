#include "ui/graphs/colorscatter.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>

namespace {
constexpr double kDefaultSize = 6;

// Markers are placed to a quarter of a pixel: each marker is a stamp, told apart by its colour
// and its quarter within the pixel, and is put at a whole pixel.
constexpr int kQuarters = 4;

struct Spot {
  QPoint pixel;
  std::uint32_t stamp = 0;  // colour index * kQuarters² + quarter
};

// Where a marker centre falls; any centre off the int range (NaN included) lands far outside every
// chart.
Spot spotOf(const QPointF& centre, std::uint32_t color) {
  constexpr double kFar = 1e8;
  const auto quarters = [](double c) {
    return c > -kFar && c < kFar ? static_cast<int>(std::floor(c * kQuarters))
                                 : static_cast<int>(kFar) * kQuarters;
  };
  const int x = quarters(centre.x()), y = quarters(centre.y());
  // Division rounding down, negative coordinates included.
  const QPoint pixel(x >= 0 ? x / kQuarters : (x - kQuarters + 1) / kQuarters,
                     y >= 0 ? y / kQuarters : (y - kQuarters + 1) / kQuarters);
  const int quarter = (y - pixel.y() * kQuarters) * kQuarters + (x - pixel.x() * kQuarters);
  return {pixel, color * kQuarters * kQuarters + static_cast<std::uint32_t>(quarter)};
}

// The stamp last put at each pixel of an area. The same stamp at the same pixel again would
// paint nothing new, so it is left out; any other is put, for it covers the earlier one as it
// always did.
class LastPainted {
 public:
  explicit LastPainted(const QRect& area)
      : area_(area), cells_(static_cast<std::size_t>(area.width()) * area.height(), kNone) {}

  // False when the spot lies outside the area or repeats the stamp at its pixel; otherwise
  // records it and says it is to be painted.
  bool paintsAnew(const Spot& spot) {
    if (!area_.contains(spot.pixel)) return false;
    const auto column = static_cast<std::size_t>(spot.pixel.x() - area_.left());
    const auto row = static_cast<std::size_t>(spot.pixel.y() - area_.top());
    std::uint32_t& cell = cells_[row * static_cast<std::size_t>(area_.width()) + column];
    if (cell == spot.stamp) return false;
    cell = spot.stamp;
    return true;
  }

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;
  QRect area_;
  std::vector<std::uint32_t> cells_;
};

// Each stamp painted once into a small pixmap and then copied to every pixel that shows it,
// which is several times quicker than drawing the shape each time; the copy is within an eighth
// of a pixel of where the shape would be drawn. Only for raster devices without scaling or
// rotation, and shapes of the style's size; printing and other vector output draw every shape.
class Stamps {
 public:
  Stamps(const QCPPainter& painter, const QCPScatterStyle& style, int reach,
         std::function<QBrush(std::uint32_t)> brushOf)
      : style_(style), pen_(painter.pen()), reach_(reach), brushOf_(std::move(brushOf)) {
    antialiased_ = painter.antialiasing();
    ratio_ = painter.device()->devicePixelRatioF();
    // The painter stands half a pixel off while antialiasing; the copies are put at whole pixels
    // of the device, where they are copied as they are.
    const QTransform& shift = painter.worldTransform();
    offset_ = QPointF(shift.dx() - std::floor(shift.dx()), shift.dy() - std::floor(shift.dy()));
    usable_ = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster &&
              painter.worldTransform().type() <= QTransform::TxTranslate &&
              style.shape() != QCPScatterStyle::ssPixmap &&
              style.shape() != QCPScatterStyle::ssCustom;
  }

  bool usable() const { return usable_; }

  void put(QCPPainter* painter, const Spot& spot) {
    QPixmap& made = made_[spot.stamp];
    if (made.isNull()) made = paint(spot.stamp);
    painter->drawPixmap(QPointF(spot.pixel - QPoint(reach_, reach_)) - offset_, made);
  }

 private:
  QPixmap paint(std::uint32_t stamp) const {
    constexpr std::uint32_t kPerColor = kQuarters * kQuarters;
    const int side = 2 * reach_ + 1;
    QPixmap pixmap(QSize(side, side) * ratio_);
    pixmap.setDevicePixelRatio(ratio_);
    pixmap.fill(Qt::transparent);
    QCPPainter painter(&pixmap);
    painter.setAntialiasing(antialiased_);  // with the painter's own half-pixel shift
    painter.setPen(pen_);
    painter.setBrush(brushOf_(stamp / kPerColor));
    const auto offset = [this](std::uint32_t quarter) {
      return reach_ + (quarter + 0.5) / kQuarters;  // the middle of the quarter
    };
    style_.drawShape(&painter, offset(stamp % kQuarters), offset(stamp % kPerColor / kQuarters));
    return pixmap;
  }

  const QCPScatterStyle& style_;
  QPen pen_;
  int reach_;
  std::function<QBrush(std::uint32_t)> brushOf_;
  bool antialiased_ = false;
  qreal ratio_ = 1;
  QPointF offset_;
  bool usable_ = false;
  std::unordered_map<std::uint32_t, QPixmap> made_;
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
  Stamps stamps(*painter, style, reach, brushOf);
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
    const Spot spot = spotOf(centre, color);
    if (!painted.paintsAnew(spot)) continue;
    if (stamps.usable()) {
      stamps.put(painter, spot);
      continue;
    }
    if (color != current) {
      painter->setBrush(brushOf(color));
      current = color;
    }
    style.drawShape(painter, centre);
  }
}

#include "ui/graphs/colorscatter.h"

#include <algorithm>

namespace {
constexpr double kDefaultSize = 6;
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
  removeLabels();
  if (labelsVisible_) createLabels();
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

// The base class hands over pixel positions without their data indices; the colours need the
// indices, so the visible range is walked here instead.
void ColorScatter::drawScatterPlot(QCPPainter* painter, const QVector<QPointF>& /*scatters*/,
                                   const QCPScatterStyle& style) const {
  QCPGraphDataContainer::const_iterator begin, end;
  getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()));
  applyScattersAntialiasingHint(painter);
  style.applyTo(painter, pen());
  const QBrush styleBrush = style.brush();
  const auto first = mDataContainer->constBegin();
  QColor current;  // invalid: the style's brush is in effect
  for (auto it = begin; it != end; ++it) {
    const QColor& color = points_[static_cast<size_t>(it - first)].color;
    if (color != current) {
      painter->setBrush(color.isValid() ? QBrush(color) : styleBrush);
      current = color;
    }
    style.drawShape(painter, coordsToPixels(it->key, it->value));
  }
}

#pragma once
// A scatter series for QCustomPlot charts whose points each carry their own fill colour and an
// optional text label. QCPGraph draws all points of a graph in one style; this graph keeps one
// record per point, in the graph's own order (ascending key), and paints each marker with its
// point's colour. Labels are text items above the points, created only while they are shown.
// Dense series draw as quickly as plain graphs: a marker that would repeat, at the same spot, the
// one last painted there is left out, and on screen each marker is copied from a pixmap painted
// once per colour.

#include <qcustomplot.h>

#include <QColor>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <vector>

class ColorScatter : public QCPGraph {
  Q_OBJECT

 public:
  struct Point {
    double key = 0;
    double value = 0;
    QColor color;     // marker fill; an invalid colour keeps the scatter style's brush
    QString label;    // shown while labels are on; empty: no label
    int source = -1;  // the caller's index of the point
  };

  // Circles of 6 pixels, no connecting line, not selectable; the chart owns the graph.
  ColorScatter(QCPAxis* keyAxis, QCPAxis* valueAxis);
  ~ColorScatter() override;

  // Replaces every point. They are kept in ascending order of key, points of equal key in the
  // order given, so points()[i] is data point i of the graph.
  void setPoints(std::vector<Point> points);
  const std::vector<Point>& points() const { return points_; }

  void setLabelsVisible(bool visible);
  bool labelsVisible() const { return labelsVisible_; }
  // Text colour of the labels; the scatter pen's colour until set.
  void setLabelColor(const QColor& color);
  // The label items of the points that have one, for further styling (background, frame, font);
  // empty while labels are hidden. Rebuilt by setPoints and setLabelsVisible.
  std::vector<QCPItemText*> labelItems() const;

  // Index in points() of the point whose marker centre lies nearest to `pixel` (widget
  // coordinates), if within `radius` pixels; -1 otherwise. Valid once the chart was laid out.
  int pointAt(const QPointF& pixel, double radius) const;

 protected:
  void drawScatterPlot(QCPPainter* painter, const QVector<QPointF>& scatters,
                       const QCPScatterStyle& style) const override;

 private:
  void indexColors();
  void removeLabels();
  void createLabels();

  std::vector<Point> points_;
  // The distinct fill colours of the points and, for each point, the index of its colour there;
  // index 0 is the invalid colour (the style's brush).
  std::vector<QColor> colors_;
  std::vector<std::uint32_t> colorIndex_;
  std::vector<QPointer<QCPItemText>> labels_;
  bool labelsVisible_ = false;
  QColor labelColor_;
};

#include "ui/devices/td/tdstartstopforms.h"

#include <QPainter>
#include <QPolygonF>
#include <array>
#include <vector>

namespace {

struct SignalForm {
  bool activeLow;               // the idle level is high and the signal drops
  std::vector<double> toggles;  // where the level changes, as fractions of the width
  double start;                 // the edge that starts the count
  double stop;                  // the edge that stops it
  const char* hint;
};

const std::array<SignalForm, kStartStopFormCount>& forms() {
  static const std::array<SignalForm, kStartStopFormCount> table = {{
      {false,
       {0.25, 0.75},
       0.25,
       0.75,
       "Уровень: пуск по нарастающему фронту, останов по спадающему"},
      {true,
       {0.25, 0.75},
       0.25,
       0.75,
       "Уровень: пуск по спадающему фронту, останов по нарастающему"},
      {false,
       {0.2, 0.3, 0.7, 0.8},
       0.2,
       0.7,
       "Импульсы: пуск по нарастающему фронту первого импульса, останов по нарастающему фронту "
       "второго"},
      {true,
       {0.2, 0.3, 0.7, 0.8},
       0.2,
       0.7,
       "Импульсы: пуск по спадающему фронту первого импульса, останов по спадающему фронту "
       "второго"},
  }};
  return table;
}

constexpr int kWidth = 64;
constexpr int kHeight = 20;
constexpr double kTop = 3;
constexpr double kBottom = kHeight - 3;

}  // namespace

QSize startStopPictureSize() { return {kWidth, kHeight}; }

QString startStopHint(int radio) { return QString::fromUtf8(forms().at(radio).hint); }

QPixmap startStopPicture(int radio, const QColor& ink, qreal devicePixelRatio) {
  const SignalForm& form = forms().at(radio);
  QPixmap pixmap(startStopPictureSize() * devicePixelRatio);
  pixmap.setDevicePixelRatio(devicePixelRatio);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);

  const auto x = [](double fraction) { return 2 + fraction * (kWidth - 4); };
  painter.fillRect(QRectF(QPointF(x(form.start), 0), QPointF(x(form.stop), kHeight)),
                   QColor(255, 220, 120, 140));

  bool high = form.activeLow;
  QPolygonF signal{{x(0), high ? kTop : kBottom}};
  for (double t : form.toggles) {
    signal << QPointF(x(t), high ? kTop : kBottom);
    high = !high;
    signal << QPointF(x(t), high ? kTop : kBottom);
  }
  signal << QPointF(x(1), high ? kTop : kBottom);
  painter.setPen(QPen(ink, 1.5));
  painter.drawPolyline(signal);

  const auto edge = [&](double at, const QColor& colour) {
    painter.setPen(QPen(colour, 2.5));
    painter.drawLine(QPointF(x(at), kTop), QPointF(x(at), kBottom));
  };
  edge(form.start, QColor(0, 150, 0));
  edge(form.stop, QColor(210, 0, 0));
  return pixmap;
}

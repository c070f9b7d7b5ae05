#include "ui/package/tsectionselect.h"

#include <qcustomplot.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/package/sectionchart.h"
#include "ui/graphs/colorscatter.h"

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);
const QColor kLightGreen(128, 255, 0);
constexpr double kFrontSize = 6;
constexpr double kBackSize = 8;
// How far from a marker's centre a click still hits it, in pixels.
constexpr double kClickRadius = 5;

ColorScatter* pointSeries(QCustomPlot* chart, const QColor& pen, double size) {
  auto* series = new ColorScatter(chart->xAxis, chart->yAxis);
  series->setPen(QPen(pen));
  series->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, pen, size));
  return series;
}

std::vector<ColorScatter::Point> chartPoints(const std::vector<SectionMarker>& markers,
                                             const QColor& fill, bool labelled) {
  std::vector<ColorScatter::Point> points;
  points.reserve(markers.size());
  for (const SectionMarker& m : markers)
    points.push_back(
        {m.flow, m.error, fill, labelled ? QString::number(m.number) : QString(), m.index});
  return points;
}

}  // namespace

TSectionSelect::TSectionSelect(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Выбор сечений");
  setProperty("helpKeyword", "select_section");
  resize(640, 480);

  Chart = new QCustomPlot(this);
  Chart->setAccessibleName("Выбор сечений");
  Chart->xAxis->setScaleType(QCPAxis::stLogarithmic);
  Chart->xAxis->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
  // The top axis repeats the flow scale and names the sections where their points lie.
  QCPAxis* top = Chart->xAxis2;
  top->setVisible(true);
  top->setScaleType(QCPAxis::stLogarithmic);
  top->setBasePen(Qt::NoPen);
  top->grid()->setVisible(false);
  top->setSubTicks(false);
  auto ticker = QSharedPointer<QCPAxisTickerText>::create();
  sectionTicker_ = ticker.data();
  top->setTicker(ticker);

  // The halo series is created first, so it is drawn behind the points.
  SeriesBack = pointSeries(Chart, kRed, kBackSize);
  SeriesFront = pointSeries(Chart, kGreen, kFrontSize);
  SeriesFront->setLabelsVisible(true);
  SeriesFront->setLabelColor(kGreen);
  connect(Chart, &QCustomPlot::mousePress, this, &TSectionSelect::ChartMouseDown);

  bnContinue = new QPushButton("Продолжить");
  bnContinue->setDefault(true);
  bnCancel = new QPushButton("Отмена");
  connect(bnContinue, &QPushButton::clicked, this, &QDialog::accept);
  connect(bnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(bnContinue);
  buttons->addWidget(bnCancel);
  lbHint = new QLabel(
      "Щёлкните точку, чтобы отметить её сечение или снять отметку: отмеченные точки обведены "
      "кружком, и все точки одного сечения отмечаются вместе. Отмеченные сечения станут "
      "границами участков аппроксимации. «Продолжить» выполняет аппроксимацию по отмеченным "
      "сечениям, «Отмена» закрывает окно без аппроксимации.",
      this);
  lbHint->setObjectName("lbHint");
  lbHint->setWordWrap(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Chart, 1);
  layout->addWidget(lbHint);
  layout->addLayout(buttons);
  redraw();
}

void TSectionSelect::setSeries(SPILT_STRUCT& series) {
  series_ = &series;
  clearMarks(series);
  redraw();
}

bool TSectionSelect::choose(SPILT_STRUCT& series) {
  setSeries(series);
  const bool accepted = exec() == QDialog::Accepted;
  series_ = nullptr;
  return accepted;
}

void TSectionSelect::redraw() {
  const SectionChart chart = series_ ? sectionChart(*series_) : SectionChart{};
  SeriesFront->setPoints(chartPoints(chart.front, kRed, true));
  SeriesBack->setPoints(chartPoints(chart.back, kLightGreen, false));
  QMap<double, QString> ticks;
  for (const SectionTick& t : chart.ticks) ticks.insert(t.flow, QString::number(t.number));
  sectionTicker_->setTicks(ticks);
  Chart->xAxis->setRange(chart.flow.lower, chart.flow.upper);
  Chart->xAxis2->setRange(chart.flow.lower, chart.flow.upper);
  Chart->yAxis->setRange(chart.error.lower, chart.error.upper);
  Chart->xAxis->setLabel(flowTitle_);
  Chart->yAxis->setLabel(errorTitle_);
  Chart->xAxis2->setLabel(sectionTitle_);
  Chart->replot();
}

void TSectionSelect::ChartMouseDown(QMouseEvent* event) {
  if (!series_ || event->button() != Qt::LeftButton) return;
  const int hit = SeriesFront->pointAt(event->position(), kClickRadius);
  if (hit < 0) return;
  toggleSection(*series_,
                static_cast<size_t>(SeriesFront->points()[static_cast<size_t>(hit)].source));
  redraw();
}

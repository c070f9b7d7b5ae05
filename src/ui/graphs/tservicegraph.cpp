#include "ui/graphs/tservicegraph.h"

#include <qcustomplot.h>

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/graphs/colorscatter.h"
#include "ui/graphs/tabbuttons.h"

using graphcalc::GraphTab;
using graphcalc::PlotPoint;

namespace {

const QString kTabCaptions[graphcalc::kTabCount] = {
    QStringLiteral("Погрешность"), QStringLiteral("Прямая характеристика A"),
    QStringLiteral("Прямая характеристика  B"),  // two blanks before B
    QStringLiteral("Относительная характеристика")};
const QString kErrorCaption = QStringLiteral("Относительная погрешность расхода (%)");
const QString kFlowCaption = QStringLiteral("Расход (м3/ч)");
const QColor kScatterMarkColor(255, 255, 170);
constexpr int kPictureSize = 14;
constexpr int kStatusPanelWidth = 300;
// Tab buttons in a row: two rows of two keep every caption whole in a narrow window.
constexpr int kTabColumns = 2;
// The package list grows to show whole names up to this width; longer names are elided in the
// middle and shown whole in the list's hint.
constexpr int kMaxListWidth = 360;

QColor paletteColor(graphcalc::PaletteColor c) {
  switch (c) {
    case graphcalc::PaletteColor::Green:
      return QColor(0, 128, 0);
    case graphcalc::PaletteColor::Blue:
      return Qt::blue;
    case graphcalc::PaletteColor::Black:
      return Qt::black;
    case graphcalc::PaletteColor::Yellow:
      return Qt::yellow;
    case graphcalc::PaletteColor::Red:
      break;
  }
  return Qt::red;
}

QCPScatterStyle::ScatterShape paletteShape(graphcalc::MarkerStyle s) {
  switch (s) {
    case graphcalc::MarkerStyle::Circle:
      return QCPScatterStyle::ssDisc;
    case graphcalc::MarkerStyle::Rectangle:
      return QCPScatterStyle::ssSquare;
    case graphcalc::MarkerStyle::Triangle:
      return QCPScatterStyle::ssTriangle;
    case graphcalc::MarkerStyle::Diamond:
      return QCPScatterStyle::ssDiamond;
    case graphcalc::MarkerStyle::DownTriangle:
      break;
  }
  return QCPScatterStyle::ssTriangleInverted;
}

QCPScatterStyle markerStyle(const graphcalc::PaletteEntry& e, double size) {
  const QColor color = paletteColor(e.color);
  return QCPScatterStyle(paletteShape(e.style), QPen(color.darker(150)), QBrush(color), size);
}

// The list pictures, indexed by picture number: each palette entry's marker drawn small.
std::vector<QIcon> listPictures() {
  std::vector<QIcon> pictures(graphcalc::kPaletteSize);
  for (std::size_t k = 0; k < graphcalc::kPaletteSize; ++k) {
    const graphcalc::PaletteEntry& e = graphcalc::paletteEntry(k);
    QPixmap pixmap(kPictureSize, kPictureSize);
    pixmap.fill(Qt::transparent);
    QCPPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QCPScatterStyle style = markerStyle(e, kPictureSize - 4);
    style.applyTo(&painter, QPen());
    style.drawShape(&painter, kPictureSize / 2.0, kPictureSize / 2.0);
    painter.end();
    pictures[static_cast<std::size_t>(e.picture)] = QIcon(pixmap);
  }
  return pictures;
}

// A flow or reading range of one value gets some room around it, in the axis's own sense.
void setAutomaticKeyRange(QCPAxis* axis, QCPRange range) {
  if (range.size() == 0) {
    const bool log = axis->scaleType() == QCPAxis::stLogarithmic;
    range = log ? QCPRange(range.lower / 2, range.upper * 2)
                : QCPRange(range.lower - 1, range.upper + 1);
  }
  axis->setRange(range);
  axis->scaleRange(1.1);
}

QString valueMark(double value) { return QLocale().toString(value, 'g', 6); }

std::vector<ColorScatter::Point> toScatterPoints(const std::vector<PlotPoint>& plotted) {
  std::vector<ColorScatter::Point> points;
  points.reserve(plotted.size());
  for (std::size_t i = 0; i < plotted.size(); ++i)
    points.push_back(
        {plotted[i].x, plotted[i].y, QColor(), valueMark(plotted[i].y), static_cast<int>(i)});
  return points;
}

}  // namespace

// The curve drawn from the coefficient lines: a red line whose segments can take the colour of
// the line they were computed from. A segment takes the colour of its right-hand point.
class SegmentCurve : public QCPGraph {
 public:
  SegmentCurve(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPGraph(keyAxis, valueAxis) {
    setPen(QPen(Qt::red, 2));
    setLineStyle(lsLine);
    setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    setSelectable(QCP::stNone);
  }

  // Points in any order; colours invalid where the pen's colour is meant.
  void setPoints(std::vector<graphcalc::CurvePoint> points, const std::vector<QColor>& palette) {
    std::sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.x < b.x; });
    QVector<double> keys, values;
    colors_.clear();
    for (const graphcalc::CurvePoint& p : points) {
      keys.append(p.x);
      values.append(p.y);
      colors_.push_back(palette.empty() ? QColor() : palette[p.segment % palette.size()]);
    }
    setData(keys, values, true);
  }
  const std::vector<QColor>& colors() const { return colors_; }

 protected:
  void drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const override {
    const bool coloured =
        std::any_of(colors_.begin(), colors_.end(), [](const QColor& c) { return c.isValid(); });
    if (!coloured) return QCPGraph::drawLinePlot(painter, lines);
    // The curve has a few dozen points, so every segment is drawn without clipping to the view.
    applyDefaultAntialiasingHint(painter);
    QPen segmentPen = pen();
    auto it = mDataContainer->constBegin();
    for (std::size_t i = 1; i < colors_.size(); ++i, ++it) {
      segmentPen.setColor(colors_[i].isValid() ? colors_[i] : pen().color());
      painter->setPen(segmentPen);
      const auto next = it + 1;
      painter->drawLine(coordsToPixels(it->key, it->value), coordsToPixels(next->key, next->value));
    }
  }

 private:
  std::vector<QColor> colors_;
};

TServiceGraph::TServiceGraph(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("График"));
  setProperty("helpKeyword", "graphics");
  createControls();
  connectHandlers();
  execPreview = [](QDialog& preview) { preview.exec(); };
  // Like the program's dialogs, the window closes with Escape; Ctrl+W as well.
  auto* closeAction = new QAction(this);
  closeAction->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
  connect(closeAction, &QAction::triggered, this, &QWidget::close);
  addAction(closeAction);
}

TServiceGraph::~TServiceGraph() = default;

void TServiceGraph::createControls() {
  TabControl = new TabButtons(kTabColumns);
  TabControl->setAccessibleName(QStringLiteral("Вид графика"));
  for (const QString& caption : kTabCaptions) TabControl->addTab(caption);

  Chart = new QCustomPlot;
  Chart->setAccessibleName(QStringLiteral("График"));
  Chart->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  Chart->setMouseTracking(true);
  Chart->xAxis->grid()->setSubGridVisible(true);

  auto* chartArea = new QWidget;
  auto* chartLayout = new QVBoxLayout(chartArea);
  chartLayout->setContentsMargins(0, 0, 0, 0);
  chartLayout->addWidget(TabControl);
  chartLayout->addWidget(Chart, 1);

  auto checkBox = [](const char* text) { return new QCheckBox(QString::fromUtf8(text)); };
  auto zoomButton = [](const char* hint, QStyle::StandardPixmap icon, QWidget* owner) {
    auto* button = new QToolButton;
    button->setToolTip(QString::fromUtf8(hint));
    button->setAccessibleName(QString::fromUtf8(hint));
    button->setIcon(owner->style()->standardIcon(icon));
    return button;
  };

  PointSize = new QSpinBox;
  PointSize->setRange(2, 100);
  PointSize->setValue(kDefaultPointSize);
  auto* pointSizeLabel = new QLabel(QStringLiteral("Размер точек"));
  pointSizeLabel->setBuddy(PointSize);
  bMarks = checkBox("Показывать значения");
  bLogariphmic = checkBox("Логарифмическая шкала");
  bNameAxis = checkBox("Название осей");
  CheckCasual = checkBox("Разброс значений");
  bCalsDeltaAlways = checkBox("Расчетная погрешность");
  Closer = zoomButton("Растянуть", QStyle::SP_ArrowUp, this);
  Further = zoomButton("Сжать", QStyle::SP_ArrowDown, this);
  Auto = zoomButton("Автоматический масштаб", QStyle::SP_BrowserReload, this);

  auto* common = new QGroupBox(QStringLiteral("Общие настройки"));
  auto* commonLayout = new QVBoxLayout(common);
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(pointSizeLabel);
  sizeRow->addWidget(PointSize);
  commonLayout->addLayout(sizeRow);
  for (QCheckBox* box : {bMarks, bLogariphmic, bNameAxis, CheckCasual, bCalsDeltaAlways})
    commonLayout->addWidget(box);
  auto* zoomRow = new QHBoxLayout;
  for (QToolButton* button : {Closer, Further, Auto}) zoomRow->addWidget(button);
  zoomRow->addStretch();
  commonLayout->addLayout(zoomRow);

  bAproxLine = checkBox("Отображать участки");
  bColorAprox = checkBox("Раскрашивать участки");
  Offset = new QSpinBox;
  Offset->setRange(-1000, 1000);
  OffsetLabel = new QLabel(QStringLiteral("Смещение нуля"));
  OffsetLabel->setBuddy(Offset);
  auto* lines = new QGroupBox(QStringLiteral("Участки аппроксимации"));
  auto* linesLayout = new QVBoxLayout(lines);
  linesLayout->addWidget(bAproxLine);
  linesLayout->addWidget(bColorAprox);
  auto* offsetRow = new QHBoxLayout;
  offsetRow->addWidget(OffsetLabel);
  offsetRow->addWidget(Offset);
  linesLayout->addLayout(offsetRow);

  SpiltSelect = new QListWidget;
  SpiltSelect->setAccessibleName(QStringLiteral("Пакеты"));
  SpiltSelect->setMouseTracking(true);
  SpiltSelect->viewport()->installEventFilter(this);
  SpiltSelect->setEditTriggers(QAbstractItemView::NoEditTriggers);
  SpiltSelect->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SpiltSelect->setTextElideMode(Qt::ElideMiddle);
  SpiltSelect->setContextMenuPolicy(Qt::CustomContextMenu);
  SpiltSelect->setStyleSheet(
      QStringLiteral("QListWidget::item { border-bottom: 1px solid "
                     "palette(midlight); }"));  // the grid lines
  SpiltMenu = new QMenu(this);
  NSelectAll = SpiltMenu->addAction(QStringLiteral("Выделить все"));
  NClearAll = SpiltMenu->addAction(QStringLiteral("Очистить все"));
  NInvert = SpiltMenu->addAction(QStringLiteral("Инвертировать"));

  Print = new QPushButton(QStringLiteral("Печать"));

  ControlColumn = new QWidget;
  ControlColumn->setMinimumWidth(kMinControlWidth);
  auto* columnLayout = new QVBoxLayout(ControlColumn);
  columnLayout->addWidget(common);
  columnLayout->addWidget(lines);
  columnLayout->addWidget(SpiltSelect, 1);
  columnLayout->addWidget(Print);

  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->addWidget(chartArea);
  splitter->addWidget(ControlColumn);
  splitter->setStretchFactor(0, 1);
  splitter->setCollapsible(1, false);

  StatusBar = new QStatusBar;
  StatusBar->setSizeGripEnabled(false);
  StatusPanel1 = new QLabel;
  StatusPanel2 = new QLabel;
  for (QLabel* panel : {StatusPanel1, StatusPanel2}) {
    panel->setFixedWidth(kStatusPanelWidth);
    StatusBar->addWidget(panel);
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter, 1);
  layout->addWidget(StatusBar);
  resize(1100, 640);  // placeOverParent keeps it on a smaller screen

  // The handlers are connected afterwards: these are the states the chart starts in.
  bLogariphmic->setChecked(true);
  bNameAxis->setChecked(true);
  bAproxLine->setChecked(true);
  applyLogarithmic();
  OffsetLabel->hide();
  Offset->hide();
}

void TServiceGraph::connectHandlers() {
  connect(TabControl, &TabButtons::currentChanged, this, &TServiceGraph::rescaledRedraw);
  connect(bColorAprox, &QCheckBox::toggled, this, &TServiceGraph::rescaledRedraw);
  connect(Offset, &QSpinBox::valueChanged, this, &TServiceGraph::redraw);
  connect(bNameAxis, &QCheckBox::toggled, this, &TServiceGraph::redraw);
  connect(bCalsDeltaAlways, &QCheckBox::toggled, this, &TServiceGraph::redraw);
  connect(bLogariphmic, &QCheckBox::toggled, this, [this] {
    applyLogarithmic();
    Chart->replot();
  });
  connect(CheckCasual, &QCheckBox::toggled, this, [this](bool on) {
    if (scatter_) scatter_->setVisible(on);
    refreshMarks();
  });
  connect(bMarks, &QCheckBox::toggled, this, &TServiceGraph::refreshMarks);
  connect(PointSize, &QSpinBox::valueChanged, this, [this](int size) {
    for (ColorScatter* s : series_) {
      QCPScatterStyle style = s->scatterStyle();
      style.setSize(size);
      s->setScatterStyle(style);
    }
    Chart->replot();
  });
  connect(bAproxLine, &QCheckBox::toggled, this, [this](bool on) {
    if (curve_) curve_->setVisible(on);
    Chart->replot();
  });
  connect(SpiltSelect, &QListWidget::itemChanged, this, &TServiceGraph::applySelection);
  connect(SpiltSelect, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { SpiltMenu->popup(SpiltSelect->mapToGlobal(pos)); });
  connect(NSelectAll, &QAction::triggered, this,
          [this] { setAllChecks([](bool) { return true; }); });
  connect(NClearAll, &QAction::triggered, this,
          [this] { setAllChecks([](bool) { return false; }); });
  connect(NInvert, &QAction::triggered, this,
          [this] { setAllChecks([](bool on) { return !on; }); });
  connect(Closer, &QToolButton::clicked, this, &TServiceGraph::CloserClick);
  connect(Further, &QToolButton::clicked, this, &TServiceGraph::FurtherClick);
  connect(Auto, &QToolButton::clicked, this, &TServiceGraph::AutoClick);
  // Every change of the left range, the buttons' and the mouse zoom alike, decides its minor grid.
  connect(Chart->yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
          &TServiceGraph::applyMinorGrid);
  connect(Chart, &QCustomPlot::mouseMove, this, &TServiceGraph::ChartMouseMove);
  connect(Print, &QPushButton::clicked, this, [this] { guarded([this] { PrintClick(); }); });
}

GraphTab TServiceGraph::currentTab() const {
  return static_cast<GraphTab>(std::max(0, TabControl->currentIndex()));
}

void TServiceGraph::showData(const SPILTS_DATA_EXCHANGE* data) {
  data_ = data;
  if (data_) rebuild();
}

void TServiceGraph::FormActivate() {
  PointSize->setValue(kDefaultPointSize);
  bMarks->setChecked(false);
  bLogariphmic->setChecked(true);
  bNameAxis->setChecked(true);
  CheckCasual->setChecked(false);
  bCalsDeltaAlways->setChecked(false);
  bAproxLine->setChecked(true);
  bColorAprox->setChecked(false);
  Offset->setValue(0);
  setAllChecks([](bool) { return true; });
  guarded([this] {
    RegKey key;
    key.create(QString::fromUtf8(kProgramKey));
    const bool zeroOffset = key.readInt(QStringLiteral("EnableZeroOffset"), 0) != 0;
    OffsetLabel->setVisible(zeroOffset);
    Offset->setVisible(zeroOffset);
  });
}

void TServiceGraph::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
  QWidget::changeEvent(event);
}

void TServiceGraph::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) placeOverParent();
  QWidget::showEvent(event);
}

// Each time the window opens it comes up over the middle of the main window, wholly on the
// screen. Before the first showing the frame is not known and the client size stands for it.
void TServiceGraph::placeOverParent() {
  const QWidget* anchor = parentWidget() ? parentWidget()->window() : nullptr;
  const QScreen* screen = anchor ? anchor->screen() : this->screen();
  if (!screen) return;
  layout()->activate();  // the size the window will open with
  const QRect available = screen->availableGeometry();
  const QSize frameExtra = frameGeometry().size() - size();
  resize(size().boundedTo(available.size() - frameExtra));
  QRect frame(QPoint(), frameGeometry().size().boundedTo(available.size()));
  frame.moveCenter(anchor ? anchor->frameGeometry().center() : available.center());
  frame.moveLeft(std::clamp(frame.left(), available.left(), available.right() + 1 - frame.width()));
  frame.moveTop(std::clamp(frame.top(), available.top(), available.bottom() + 1 - frame.height()));
  move(frame.topLeft());
}

bool TServiceGraph::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SpiltSelect->viewport() && event->type() == QEvent::MouseMove) {
    const QListWidgetItem* item =
        SpiltSelect->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    SpiltSelect->setToolTip(item ? item->text() : QString());
  }
  return QWidget::eventFilter(watched, event);
}

// The list is made wide enough for whole package names, within reason.
void TServiceGraph::fitListToNames() {
  const int names = SpiltSelect->sizeHintForColumn(0);
  const int width =
      2 * SpiltSelect->frameWidth() + names + SpiltSelect->verticalScrollBar()->sizeHint().width();
  SpiltSelect->setMinimumWidth(names > 0 ? std::min(width, kMaxListWidth) : 0);
}

// ---- building and drawing ----------------------------------------------------------------------

void TServiceGraph::rebuild() {
  Chart->clearPlottables();
  series_.clear();
  curve_ = nullptr;
  scatter_ = nullptr;
  // Made first, so the points are drawn over the band.
  bandUpper_ = new QCPCurve(Chart->xAxis, Chart->yAxis);
  bandLower_ = new QCPCurve(Chart->xAxis, Chart->yAxis);
  for (QCPCurve* band : {bandUpper_, bandLower_}) {
    band->setPen(QPen(QColor(200, 40, 40), 1.5, Qt::DashLine));
    band->setSelectable(QCP::stNone);
  }
  const QSignalBlocker blocker(SpiltSelect);
  SpiltSelect->clear();

  static const std::vector<QIcon> pictures = listPictures();
  for (std::size_t k = 0; k < data_->series.size(); ++k) {
    const graphcalc::PaletteEntry& e = graphcalc::paletteEntry(k);
    auto* item = new QListWidgetItem(pictures[static_cast<std::size_t>(e.picture)],
                                     QString::fromStdString(data_->series[k].name), SpiltSelect);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    auto* series = new ColorScatter(Chart->xAxis, Chart->yAxis);
    series->setScatterStyle(markerStyle(e, PointSize->value()));
    series->setPen(QPen(paletteColor(e.color)));
    series_.push_back(series);
  }
  fitListToNames();
  if (!data_->lines.empty()) {
    curve_ = new SegmentCurve(Chart->xAxis, Chart->yAxis);
    curve_->setVisible(bAproxLine->isChecked());
  }
  scatter_ = new ColorScatter(Chart->xAxis, Chart->yAxis);
  // Only the marks of this series are meant to be seen: its dots take the chart's white.
  scatter_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDot, QColor(Qt::white), 1));
  scatter_->setVisible(CheckCasual->isChecked());
  rescaledRedraw();
}

// Both axes back on automatic scale, fitted to what is drawn.
void TServiceGraph::rescaledRedraw() {
  leftAutomatic_ = bottomAutomatic_ = true;
  redraw();
}

void TServiceGraph::redraw() {
  if (!data_) return;
  const GraphTab tab = currentTab();
  const graphcalc::TabAxes axes = graphcalc::tabAxes(tab);
  {
    const QSignalBlocker blocker(bLogariphmic);
    bLogariphmic->setChecked(axes.logarithmic);
  }
  applyLogarithmic();
  leftCaption_ = axisCaption(axes.left);
  bottomCaption_ = axisCaption(axes.bottom);
  Chart->yAxis->setLabel(bNameAxis->isChecked() ? leftCaption_ : QString());
  Chart->xAxis->setLabel(bNameAxis->isChecked() ? bottomCaption_ : QString());

  std::vector<PlotPoint> shown;
  double minX = std::numeric_limits<double>::infinity(), maxX = 0;
  fillPackageSeries(shown, minX, maxX);
  fillCurve(minX, maxX);
  fillBand(shown);
  fillScatter(std::move(shown));
  applyMarks();
  rescaleAutomaticAxes();
  Chart->replot();
}

void TServiceGraph::fillPackageSeries(std::vector<PlotPoint>& shown, double& minX, double& maxX) {
  const GraphTab tab = currentTab();
  const graphcalc::SeriesOptions options{bCalsDeltaAlways->isChecked(),
                                         static_cast<double>(Offset->value())};
  for (std::size_t k = 0; k < series_.size(); ++k) {
    std::vector<PlotPoint> plotted =
        graphcalc::seriesPoints(tab, data_->series[k], data_->lines, options);
    if (tab != GraphTab::Error) {
      for (const PlotPoint& p : plotted) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
      }
    }
    if (series_[k]->visible()) shown.insert(shown.end(), plotted.begin(), plotted.end());
    series_[k]->setPoints(toScatterPoints(plotted));
  }
}

void TServiceGraph::fillCurve(double minX, double maxX) {
  if (!curve_) return;
  std::vector<QColor> palette;
  if (bColorAprox->isChecked())
    for (std::size_t k = 0; k < graphcalc::kPaletteSize; ++k)
      palette.push_back(paletteColor(graphcalc::paletteEntry(k).color));
  static_cast<SegmentCurve*>(curve_)->setPoints(
      graphcalc::curvePoints(currentTab(), data_->lines, minX, maxX, Offset->value()), palette);
}

void TServiceGraph::setToleranceProfile(std::optional<ToleranceProfile> profile) {
  profile_ = std::move(profile);
  if (data_ && bandUpper_) redraw();
}

// On the error tab, over the flows of the points shown and a little beyond; the boundaries of a
// fraction basis follow the largest flow shown.
void TServiceGraph::fillBand(const std::vector<PlotPoint>& shown) {
  double lo = std::numeric_limits<double>::infinity(), hi = 0;
  for (const PlotPoint& p : shown) {
    if (p.x > 0) lo = std::min(lo, p.x);
    hi = std::max(hi, p.x);
  }
  graphcalc::LimitBand band;
  if (profile_ && currentTab() == GraphTab::Error && hi > 0)
    band = graphcalc::limitBand(*profile_, hi, lo / 1.25, hi * 1.25);
  auto fill = [](QCPCurve* curve, const std::vector<PlotPoint>& points) {
    QVector<double> x, y;
    for (const PlotPoint& p : points) {
      x << p.x;
      y << p.y;
    }
    curve->setData(x, y);
    curve->setVisible(!points.empty());
  };
  fill(bandUpper_, band.upper);
  fill(bandLower_, band.lower);
}

void TServiceGraph::fillScatter(std::vector<PlotPoint> shown) {
  std::vector<ColorScatter::Point> points;
  for (const graphcalc::ScatterPoint& s : graphcalc::scatterPoints(currentTab(), std::move(shown)))
    points.push_back({s.x, s.y, QColor(), QString::fromStdString(graphcalc::scatterMark(s.value)),
                      static_cast<int>(points.size())});
  scatter_->setPoints(std::move(points));
}

// Value marks follow their series: shown only while the series is.
void TServiceGraph::applyMarks() {
  for (ColorScatter* s : series_) s->setLabelsVisible(bMarks->isChecked() && s->visible());
  if (scatter_) scatter_->setLabelsVisible(scatter_->visible());
  styleMarks();
}

void TServiceGraph::refreshMarks() {
  applyMarks();
  Chart->replot();
}

void TServiceGraph::styleMarks() {
  for (ColorScatter* s : series_) {
    for (QCPItemText* mark : s->labelItems()) {
      mark->setBrush(Qt::white);
      mark->setPen(QPen(Qt::black));
      mark->setColor(Qt::black);
      mark->setPadding(QMargins(2, 1, 2, 1));
    }
  }
  if (!scatter_) return;
  QFont bold = font();
  bold.setPointSize(10);
  bold.setBold(true);
  for (QCPItemText* mark : scatter_->labelItems()) {
    mark->setBrush(kScatterMarkColor);
    mark->setPen(QPen(Qt::black));
    mark->setColor(Qt::black);
    mark->setFont(bold);
    mark->setPadding(QMargins(2, 1, 2, 1));
    // The marks hang below their points, clear of the package markers.
    mark->setPositionAlignment(Qt::AlignHCenter | Qt::AlignTop);
  }
}

void TServiceGraph::applySelection() {
  for (int k = 0; k < SpiltSelect->count() && k < packageSeriesCount(); ++k)
    series_[static_cast<std::size_t>(k)]->setVisible(SpiltSelect->item(k)->checkState() ==
                                                     Qt::Checked);
  refreshMarks();
}

void TServiceGraph::setAllChecks(const std::function<bool(bool)>& check) {
  {
    const QSignalBlocker blocker(SpiltSelect);
    for (int k = 0; k < SpiltSelect->count(); ++k) {
      QListWidgetItem* item = SpiltSelect->item(k);
      item->setCheckState(check(item->checkState() == Qt::Checked) ? Qt::Checked : Qt::Unchecked);
    }
  }
  applySelection();
}

void TServiceGraph::applyLogarithmic() {
  const bool log = bLogariphmic->isChecked();
  QCPAxis* axis = Chart->xAxis;
  axis->setScaleType(log ? QCPAxis::stLogarithmic : QCPAxis::stLinear);
  if (log)
    axis->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
  else
    axis->setTicker(QSharedPointer<QCPAxisTicker>::create());
  axis->grid()->setSubGridVisible(log);
  if (bottomAutomatic_) rescaleAutomaticAxes();
}

QString TServiceGraph::axisCaption(graphcalc::AxisCaption which) const {
  switch (which) {
    case graphcalc::AxisCaption::Error:
      return kErrorCaption;
    case graphcalc::AxisCaption::Flow:
      return kFlowCaption;
    case graphcalc::AxisCaption::Reading:
      return readingCaption_;
    case graphcalc::AxisCaption::Ratio:
      break;
  }
  return ratioCaption_;
}

// ---- scale and zoom ----------------------------------------------------------------------------

void TServiceGraph::automaticScale() {
  leftAutomatic_ = bottomAutomatic_ = true;
  rescaleAutomaticAxes();
  Chart->replot();
}

// Axes on automatic scale span the visible series, with a margin so edge markers stay whole.
// The ranges are united here rather than by the plottables' own rescaling, which centres an axis
// on a series of equal values while keeping the old span.
void TServiceGraph::rescaleAutomaticAxes() {
  const bool logKeys = Chart->xAxis->scaleType() == QCPAxis::stLogarithmic;
  QCPRange keys, values;
  bool haveKeys = false, haveValues = false;
  const auto unite = [](QCPRange& into, bool& have, const QCPRange& r) {
    if (have)
      into.expand(r);
    else
      into = r;
    have = true;
  };
  for (int i = 0; i < Chart->plottableCount(); ++i) {
    const QCPAbstractPlottable* p = Chart->plottable(i);
    if (!p->visible()) continue;
    bool found = false;
    const QCPRange k = p->getKeyRange(found, logKeys ? QCP::sdPositive : QCP::sdBoth);
    if (found) unite(keys, haveKeys, k);
    const QCPRange v = p->getValueRange(found);
    if (found) unite(values, haveValues, v);
  }
  if (bottomAutomatic_ && haveKeys) setAutomaticKeyRange(Chart->xAxis, keys);
  if (leftAutomatic_ && haveValues) {
    const ChartRange r = graphcalc::valueAxisRange(currentTab(), {values.lower, values.upper});
    Chart->yAxis->setRange(r.lower, r.upper);
  }
}

void TServiceGraph::applyMinorGrid() {
  const QCPRange r = Chart->yAxis->range();
  Chart->yAxis->grid()->setSubGridVisible(graphcalc::minorGridShown({r.lower, r.upper}));
}

void TServiceGraph::CloserClick() {
  leftAutomatic_ = false;
  const ChartRange r =
      graphcalc::zoomCloser({Chart->yAxis->range().lower, Chart->yAxis->range().upper});
  Chart->yAxis->setRange(r.lower, r.upper);
  Chart->replot();
}

void TServiceGraph::FurtherClick() {
  leftAutomatic_ = false;
  const ChartRange r =
      graphcalc::zoomFurther({Chart->yAxis->range().lower, Chart->yAxis->range().upper});
  Chart->yAxis->setRange(r.lower, r.upper);
  Chart->replot();
}

void TServiceGraph::AutoClick() {
  automaticScale();
  applyMinorGrid();
}

// ---- status bar and printing -------------------------------------------------------------------

void TServiceGraph::ChartMouseMove(QMouseEvent* event) {
  const QPointF pos = event->position();
  const auto panel = [](const QString& caption, double value) {
    return caption + QString::asprintf(": %g", value);
  };
  StatusPanel1->setText(panel(bottomCaption_, Chart->xAxis->pixelToCoord(pos.x())));
  StatusPanel2->setText(panel(leftCaption_, Chart->yAxis->pixelToCoord(pos.y())));
}

void TServiceGraph::PrintClick() {
  auto* title = new QCPTextElement(Chart, TabControl->tabText(TabControl->currentIndex()),
                                   QFont(font().family(), 12, QFont::Bold));
  Chart->plotLayout()->insertRow(0);
  Chart->plotLayout()->addElement(0, 0, title);
  QPrinter printer(QPrinter::ScreenResolution);
  printer.setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
  QPrintPreviewDialog preview(&printer, this);
  connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
    QCPPainter painter(target);
    const QRectF page = target->pageLayout().paintRectPixels(target->resolution());
    Chart->toPainter(&painter, static_cast<int>(page.width()), static_cast<int>(page.height()));
  });
  execPreview(preview);
  Chart->plotLayout()->remove(title);
  Chart->plotLayout()->simplify();
  Chart->replot();
}

#include "ui/devices/td/tdreadingspage.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <ostream>

#include "core/base/errors.h"
#include "core/storage/atomicfile.h"
#include "ui/base/messageboxes.h"
#include "ui/base/messagelog.h"

namespace {

QPushButton* makeButton(const QString& name, const QString& text, const QString& hint,
                        QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  if (!hint.isEmpty()) {
    button->setToolTip(hint);
    button->setAccessibleName(hint);
  }
  return button;
}

QCheckBox* makeCheck(const QString& name, const QString& text, bool checked, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  box->setChecked(checked);
  return box;
}

QVector<double> valuesOf(const QCPGraph& graph) {
  QVector<double> values;
  values.reserve(graph.data()->size());
  for (const QCPGraphData& point : *graph.data()) values << point.value;
  return values;
}

// Half the range either side of the middle (factor 0.5) or twice it (factor 2).
void zoom(QCPAxis* axis, double factor) {
  const QCPRange r = axis->range();
  const double shift = r.size() * (factor < 1 ? -0.25 : 0.5);
  axis->setRange(r.lower - shift, r.upper + shift);
}

QString defaultSaveFile(QWidget* parent, const QString& proposed) {
  QString path = QFileDialog::getSaveFileName(parent, {}, proposed, "CSV файл (*.csv)");
  return path;
}

QString defaultOpenFile(QWidget* parent) {
  return QFileDialog::getOpenFileName(parent, {}, {}, "CSV файл (*.csv);;Все файлы (*.*)");
}

}  // namespace

TTDReadingsPage::TTDReadingsPage(QWidget* parent)
    : QWidget(parent), chooseSaveFile_(defaultSaveFile), chooseOpenFile_(defaultOpenFile) {
  setObjectName("ReadingsPage");
  setProperty("helpKeyword", "tidemark_observation");
  buildControls();
  connectHandlers();
}

void TTDReadingsPage::setFileDialogs(ChooseSaveFile save, ChooseOpenFile open) {
  chooseSaveFile_ = save ? std::move(save) : ChooseSaveFile(defaultSaveFile);
  chooseOpenFile_ = open ? std::move(open) : ChooseOpenFile(defaultOpenFile);
}

void TTDReadingsPage::buildControls() {
  Chart = new QCustomPlot(this);
  Chart->setObjectName("Chart");
  Chart->setAccessibleName("Показания");
  Chart->setBackground(Qt::white);
  Chart->axisRect()->setMargins(QMargins(2, 2, 2, 2));
  Chart->legend->setVisible(false);
  Series1 = Chart->addGraph();
  Series1->setObjectName("Series1");
  Series1->setPen(QPen(Qt::blue));
  Series2 = Chart->addGraph();
  Series2->setObjectName("Series2");
  Series2->setPen(QPen(Qt::red));

  ClearADC = makeButton("ClearADC", "Очистить", {}, this);
  CloserADC = makeButton("CloserADC", "+", "Приблизить", this);
  FurtherADC = makeButton("FurtherADC", "-", "Отдалить", this);
  NarrowerADC = makeButton("NarrowerADC", "<>", "Растянуть", this);
  BroaderADC = makeButton("BroaderADC", "><", "Сжать", this);
  AutoADC = makeButton("AutoADC", "Авто", "Автоматический масштаб", this);
  Analyze = makeButton("Analyze", "Анализ", {}, this);
  Observation = makeCheck("Observation", "Показания", false, this);
  Scrolling = makeCheck("Scrolling", "Прокрутка", false, this);
  Code = makeCheck("Code", "Код", true, this);
  Filter = makeCheck("Filter", "Фильтр", true, this);
  SaveADC = makeButton("SaveADC", "Сохранить", "Сохранить показания", this);
  LoadADC = makeButton("LoadADC", "Загрузить", "Загрузить показания", this);
  PrintChart = makeButton("PrintChart", "Печать", {}, this);

  auto* zoomRow1 = new QHBoxLayout;
  zoomRow1->addWidget(CloserADC);
  zoomRow1->addWidget(FurtherADC);
  auto* zoomRow2 = new QHBoxLayout;
  zoomRow2->addWidget(NarrowerADC);
  zoomRow2->addWidget(BroaderADC);

  auto* bar = new QVBoxLayout;
  bar->addWidget(ClearADC);
  bar->addLayout(zoomRow1);
  bar->addLayout(zoomRow2);
  bar->addWidget(AutoADC);
  bar->addWidget(Analyze);
  bar->addWidget(Observation);
  bar->addWidget(Scrolling);
  bar->addWidget(Code);
  bar->addWidget(Filter);
  bar->addWidget(SaveADC);
  bar->addWidget(LoadADC);
  bar->addWidget(PrintChart);
  bar->addStretch();

  auto* page = new QHBoxLayout(this);
  page->addWidget(Chart, 1);
  page->addLayout(bar);
}

void TTDReadingsPage::connectHandlers() {
  const auto on = [this](QPushButton* button, void (TTDReadingsPage::*handler)()) {
    connect(button, &QPushButton::clicked, this,
            [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
  };
  on(ClearADC, &TTDReadingsPage::clearReadings);
  on(CloserADC, &TTDReadingsPage::zoomValuesIn);
  on(FurtherADC, &TTDReadingsPage::zoomValuesOut);
  on(NarrowerADC, &TTDReadingsPage::stretchTime);
  on(BroaderADC, &TTDReadingsPage::squeezeTime);
  on(AutoADC, &TTDReadingsPage::scaleAutomatically);
  on(Analyze, &TTDReadingsPage::analyse);
  on(SaveADC, &TTDReadingsPage::saveReadings);
  on(LoadADC, &TTDReadingsPage::loadReadings);
  on(PrintChart, &TTDReadingsPage::printChart);
  connect(Code, &QCheckBox::toggled, this, [this] { showSeries(); });
  connect(Filter, &QCheckBox::toggled, this, [this] { showSeries(); });
}

bool TTDReadingsPage::observing() const { return Observation->isChecked(); }

QVector<double> TTDReadingsPage::codes() const { return valuesOf(*Series1); }
QVector<double> TTDReadingsPage::filtered() const { return valuesOf(*Series2); }

void TTDReadingsPage::addReading(std::int32_t code) {
  if (paused_) return;
  const float smooth = filter_.step(static_cast<float>(code));
  appendPoint(x_, code, smooth);
  x_ += 1;
  if (Scrolling->isChecked()) {
    autoX_ = false;
    Chart->xAxis->moveRange(1);
  }
  refresh();
}

void TTDReadingsPage::appendPoint(double x, double code, double filteredCode) {
  Series1->addData(x, code);
  Series2->addData(x, filteredCode);
  const QCPRange added(std::min(code, filteredCode), std::max(code, filteredCode));
  valueRange_ = hasValues_ ? valueRange_.expanded(added) : added;
  hasValues_ = true;
}

void TTDReadingsPage::refresh() {
  if (autoX_ && !Series1->data()->isEmpty()) {
    // The points are kept in X order.
    const double first = Series1->data()->constBegin()->key;
    const double last = (Series1->data()->constEnd() - 1)->key;
    Chart->xAxis->setRange(first, last > first ? last : first + 1);
  }
  if (autoY_ && hasValues_) {
    const double pad = valueRange_.size() == 0 ? 1 : 0;
    Chart->yAxis->setRange(valueRange_.lower - pad, valueRange_.upper + pad);
  }
  Chart->replot(QCustomPlot::rpQueuedReplot);
}

void TTDReadingsPage::clearReadings() {
  paused_ = true;
  clearWithQuestion();
  paused_ = false;
  Scrolling->setChecked(false);
}

void TTDReadingsPage::clearWithQuestion() {
  MessageBoxes::Request request;
  request.parent = this;
  request.icon = QMessageBox::Question;
  request.caption = "Внимание";
  request.text = "Очистить текущие показания ?";
  request.buttons = QMessageBox::Yes | QMessageBox::No;
  if (MessageBoxes::show(request) != QMessageBox::Yes) return;
  Series1->data()->clear();
  Series2->data()->clear();
  hasValues_ = false;
  filter_.reset();
  x_ = 0;
  scaleAutomatically();
}

void TTDReadingsPage::zoomValuesIn() {
  autoY_ = false;
  zoom(Chart->yAxis, 0.5);
  refresh();
}

void TTDReadingsPage::zoomValuesOut() {
  autoY_ = false;
  zoom(Chart->yAxis, 2);
  refresh();
}

void TTDReadingsPage::stretchTime() {
  autoX_ = false;
  zoom(Chart->xAxis, 0.5);
  refresh();
}

void TTDReadingsPage::squeezeTime() {
  autoX_ = false;
  zoom(Chart->xAxis, 2);
  refresh();
}

void TTDReadingsPage::scaleAutomatically() {
  autoX_ = true;
  autoY_ = true;
  refresh();
}

void TTDReadingsPage::analyse() {
  if (Series1->data()->isEmpty()) return;
  const QVector<double> values = codes();
  const QCPRange axis = Chart->xAxis->range();
  const auto text = tdAnalysis(std::span<const double>(values.data(), size_t(values.size())),
                               Series1->data()->constBegin()->key,
                               (Series1->data()->constEnd() - 1)->key, axis.lower, axis.upper);
  if (text) logMessage(QString::fromStdString(*text));
}

void TTDReadingsPage::saveReadings() {
  const QString proposed = QString::fromStdString(tdReadingsFileName(currentLocalTime()));
  const QString chosen = chooseSaveFile_(this, proposed);
  if (chosen.isEmpty()) return;
  const std::string path = tdWithCsvExtension(chosen.toStdString());
  const QVector<double> code = codes();
  const QVector<double> smooth = filtered();
  const std::string text =
      tdReadingsCsv(std::span<const double>(code.data(), size_t(code.size())),
                    std::span<const double>(smooth.data(), size_t(smooth.size())));
  files::writeFileAtomically(path, [&](std::ostream& out) { out << text; });  // can throw
  logMessage(QString::fromStdString(tdReadingsSavedMessage(path)));
}

// The whole file is read and parsed before the chart is touched, so a bad file changes nothing.
void TTDReadingsPage::loadReadings() {
  const QString chosen = chooseOpenFile_(this);
  if (chosen.isEmpty()) return;
  QFile file(chosen);
  if (!file.open(QIODevice::ReadOnly)) throw MessageError(kTdReadingsLoadFailed);
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) throw MessageError(kTdReadingsLoadFailed);
  const auto points = tdParseReadingsCsv(std::string_view(bytes.constData(), size_t(bytes.size())));

  paused_ = true;
  clearWithQuestion();
  for (const TdReadingPoint& point : points) {
    appendPoint(Series1->data()->size(), point.code, point.filtered);
  }
  paused_ = false;
  Scrolling->setChecked(false);
  refresh();
  logMessage(QString::fromStdString(tdReadingsLoadedMessage(chosen.toStdString())));
}

void TTDReadingsPage::printChart() {
  QPrinter printer(QPrinter::ScreenResolution);
  QPrintPreviewDialog preview(&printer, this);
  connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
    QCPPainter painter(target);
    const QRect page = target->pageLayout().paintRectPixels(target->resolution());
    Chart->toPainter(&painter, page.width(), page.height());
  });
  preview.exec();
}

void TTDReadingsPage::showSeries() {
  Series1->setVisible(Code->isChecked());
  Series2->setVisible(Filter->isChecked());
  Chart->replot(QCustomPlot::rpQueuedReplot);
}

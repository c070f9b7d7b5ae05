#include "ui/history/historywindow.h"

#include <qcustomplot.h>

#include <QAction>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>

#include "core/document/devicebase.h"
#include "ui/base/messagelog.h"
#include "ui/base/windowlayout.h"
#include "ui/history/historypayload.h"
#include "ui/history/historysettings.h"

namespace {

// Settings: where the window was and how the user split it.
constexpr char kGeometryValue[] = "HistoryGeometry";
constexpr char kSplitterValue[] = "HistorySplitter";

// A search by family alone in a lab's shared database could fill the lists with more than anyone
// reads; beyond this many events the window asks for a narrower search.
constexpr int64_t kSearchLimit = 20000;

constexpr char kDash[] = "—";
constexpr char kCompareHint[] =
    "Выберите в списке два события с коэффициентами и нажмите «Сравнить».";

QPointer<HistoryWindow> theWindow;

QString storeCaption(const QString& store) { return "Журнал: " + store; }

const QColor kCurveColors[] = {QColor(0, 90, 200),   QColor(200, 40, 40), QColor(0, 140, 60),
                               QColor(150, 60, 170), QColor(220, 120, 0), QColor(0, 150, 160),
                               QColor(120, 80, 40),  QColor(90, 90, 90)};
constexpr QCPScatterStyle::ScatterShape kCurveShapes[] = {
    QCPScatterStyle::ssCircle, QCPScatterStyle::ssSquare, QCPScatterStyle::ssTriangle,
    QCPScatterStyle::ssTriangleInverted, QCPScatterStyle::ssDiamond};

QString numberText(double value, int digits = 7) {
  return std::isfinite(value) ? QLocale().toString(value, 'g', digits) : QString(kDash);
}

// Devices keep their coefficients in single precision: a set read back after a write differs
// from the written one in the eighth digit without anything having changed.
bool differs(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) != std::isnan(b);
  return std::abs(a - b) > 1e-6 * std::max({std::abs(a), std::abs(b), 1e-12});
}

QString instrumentText(const HistoryInstrument& id) {
  return historyFamilyText(id.family) + ", " + QString::fromStdString(id.model) + ", зав. № " +
         QString::fromStdString(id.serial);
}

QTableWidget* newTable(QWidget* parent, const char* name, const QString& accessibleName,
                       const QStringList& headers) {
  auto* table = new QTableWidget(0, int(headers.size()), parent);
  table->setObjectName(name);
  table->setAccessibleName(accessibleName);
  table->setHorizontalHeaderLabels(headers);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

void setRow(QTableWidget* table, int row, const QStringList& texts) {
  for (int column = 0; column < texts.size(); ++column)
    table->setItem(row, column, new QTableWidgetItem(texts[column]));
}

// Columns as wide as their texts, up to `widest`; the last one stretches over the rest.
void fitColumns(QTableWidget* table, int widest = 320) {
  if (table->rowCount() == 0) return;
  for (int column = 0; column + 1 < table->columnCount(); ++column) {
    table->resizeColumnToContents(column);
    table->setColumnWidth(column, std::min(table->columnWidth(column), widest));
  }
}

QStringList lineTexts(const CoefficientLine* line) {
  if (!line) return {kDash, kDash, kDash};
  return {numberText(line->a), numberText(line->b), numberText(line->f)};
}

// One line of both sets, their differences and what changed; a line only one set has shows "—"
// for the other. Changed values are bold on a yellow ground and named in the last column, so that
// the table reads the same without colour.
void setCompareRow(QTableWidget* table, int row, const CoefficientLine* x,
                   const CoefficientLine* y) {
  QStringList texts{QString::number(row + 1)};
  texts << lineTexts(x) << lineTexts(y);
  bool marked[3] = {true, true, true};
  if (x && y) {
    const double first[] = {x->a, x->b, x->f};
    const double second[] = {y->a, y->b, y->f};
    QStringList changed;
    for (int k = 0; k < 3; ++k) {
      marked[k] = differs(first[k], second[k]);
      texts << (marked[k] ? numberText(second[k] - first[k]) : QString("0"));
      if (marked[k]) changed << QString("ABF")[k];
    }
    texts << (changed.isEmpty() ? QString("нет") : changed.join(", "));
  } else {
    texts << kDash << kDash << kDash
          << (x ? "нет прямой во 2-м наборе" : "нет прямой в 1-м наборе");
  }
  setRow(table, row, texts);
  for (int k = 0; k < 3; ++k) {
    if (!marked[k]) continue;
    for (int column : {4 + k, 7 + k}) {
      QTableWidgetItem* item = table->item(row, column);
      QFont font = item->font();
      font.setBold(true);
      item->setFont(font);
      item->setBackground(QColor(255, 236, 160));
    }
  }
}

}  // namespace

HistoryInstrument instrumentOf(DeviceBase* device) {
  if (!device) return {};
  DeviceIdentity identity;
  device->getIdentity(identity);
  return {historyFamilyCode(deviceFamily(device->typeCode())), device->name(),
          formatSerialNumber(identity.serialNumber, identity.duCode)};
}

HistoryWindow::HistoryWindow(HistoryLoader loader, StoreText storeText, QWidget* parent)
    : QWidget(parent, Qt::Window), loader_(std::move(loader)), storeText_(std::move(storeText)) {
  setObjectName("HistoryWindow");
  setWindowTitle("Журнал калибровок");
  setProperty("helpKeyword", "history");
  buildControls();
  connectHandlers();
  guarded([this] { lbStore->setText(storeCaption(storeText_())); });
  showDrift();
  resize(1100, 640);
  restoreLayout();
}

HistoryWindow::~HistoryWindow() = default;

HistoryWindow* HistoryWindow::open(QWidget* from, const HistoryInstrument& instrument) {
  if (!theWindow) {
    // The main window owns the history window: a dialog it was opened from may close first.
    QWidget* owner = from ? from->window() : nullptr;
    while (owner && owner->parentWidget()) owner = owner->parentWidget()->window();
    theWindow = new HistoryWindow(
        settingsHistoryLoader(), [] { return historyStoreText(loadHistorySettings()); }, owner);
  }
  theWindow->show();
  theWindow->raise();
  theWindow->activateWindow();
  if (!instrument.serial.empty() || !instrument.family.empty())
    theWindow->showInstrument(instrument);
  return theWindow;
}

// ---- construction -------------------------------------------------------------------------------

void HistoryWindow::buildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(buildSearchRow());
  lbStatus = new QLabel(this);
  lbStatus->setObjectName("lbStatus");
  lbStatus->setWordWrap(true);
  lbStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lbStatus);

  InstrumentsPane = new QWidget(this);
  auto* instruments = new QVBoxLayout(InstrumentsPane);
  instruments->setContentsMargins(0, 0, 0, 0);
  auto* instrumentsCaption = new QLabel("&Найденные приборы:", InstrumentsPane);
  Instruments = newTable(InstrumentsPane, "Instruments", "Найденные приборы",
                         {"Тип", "Модель", "Заводской №", "Событий", "Последнее событие"});
  Instruments->setSelectionMode(QAbstractItemView::SingleSelection);
  instrumentsCaption->setBuddy(Instruments);
  instruments->addWidget(instrumentsCaption);
  instruments->addWidget(Instruments);
  InstrumentsPane->hide();

  Pages = new QTabWidget(this);
  Pages->setObjectName("Pages");
  Details = new QPlainTextEdit(Pages);
  Details->setObjectName("Details");
  Details->setAccessibleName("Подробности события");
  Details->setReadOnly(true);
  Details->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Details->setPlaceholderText("Выберите событие в списке");
  Pages->addTab(Details, "Подробности");
  Pages->addTab(buildComparePage(), "Сравнение");
  Pages->addTab(buildDriftPage(), "Дрейф погрешности");

  Splitter = new QSplitter(Qt::Vertical, this);
  Splitter->setObjectName("Splitter");
  Splitter->setChildrenCollapsible(false);
  Splitter->addWidget(InstrumentsPane);
  Splitter->addWidget(buildEventsPane());
  Splitter->addWidget(Pages);
  Splitter->setSizes({120, 240, 320});
  layout->addWidget(Splitter, 1);
  lbStore = new QLabel(this);
  lbStore->setObjectName("lbStore");
  lbStore->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lbStore);
}

QWidget* HistoryWindow::buildSearchRow() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto addField = [&](const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption, row);
    label->setBuddy(field);
    layout->addWidget(label);
    layout->addWidget(field);
  };
  edSerial = new QLineEdit(row);
  edSerial->setObjectName("edSerial");
  edSerial->setAccessibleName("Заводской номер");
  edSerial->setPlaceholderText("например, 00012345");
  edSerial->setClearButtonEnabled(true);
  edSerial->setMinimumWidth(edSerial->fontMetrics().horizontalAdvance("например, 000123456") + 40);
  addField("&Заводской №:", edSerial);
  cbFamily = new QComboBox(row);
  cbFamily->setObjectName("cbFamily");
  cbFamily->addItem("любой", QString());
  for (const char* family : {"td", "kelt", "zorb"})
    cbFamily->addItem(historyFamilyText(family), QString(family));
  addField("&Тип:", cbFamily);
  edModel = new QLineEdit(row);
  edModel->setObjectName("edModel");
  edModel->setAccessibleName("Модель");
  edModel->setPlaceholderText("любая");
  edModel->setClearButtonEnabled(true);
  addField("&Модель:", edModel);
  bnFind = new QPushButton("На&йти", row);
  bnFind->setObjectName("bnFind");
  bnFind->setToolTip("Найти события прибора (Enter в любом поле поиска)");
  layout->addWidget(bnFind);
  layout->addStretch(1);

  // Enter in any of the fields searches, the family list included.
  auto* find = new QAction(row);
  find->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  find->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  row->addAction(find);
  connect(find, &QAction::triggered, this, &HistoryWindow::search);
  return row;
}

QWidget* HistoryWindow::buildEventsPane() {
  auto* pane = new QWidget(this);
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* top = new QHBoxLayout;
  lbEvents = new QLabel("&События (новые сверху)", pane);
  lbEvents->setObjectName("lbEvents");
  top->addWidget(lbEvents, 1);
  bnCompare = new QPushButton("С&равнить", pane);
  bnCompare->setObjectName("bnCompare");
  bnCompare->setEnabled(false);
  bnCompare->setToolTip(
      "Сравнить коэффициенты двух выбранных событий (считывание, запись, аппроксимация); второе "
      "событие выбирается щелчком с Ctrl или Shift+стрелкой");
  top->addWidget(bnCompare);
  layout->addLayout(top);
  Events = newTable(pane, "Events", "События прибора",
                    {"Время", "Событие", "Пользователь", "Стенд", "Документ", "Кратко"});
  Events->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lbEvents->setBuddy(Events);
  layout->addWidget(Events);
  return pane;
}

QWidget* HistoryWindow::buildComparePage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  lbCompare = new QLabel(kCompareHint, page);
  lbCompare->setObjectName("lbCompare");
  lbCompare->setWordWrap(true);
  lbCompare->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lbCompare);
  Compare = newTable(page, "Compare", "Сравнение коэффициентов",
                     {"Прямая", "A (1)", "B (1)", "F (1)", "A (2)", "B (2)", "F (2)", "ΔA", "ΔB",
                      "ΔF", "Отличие"});
  Compare->setSelectionBehavior(QAbstractItemView::SelectItems);
  layout->addWidget(Compare);
  return page;
}

QWidget* HistoryWindow::buildDriftPage() {
  DriftStack = new QStackedWidget(this);
  lbDrift = new QLabel(DriftStack);
  lbDrift->setObjectName("lbDrift");
  lbDrift->setWordWrap(true);
  lbDrift->setAlignment(Qt::AlignCenter);
  DriftPlot = new QCustomPlot(DriftStack);
  DriftPlot->setObjectName("DriftPlot");
  DriftPlot->setAccessibleName("Дрейф средней погрешности сечений");
  DriftPlot->setMinimumHeight(160);
  // The legend goes below the axes: inside them it hides the newest points.
  auto* legendRow = new QCPLayoutGrid;
  DriftPlot->plotLayout()->addElement(1, 0, legendRow);
  DriftPlot->plotLayout()->setRowStretchFactor(1, 0.001);
  legendRow->setMargins(QMargins(5, 0, 5, 5));
  legendRow->addElement(0, 0, DriftPlot->legend);
  DriftPlot->legend->setFillOrder(QCPLegend::foColumnsFirst);
  DriftPlot->legend->setWrap(4);
  DriftPlot->legend->setVisible(true);
  DriftPlot->xAxis->setLabel("Поверка: номер и дата (пунктир — пределы допуска сечения)");
  DriftPlot->yAxis->setLabel("Погрешность, %");
  DriftPlot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  DriftStack->addWidget(lbDrift);
  DriftStack->addWidget(DriftPlot);
  return DriftStack;
}

void HistoryWindow::connectHandlers() {
  connect(bnFind, &QPushButton::clicked, this, &HistoryWindow::search);
  connect(bnCompare, &QPushButton::clicked, this,
          [this] { guarded([this] { compareSelected(); }); });
  connect(Instruments, &QTableWidget::currentCellChanged, this,
          [this](int row) { chooseInstrument(row); });
  connect(Events, &QTableWidget::itemSelectionChanged, this, [this] {
    showDetails();
    updateCompareButton();
  });
  connect(Events, &QTableWidget::currentCellChanged, this, [this] { showDetails(); });

  auto* close = new QAction(this);
  close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
  close->setShortcutContext(Qt::WindowShortcut);
  addAction(close);
  connect(close, &QAction::triggered, this, &QWidget::close);
}

void HistoryWindow::restoreLayout() {
  restoreWindowLayout(*this, *Splitter, kGeometryValue, kSplitterValue);
}

void HistoryWindow::storeLayout() {
  storeWindowLayout(*this, *Splitter, kGeometryValue, kSplitterValue);
}

void HistoryWindow::closeEvent(QCloseEvent* event) {
  storeLayout();
  QWidget::closeEvent(event);
}

// ---- searching ----------------------------------------------------------------------------------

void HistoryWindow::showInstrument(const HistoryInstrument& instrument) {
  edSerial->setText(QString::fromStdString(instrument.serial));
  const int family = cbFamily->findData(QString::fromStdString(instrument.family));
  cbFamily->setCurrentIndex(std::max(family, 0));
  edModel->setText(QString::fromStdString(instrument.model));
  search();
}

void HistoryWindow::search() {
  HistoryFilter filter;
  filter.serial = edSerial->text().trimmed().toStdString();
  filter.family = cbFamily->currentData().toString().toStdString();
  filter.model = edModel->text().trimmed().toStdString();
  filter.limit = kSearchLimit;
  if (filter.serial.empty() && filter.family.empty() && filter.model.empty()) {
    setStatus("Введите заводской номер или выберите тип прибора.", true);
    return;
  }
  const int query = ++query_;
  setStatus("Загрузка журнала…");
  QPointer<HistoryWindow> self(this);
  try {
    const QString store = storeCaption(storeText_());
    loader_(filter, [self, query, store](HistoryResult result) {
      if (self && query == self->query_) guarded([&] { self->showResult(result, store); });
    });
  } catch (const std::exception& e) {
    setStatus(QString::fromUtf8(e.what()), true);
  }
}

void HistoryWindow::showResult(const HistoryResult& result, const QString& store) {
  if (!result.error.isEmpty()) {
    setStatus(result.error, true);
    return;
  }
  lbStore->setText(store);
  found_.clear();
  for (const HistoryEvent& event : result.events) {
    auto same = [&](const Instrument& i) {
      return i.id.family == event.family && i.id.model == event.model &&
             i.id.serial == event.serial;
    };
    auto it = std::find_if(found_.begin(), found_.end(), same);
    if (it == found_.end())
      it = found_.insert(found_.end(), Instrument{{event.family, event.model, event.serial}, {}});
    it->events.push_back(event);
  }
  if (found_.empty())
    setStatus(
        "Ничего не найдено. Заводской номер вводится полностью, с ведущими нулями, как его "
        "показывает панель прибора.");
  else if (int64_t(result.events.size()) >= kSearchLimit)
    setStatus(QString("Показаны последние %1 событий, остальные не загружены: уточните поиск.")
                  .arg(kSearchLimit));
  else
    setStatus(
        QString("Найдено приборов: %1, событий: %2.").arg(found_.size()).arg(result.events.size()));
  showInstruments();
}

void HistoryWindow::showInstruments() {
  const QSignalBlocker blocker(Instruments);
  Instruments->setRowCount(int(found_.size()));
  for (size_t row = 0; row < found_.size(); ++row) {
    const Instrument& i = found_[row];
    setRow(
        Instruments, int(row),
        {historyFamilyText(i.id.family), QString::fromStdString(i.id.model),
         QString::fromStdString(i.id.serial), QString::number(i.events.size()),
         historyTimeText(i.events.front().timeMs) + ", " + historyKindText(i.events.front().kind)});
  }
  fitColumns(Instruments);
  InstrumentsPane->setVisible(found_.size() > 1);
  if (found_.size() == 1) {
    chooseInstrument(0);
    return;
  }
  Instruments->clearSelection();
  Instruments->setCurrentCell(-1, -1);
  showEvents({});
  lbEvents->setText(found_.empty() ? "&События (новые сверху)"
                                   : "&События: выберите прибор в списке выше");
}

void HistoryWindow::chooseInstrument(int row) {
  if (row < 0 || row >= int(found_.size())) return;
  showEvents(found_[size_t(row)].events);
  lbEvents->setText("&События прибора " + instrumentText(found_[size_t(row)].id) +
                    " (новые сверху)");
}

// ---- events -------------------------------------------------------------------------------------

void HistoryWindow::showEvents(std::vector<HistoryEvent> events) {
  events_ = std::move(events);
  {
    const QSignalBlocker blocker(Events);
    Events->setRowCount(int(events_.size()));
    for (size_t row = 0; row < events_.size(); ++row) {
      const HistoryEvent& e = events_[row];
      setRow(
          Events, int(row),
          {historyTimeText(e.timeMs), historyKindText(e.kind), QString::fromStdString(e.user),
           QString::fromStdString(e.bench), QString::fromStdString(e.document), eventSummary(e)});
    }
    fitColumns(Events);
  }
  Compare->setRowCount(0);
  lbCompare->setText(kCompareHint);
  if (!events_.empty()) Events->selectRow(0);
  showDetails();
  updateCompareButton();
  showDrift();
}

std::vector<int> HistoryWindow::selectedEventRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : Events->selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void HistoryWindow::showDetails() {
  const int row = Events->currentRow();
  if (row < 0 || row >= int(events_.size()) || !Events->item(row, 0)->isSelected()) {
    Details->clear();
    return;
  }
  Details->setPlainText(eventDetails(events_[size_t(row)]));
}

void HistoryWindow::updateCompareButton() {
  const std::vector<int> rows = selectedEventRows();
  bnCompare->setEnabled(rows.size() == 2 && std::all_of(rows.begin(), rows.end(), [this](int row) {
                          return eventLines(events_[size_t(row)]).has_value();
                        }));
}

void HistoryWindow::compareSelected() {
  std::vector<int> rows = selectedEventRows();
  if (rows.size() != 2) return;
  // The list is newest first: the lower row is the older set, which comes first.
  const HistoryEvent& first = events_[size_t(rows[1])];
  const HistoryEvent& second = events_[size_t(rows[0])];
  const auto a = eventLines(first);
  const auto b = eventLines(second);
  if (!a || !b) return;
  lbCompare->setText(QString("1 — %1, %2; 2 — %3, %4. Δ = 2 − 1; изменённые значения выделены и "
                             "названы в столбце «Отличие».")
                         .arg(historyKindText(first.kind), historyTimeText(first.timeMs),
                              historyKindText(second.kind), historyTimeText(second.timeMs)));
  const size_t count = std::max(a->size(), b->size());
  Compare->setRowCount(int(count));
  for (size_t i = 0; i < count; ++i)
    setCompareRow(Compare, int(i), i < a->size() ? &(*a)[i] : nullptr,
                  i < b->size() ? &(*b)[i] : nullptr);
  fitColumns(Compare);
  Pages->setCurrentIndex(1);
}

// ---- drift --------------------------------------------------------------------------------------

void HistoryWindow::showDrift() {
  const std::vector<Verification> verifications = verificationsOf(events_);
  DriftPlot->clearGraphs();
  if (verifications.size() < 2) {
    lbDrift->setText(
        events_.empty()
            ? "Выберите прибор: здесь будет график средней погрешности каждого сечения по "
              "поверкам."
            : QString("Для графика дрейфа нужны хотя бы две поверки прибора; в журнале их %1.")
                  .arg(verifications.size()));
    DriftStack->setCurrentWidget(lbDrift);
    return;
  }
  auto ticker = QSharedPointer<QCPAxisTickerText>::create();
  for (size_t i = 0; i < verifications.size(); ++i)
    ticker->addTick(double(i + 1), QString("%1\n%2").arg(i + 1).arg(
                                       historyTimeText(verifications[i].timeMs).left(10)));
  DriftPlot->xAxis->setTicker(ticker);

  const std::vector<DriftCurve> curves = driftCurves(verifications);
  for (size_t c = 0; c < curves.size(); ++c) {
    const DriftCurve& curve = curves[c];
    const QColor color = kCurveColors[c % std::size(kCurveColors)];
    QCPGraph* graph = DriftPlot->addGraph();
    graph->setName(
        QString("Сечение %1 (%2 м³/ч)").arg(curve.section).arg(numberText(curve.meanFlow, 3)));
    graph->setPen(QPen(color, 2));
    graph->setScatterStyle(
        QCPScatterStyle(kCurveShapes[c % std::size(kCurveShapes)], color, Qt::white, 8));
    QCPGraph* plus = nullptr;
    QCPGraph* minus = nullptr;
    for (const DriftPoint& p : curve.points) {
      graph->addData(p.x, p.error);
      if (!p.plus || !p.minus) continue;
      if (!plus) {
        QPen dashed(color, 1, Qt::DashLine);
        for (QCPGraph** limit : {&plus, &minus}) {
          *limit = DriftPlot->addGraph();
          (*limit)->setPen(dashed);
          (*limit)->removeFromLegend();
        }
        plus->setName(graph->name() + ": +предел");
        minus->setName(graph->name() + ": −предел");
      }
      plus->addData(p.x, *p.plus);
      minus->addData(p.x, -*p.minus);
    }
  }
  DriftPlot->rescaleAxes();
  DriftPlot->xAxis->setRange(0.5, double(verifications.size()) + 0.5);
  const QCPRange y = DriftPlot->yAxis->range();
  const double margin = std::max(y.size() * 0.1, 0.05);
  DriftPlot->yAxis->setRange(std::min(y.lower, 0.0) - margin, std::max(y.upper, 0.0) + margin);
  DriftStack->setCurrentWidget(DriftPlot);
  DriftPlot->replot(QCustomPlot::rpQueuedReplot);
}

void HistoryWindow::setStatus(const QString& text, bool failed) {
  lbStatus->setText(text);
  lbStatus->setStyleSheet(failed ? "color: #b00000; font-weight: bold" : QString());
}

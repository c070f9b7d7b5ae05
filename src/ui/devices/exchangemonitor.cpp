#include "ui/devices/exchangemonitor.h"

#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <ostream>

#include "core/storage/atomicfile.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"

using comprt::FrameCheck;
using comprt::FrameFamily;

ExchangeModel::ExchangeModel(std::size_t limit, QObject* parent)
    : QAbstractTableModel(parent), limit_(std::max<std::size_t>(limit, 1)) {}

void ExchangeModel::append(std::vector<ExchangeLine> lines) {
  if (lines.empty()) return;
  // Lines that would give way within the same batch are never shown.
  if (lines.size() > limit_) lines.erase(lines.begin(), lines.end() - static_cast<long>(limit_));
  const std::size_t total = lines_.size() + lines.size();
  if (total > limit_) dropOldest(total - limit_);
  std::uint64_t number = firstNumber_ + lines_.size();
  std::vector<std::uint64_t> accepted;
  for (ExchangeLine& line : lines) {
    if (accepts(line.frame)) accepted.push_back(number);
    lines_.push_back(std::move(line));
    ++number;
  }
  if (accepted.empty()) return;
  const int first = static_cast<int>(shown_.size());
  beginInsertRows({}, first, first + static_cast<int>(accepted.size()) - 1);
  shown_.insert(shown_.end(), accepted.begin(), accepted.end());
  endInsertRows();
}

void ExchangeModel::dropOldest(std::size_t count) {
  lines_.erase(lines_.begin(), lines_.begin() + static_cast<long>(count));
  firstNumber_ += count;
  const auto kept = std::lower_bound(shown_.begin(), shown_.end(), firstNumber_);
  const auto gone = static_cast<int>(kept - shown_.begin());
  if (gone == 0) return;
  beginRemoveRows({}, 0, gone - 1);
  shown_.erase(shown_.begin(), kept);
  endRemoveRows();
}

void ExchangeModel::clear() {
  beginResetModel();
  firstNumber_ += lines_.size();
  lines_.clear();
  shown_.clear();
  endResetModel();
}

void ExchangeModel::setFilter(const std::string& port, FrameFamily family) {
  beginResetModel();
  port_ = port;
  family_ = family;
  shown_.clear();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (accepts(lines_[i].frame)) shown_.push_back(firstNumber_ + i);
  }
  endResetModel();
}

bool ExchangeModel::accepts(const comprt::ExchangeFrame& frame) const {
  return (port_.empty() || frame.port == port_) &&
         (family_ == FrameFamily::unknown || frame.family == family_);
}

const ExchangeLine& ExchangeModel::line(int row) const {
  return lines_[static_cast<std::size_t>(shown_[static_cast<std::size_t>(row)] - firstNumber_)];
}

int ExchangeModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int ExchangeModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : EC_COUNT;
}

QVariant ExchangeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const ExchangeLine& l = line(index.row());
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    return QString::fromStdString(exchangeColumnText(l, index.column()));
  }
  if (role == Qt::ForegroundRole && l.meaning.check == FrameCheck::bad) {
    return QBrush(Qt::darkRed);
  }
  return {};
}

QVariant ExchangeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return QString::fromUtf8(exchangeColumnTitle(section));
}

namespace {

constexpr FrameFamily kFamilies[] = {FrameFamily::td, FrameFamily::kelt, FrameFamily::zorb,
                                     FrameFamily::rm23};
constexpr char kAll[] = "все";
// Settings: where the window was and how the user laid out the columns.
constexpr char kGeometryValue[] = "MonitorGeometry";
constexpr char kColumnsValue[] = "MonitorColumns";

QPointer<ExchangeMonitor> theMonitor;

QString defaultSaveFile(QWidget* parent) {
  return QFileDialog::getSaveFileName(parent, "Сохранить журнал обмена", "обмен.txt",
                                      "Текст (*.txt);;CSV файл (*.csv)");
}

}  // namespace

ExchangeMonitor::ExchangeMonitor(QWidget* parent, std::size_t historyLimit)
    : QWidget(parent, Qt::Window), chooseSaveFile_(defaultSaveFile) {
  setObjectName("ExchangeMonitor");
  setWindowTitle("Монитор обмена");
  setProperty("helpKeyword", "monitor");
  model_ = new ExchangeModel(historyLimit, this);
  buildControls();
  connectHandlers();
  resize(1180, 520);
  restoreLayout();
}

void ExchangeMonitor::restoreLayout() {
  guarded([this] {
    RegKey key;
    key.create(kProgramKey);
    restoreGeometry(QByteArray::fromBase64(key.readString(kGeometryValue).toLatin1()));
    View->horizontalHeader()->restoreState(
        QByteArray::fromBase64(key.readString(kColumnsValue).toLatin1()));
  });
}

void ExchangeMonitor::storeLayout() {
  guarded([this] {
    RegKey key;
    key.create(kProgramKey);
    key.writeString(kGeometryValue, QString::fromLatin1(saveGeometry().toBase64()));
    key.writeString(kColumnsValue,
                    QString::fromLatin1(View->horizontalHeader()->saveState().toBase64()));
  });
}

ExchangeMonitor::~ExchangeMonitor() = default;

ExchangeMonitor* ExchangeMonitor::open(QWidget* from) {
  if (!theMonitor) {
    // The program's main window owns the monitor: a dialog it was opened from may close first.
    QWidget* owner = from ? from->window() : nullptr;
    while (owner && owner->parentWidget()) owner = owner->parentWidget()->window();
    theMonitor = new ExchangeMonitor(owner);
  }
  theMonitor->show();
  theMonitor->raise();
  theMonitor->activateWindow();
  return theMonitor;
}

void ExchangeMonitor::buildControls() {
  auto* portLabel = new QLabel("&Порт:", this);
  cbPort = new QComboBox(this);
  cbPort->setObjectName("cbPort");
  cbPort->addItem(kAll);
  cbPort->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  portLabel->setBuddy(cbPort);
  auto* familyLabel = new QLabel("П&рибор:", this);
  cbFamily = new QComboBox(this);
  cbFamily->setObjectName("cbFamily");
  cbFamily->addItem(kAll, int(FrameFamily::unknown));
  for (FrameFamily family : kFamilies) cbFamily->addItem(frameFamilyName(family), int(family));
  familyLabel->setBuddy(cbFamily);

  bnPause = new QPushButton("П&ауза", this);
  bnPause->setObjectName("bnPause");
  bnPause->setCheckable(true);
  bnPause->setToolTip("Пока нажата, новые кадры не записываются");
  bnClear = new QPushButton("&Очистить", this);
  bnClear->setObjectName("bnClear");
  bnCopy = new QPushButton("&Копировать", this);
  bnCopy->setObjectName("bnCopy");
  bnCopy->setToolTip("Копировать выделенные строки (Ctrl+C)");
  bnSave = new QPushButton("&Сохранить…", this);
  bnSave->setObjectName("bnSave");
  lbDropped = new QLabel(this);
  lbDropped->setObjectName("lbDropped");

  auto* bar = new QHBoxLayout;
  bar->addWidget(portLabel);
  bar->addWidget(cbPort);
  bar->addWidget(familyLabel);
  bar->addWidget(cbFamily);
  bar->addSpacing(12);
  for (QPushButton* b : {bnPause, bnClear, bnCopy, bnSave}) bar->addWidget(b);
  bar->addStretch(1);
  bar->addWidget(lbDropped);

  View = new QTableView(this);
  View->setObjectName("View");
  View->setAccessibleName("Кадры обмена");
  View->setModel(model_);
  View->setSelectionBehavior(QAbstractItemView::SelectRows);
  View->setSelectionMode(QAbstractItemView::ExtendedSelection);
  View->setWordWrap(false);
  // Eliding measures every text; clipping the long ones costs nothing and hides nothing the tool
  // tip does not show.
  View->setTextElideMode(Qt::ElideNone);
  View->verticalHeader()->setVisible(false);
  // Fixed row heights spare the view from measuring every new row.
  View->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  View->verticalHeader()->setDefaultSectionSize(View->fontMetrics().height() + 4);
  QHeaderView* header = View->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  // The meaning takes what the others leave, so the check and the latency stay in view.
  const int widths[EC_COUNT] = {165, 120, 50, 90, 230, 0, 110, 105};
  for (int c = 0; c < EC_COUNT; ++c)
    if (widths[c] > 0) View->setColumnWidth(c, widths[c]);
  header->setSectionResizeMode(EC_MEANING, QHeaderView::Stretch);
  header->setMinimumSectionSize(40);

  // Ctrl+C is taken from the view's own keys (see eventFilter); the action only shows it.
  auto* copy = new QAction("Копировать", View);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  View->addAction(copy);
  View->installEventFilter(this);
  View->setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(copy, &QAction::triggered, this, [this] { copySelection(); });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(View, 1);

  RefreshTimer = new QTimer(this);
  RefreshTimer->setInterval(kRefreshMs);
}

void ExchangeMonitor::connectHandlers() {
  connect(RefreshTimer, &QTimer::timeout, this, [this] { guarded([this] { refresh(); }); });
  connect(bnPause, &QPushButton::toggled, this, [this](bool on) { pauseToggled(on); });
  connect(bnClear, &QPushButton::clicked, this, [this] { clearRows(); });
  connect(bnCopy, &QPushButton::clicked, this, [this] { copySelection(); });
  connect(bnSave, &QPushButton::clicked, this, [this] { guarded([this] { saveChosen(); }); });
  connect(cbPort, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
  connect(cbFamily, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
}

// The view would copy only its current cell on Ctrl+C; the monitor copies the selected rows.
bool ExchangeMonitor::eventFilter(QObject* watched, QEvent* event) {
  const bool copyKey =
      (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy);
  if (watched != View || !copyKey) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) copySelection();
  event->accept();
  return true;
}

void ExchangeMonitor::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  listen(!bnPause->isChecked());
}

void ExchangeMonitor::hideEvent(QHideEvent* event) {
  listen(false);
  storeLayout();
  QWidget::hideEvent(event);
}

// The ports record only while the monitor listens; what waits in the tap is taken before the
// listening stops, so no frame of the time before is lost.
void ExchangeMonitor::listen(bool on) {
  if (on == bool(listener_)) return;
  if (on) {
    listener_ = std::make_unique<comprt::FrameListener>();
    RefreshTimer->start();
  } else {
    RefreshTimer->stop();
    refresh();
    listener_.reset();
  }
}

void ExchangeMonitor::pauseToggled(bool paused) { listen(!paused && isVisible()); }

void ExchangeMonitor::refresh() {
  std::vector<comprt::ExchangeFrame> frames;
  dropped_ += comprt::FrameTap::instance().take(frames);
  if (frames.empty()) return showDropped();
  std::vector<ExchangeLine> lines;
  lines.reserve(frames.size());
  for (comprt::ExchangeFrame& frame : frames) {
    addPortChoice(frame.port);
    lines.push_back(decoder_.decode(std::move(frame)));
  }
  // Follows the newest rows only while the user has not scrolled away from them.
  QScrollBar* scroll = View->verticalScrollBar();
  const bool atEnd = scroll->value() == scroll->maximum();
  model_->append(std::move(lines));
  if (atEnd) View->scrollToBottom();
  showDropped();
}

void ExchangeMonitor::showDropped() {
  lbDropped->setText(dropped_ == 0 ? QString()
                                   : QString("Пропущено кадров: %1").arg(qulonglong(dropped_)));
}

void ExchangeMonitor::addPortChoice(const std::string& port) {
  const QString name = QString::fromStdString(port);
  if (cbPort->findText(name) < 0) cbPort->addItem(name);
}

void ExchangeMonitor::applyFilter() {
  model_->setFilter(
      cbPort->currentIndex() <= 0 ? std::string() : cbPort->currentText().toStdString(),
      static_cast<FrameFamily>(cbFamily->currentData().toInt()));
}

void ExchangeMonitor::clearRows() {
  std::vector<comprt::ExchangeFrame> waiting;
  comprt::FrameTap::instance().take(waiting);
  model_->clear();
  dropped_ = 0;
  showDropped();
}

QString ExchangeMonitor::selectedText() const {
  QModelIndexList rows = View->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::string text;
  for (const QModelIndex& row : rows) {
    text += exchangeTextLine(model_->line(row.row()));
  }
  return QString::fromStdString(text);
}

void ExchangeMonitor::copySelection() {
  const QString text = selectedText();
  if (text.isEmpty()) return;
  QApplication::clipboard()->setText(text);
}

void ExchangeMonitor::setSaveDialog(ChooseSaveFile choose) {
  chooseSaveFile_ = choose ? std::move(choose) : ChooseSaveFile(defaultSaveFile);
}

void ExchangeMonitor::saveChosen() {
  const QString path = chooseSaveFile_(this);
  if (path.isEmpty()) return;
  saveTo(path);
  logMessage("Журнал обмена сохранён в " + path);
}

void ExchangeMonitor::saveTo(const QString& path) {
  const bool csv = path.endsWith(".csv", Qt::CaseInsensitive);
  files::writeFileAtomically(path.toStdString(), [&](std::ostream& out) {
    out << (csv ? exchangeCsvHeader() : exchangeTextHeader());
    for (int row = 0; row < model_->rowCount(); ++row) {
      const ExchangeLine& line = model_->line(row);
      out << (csv ? exchangeCsvLine(line) : exchangeTextLine(line));
    }
  });  // can throw
}

QPushButton* exchangeMonitorButton(QWidget* parent) {
  auto* button = new QPushButton("Монитор обмена", parent);
  button->setObjectName("bnMonitor");
  button->setToolTip("Показать кадры обмена с приборами");
  QObject::connect(button, &QPushButton::clicked, button,
                   [button] { ExchangeMonitor::open(button); });
  return button;
}

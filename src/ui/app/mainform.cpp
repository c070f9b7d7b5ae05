#include "ui/app/mainform.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/devices/devicetypes.h"
#include "core/package/approxstate.h"
#include "ui/app/about.h"
#include "ui/app/console.h"
#include "ui/app/devicefactory.h"
#include "ui/app/doccreate.h"
#include "ui/app/documentcommands.h"
#include "ui/app/help.h"
#include "ui/app/recentdocuments.h"
#include "ui/app/sharedcommands.h"
#include "ui/app/tablebinding.h"
#include "ui/base/messageboxes.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/base/windowlayout.h"
#include "ui/devices/exchangemonitor.h"
#include "ui/graphs/tservicegraph.h"
#include "ui/history/documenthistory.h"
#include "ui/history/historyrecorder.h"
#include "ui/history/historysettings.h"
#include "ui/history/historysettingsdlg.h"
#include "ui/history/historywindow.h"
#include "ui/package/approptions.h"
#include "ui/package/linesview.h"
#include "ui/package/packagecreatedlg.h"
#include "ui/package/toleranceprofiles.h"
#include "ui/package/toleranceprofilesdlg.h"
#include "ui/package/tsectionselect.h"
#include "ui/package/verdictbar.h"
#include "ui/storage/csvoptions.h"
#include "ui/storage/reportlaunch.h"
#include "ui/widgets/goodtable.h"

namespace {

const QString kCaptionPrefix = QStringLiteral("ТайдМарк-Cервис [");  // the C is Latin

// A toolbar picture: the desktop theme's where it has one, our own otherwise.
QIcon actionIcon(const char* file, const char* theme = nullptr) {
  const QIcon own(QStringLiteral(":/icons/%1.png").arg(file));
  return theme ? QIcon::fromTheme(theme, own) : own;
}

const QString kGeometryValue = QStringLiteral("MainWindowGeometry");
const QString kSplitterValue = QStringLiteral("MainWindowSplitter");

// A status bar text that never widens the window: what does not fit is elided, the whole text
// is the tool tip.
class StatusText : public QLabel {
 public:
  StatusText(Qt::TextElideMode mode, const QString& accessibleName) : mode_(mode) {
    setAccessibleName(accessibleName);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  }
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), mode_, area.width()));
  }

 private:
  Qt::TextElideMode mode_;
};

void showStatusText(QLabel* label, const QString& text) {
  label->setText(text);
  label->setToolTip(text);
}

template <class Widget>
Widget* createdOnce(Widget*& widget, QWidget* parent) {
  if (!widget) widget = new Widget(parent);
  return widget;
}

// The package shown on a tab; none on the device tab.
PackagePtr packageOfTab(const Document& doc, int tab) {
  const bool package = tab > 0 && tab <= static_cast<int>(doc.packages.size());
  return package ? doc.packages[tab - 1] : nullptr;
}

}  // namespace

// The pictures live in the UI library; a static library's resources must be named to be linked.
static void initResources() { Q_INIT_RESOURCE(app); }

TMainForm::TMainForm(const QStringList& arguments, Seams seams, QWidget* parent)
    : QMainWindow(parent), seams_(std::move(seams)), rm23Input_(this, [this] {
        bindTable();
        updateActions();
      }) {
  initResources();
  fillDefaultSeams();
  recordHistory();
  commands_ = std::make_unique<DocumentCommands>(
      *this, seams_.reportPath.isEmpty() ? defaultReportPath() : seams_.reportPath);
  setProperty("helpKeyword", "Overview");
  createActions();
  createMenus();
  createToolBar();
  createClientArea();
  createStatusBar();
  placeWindow();
  refreshRecentDocuments();

  updateActions();
  setDocumentName(QString());
  commands_->openCommandLineDocument(arguments);

  help_ = new THelp(seams_.helpFolder, seams_.openUrl, this);
  qApp->installEventFilter(help_);
}

TMainForm::~TMainForm() { closeDocument(doc_); }

void TMainForm::fillDefaultSeams() {
  if (!seams_.createDevice) seams_.createDevice = &createDevice;
  if (!seams_.chooseOpenFile) seams_.chooseOpenFile = chooseOpenFileDialog;
  if (!seams_.chooseSaveFile) seams_.chooseSaveFile = chooseSaveFileDialog;
  if (!seams_.execDialog) seams_.execDialog = [](QDialog& dialog) { return dialog.exec(); };
  if (!seams_.openUrl) seams_.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  if (seams_.helpFolder.isEmpty()) seams_.helpFolder = THelp::defaultFolder();
  if (!seams_.openReport) seams_.openReport = openInBrowser;
  if (!seams_.choosePdfFile)
    seams_.choosePdfFile = [](QWidget* parent, const QString& proposed) {
      return QFileDialog::getSaveFileName(parent, "Отчёт в PDF", proposed, "Документы PDF (*.pdf)");
    };
  if (!seams_.chooseSections)
    seams_.chooseSections = [this](SPILT_STRUCT& series) {
      return SectionSelect()->choose(series);
    };
}

// The events go to the store of the settings; every device the window creates tells it of its
// panel's reads and writes.
void TMainForm::recordHistory() {
  const HistorySettings settings = loadHistorySettings();
  history_ = std::make_unique<DocumentHistory>(
      *new HistoryRecorder(historyLocation(settings), historyStoreText(settings), this));
  seams_.createDevice = [this, create = seams_.createDevice](int typeCode, QWidget* parent) {
    std::unique_ptr<DeviceBase> device = create(typeCode, parent);
    if (device)
      device->setExchangeListener(
          [this](DeviceBase& d, DeviceExchange exchange, const WriteCheck* check) {
            guarded([&] { history_->exchange(doc_, d, exchange, check); });
          });
    return device;
  };
}

// ---- construction ------------------------------------------------------------------------------

void TMainForm::createActions() {
  auto make = [this](const QString& caption, const QKeySequence& key, const QIcon& icon = {}) {
    auto* action = new QAction(icon, caption, this);
    action->setShortcut(key);
    action->setStatusTip(caption);
    return action;
  };
  ActionNew = make("Новый", QKeySequence("Ctrl+N"), actionIcon("new", "document-new"));
  ActionOpen = make("Открыть", QKeySequence("Ctrl+O"), actionIcon("open", "document-open"));
  ActionSave = make("Сохранить", QKeySequence("Ctrl+S"), actionIcon("save", "document-save"));
  ActionNewPackage = make("Новый пакет", QKeySequence("Ctrl+F7"), actionIcon("newpackage"));
  ActionDeletePackage = make("Удалить пакет", QKeySequence("Ctrl+F8"), actionIcon("deletepackage"));
  ActionNewEntry = make("Новое измерение", QKeySequence("F7"), actionIcon("newentry", "list-add"));
  ActionNewEntryReadCode = make("Ввод из ТД", {}, actionIcon("readcode"));
  ActionDeleteEntry =
      make("Удалить измерение", QKeySequence("F8"), actionIcon("deleteentry", "list-remove"));
  ActionReport = make("Отчёт", QKeySequence("Ctrl+R"), actionIcon("report"));
  ActionReportPdf = make("Отчёт в PDF", QKeySequence("Ctrl+Shift+R"));
  ActionPrintReport = make("Печать протокола...", {});
  ActionProfiles = make("Профили допусков...", {});
  ActionApprOptions =
      make("Параметры аппроксимации", QKeySequence("Ctrl+P"), actionIcon("apprsettings"));
  ActionSetPoints = make("Расставить точки", {}, actionIcon("setpoints"));
  ActionAppr = make("Аппроксимация", QKeySequence("Ctrl+A"), actionIcon("appr"));
  ActionLines = make("Коэффициенты", QKeySequence("Ctrl+K"), actionIcon("lines"));
  ActionGraphics = make("Графики", QKeySequence("Ctrl+G"), actionIcon("graphics"));
  // Ctrl+I belongs to this command; the import menu item has no key (see the README).
  ActionNewEntryRM = make("Ввод с РМ-2.3", QKeySequence("Ctrl+I"));
  ActionNewEntryRM->setStatusTip({});

  NSaveAs = make("Сохранить как...", {});
  NClose = make("Закрыть", QKeySequence("Ctrl+F4"));
  NExit = make("Выход", {});
  NExport = make("Экспорт в текстовый файл", QKeySequence("Ctrl+E"));
  NImport = make("Импорт из текстового файла", {});
  NHelp = make("Справка", {});
  NAbout = make("О программе", {});
  NMonitor = make("Монитор обмена", QKeySequence("Ctrl+M"));
  NHistory = make("Журнал калибровок...", QKeySequence("Ctrl+H"));
  NHistorySettings = make("Настройки журнала калибровок...", {});

  connectCommand(ActionNew, [this] { commands_->ActionNewExecute(); });
  connectCommand(ActionOpen, [this] { commands_->ActionOpenExecute(); });
  connectCommand(ActionSave, [this] { commands_->ActionSaveExecute(); });
  connectCommand(NSaveAs, [this] { commands_->NSaveAsClick(); });
  connectCommand(NClose, [this] { commands_->NCloseClick(); });
  connectCommand(NExit, [this] { NExitClick(); });
  connectCommand(ActionNewPackage, [this] { commands_->ActionNewPackageExecute(); });
  connectCommand(ActionDeletePackage, [this] { commands_->ActionDeletePackageExecute(); });
  connectCommand(ActionNewEntry, [this] { commands_->ActionNewEntryExecute(); });
  connectCommand(ActionNewEntryReadCode, [this] { commands_->ActionNewEntryReadCodeExecute(); });
  connectCommand(ActionDeleteEntry, [this] { commands_->ActionDeleteEntryExecute(); });
  connectCommand(ActionAppr, [this] { commands_->ActionApprExecute(); });
  connectCommand(ActionApprOptions, [this] { ActionApprOptionsExecute(); });
  connectCommand(ActionSetPoints, [this] { commands_->ActionSetPointsExecute(); });
  connectCommand(ActionLines, [this] { ActionLinesExecute(); });
  connectCommand(ActionReport, [this] { commands_->ActionReportExecute(); });
  connectCommand(ActionReportPdf, [this] { commands_->ActionReportPdfExecute(); });
  connectCommand(ActionPrintReport, [this] { commands_->ActionPrintReportExecute(); });
  connectCommand(ActionProfiles, [this] { ActionProfilesExecute(); });
  connectCommand(NExport, [this] { commands_->NExportClick(true); });
  connectCommand(NImport, [this] { commands_->NExportClick(false); });
  connectCommand(ActionGraphics, [this] { commands_->ActionGraphicsExecute(); });
  connectCommand(ActionNewEntryRM, [this] { ActionNewEntryRMExecute(); });
  connectCommand(NHelp, [this] { NHelpClick(); });
  connectCommand(NAbout, [this] { NAboutClick(); });
  connectCommand(NMonitor, [this] { ExchangeMonitor::open(this); });
  connectCommand(NHistory, [this] { HistoryWindow::open(this, instrumentOf(doc_.device.get())); });
  connectCommand(NHistorySettings, [this] { NHistorySettingsClick(); });
}

// Every command runs through the guard, so a failure becomes one console line, and the actions'
// enabling follows whatever state the command left behind, finished or not.
void TMainForm::connectCommand(QAction* action, std::function<void()> command) {
  connect(action, &QAction::triggered, this, [this, command = std::move(command)] {
    guarded(command);
    updateActions();
  });
}

void TMainForm::createMenus() {
  QMenu* file = menuBar()->addMenu("Файл");
  file->addActions({ActionNew, ActionOpen, ActionSave, NSaveAs, NClose});
  file->addSeparator();
  NRecent = file->addMenu("Последние документы");
  file->addSeparator();
  file->addAction(NExit);

  QMenu* packages = menuBar()->addMenu("Пакеты");
  packages->addActions({ActionNewPackage, ActionDeletePackage, ActionNewEntry,
                        ActionNewEntryReadCode, ActionDeleteEntry, ActionNewEntryRM});
  packages->addSeparator();
  packages->addActions({ActionReport, ActionReportPdf, ActionPrintReport, ActionProfiles});
  packages->addSeparator();
  packages->addActions({NExport, NImport});

  QMenu* approximation = menuBar()->addMenu("Аппроксимация");
  approximation->addActions(
      {ActionApprOptions, ActionSetPoints, ActionAppr, ActionLines, ActionGraphics});

  NPages = menuBar()->addMenu("Страницы");
  NPages->setEnabled(false);
  pagesGroup_ = new QActionGroup(this);
  pagesGroup_->setExclusive(true);

  QMenu* service = menuBar()->addMenu("Сервис");
  service->addActions({NMonitor, NHistory, NHistorySettings});

  QMenu* help = menuBar()->addMenu("Справка");
  help->addActions({NHelp, NAbout});
}

void TMainForm::createToolBar() {
  ToolBar1 = addToolBar("Панель инструментов");
  ToolBar1->setObjectName("ToolBar1");
  ToolBar1->setMovable(false);
  ToolBar1->setIconSize(QSize(16, 16));
  ToolBar1->addActions({ActionNew, ActionOpen, ActionSave});
  ToolBar1->addSeparator();
  ToolBar1->addActions({ActionNewPackage, ActionDeletePackage, ActionNewEntryReadCode,
                        ActionNewEntry, ActionDeleteEntry});
  ToolBar1->addSeparator();
  ToolBar1->addAction(ActionReport);
  ToolBar1->addSeparator();
  ToolBar1->addActions(
      {ActionApprOptions, ActionSetPoints, ActionAppr, ActionLines, ActionGraphics});
  ToolBar1->addSeparator();
}

void TMainForm::createClientArea() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  TabControl = new QTabBar(central);
  TabControl->setAccessibleName("Страницы документа");
  TabControl->setExpanding(false);
  TabControl->setDrawBase(true);
  connect(TabControl, &QTabBar::currentChanged, this,
          [this] { guarded([this] { TabControlChange(); }); });

  Splitter1 = new QSplitter(Qt::Vertical, central);
  Splitter1->setHandleWidth(3);
  Splitter1->setChildrenCollapsible(false);

  // A panel larger than the window scrolls inside its page instead of setting the window's
  // minimum size; the table fills the page and scrolls by itself.
  PageScroll = new QScrollArea(Splitter1);
  PageScroll->setWidgetResizable(true);
  PageScroll->setFrameShape(QFrame::NoFrame);
  PageScroll->setFocusPolicy(Qt::NoFocus);  // no tab stop of its own; it follows the focus
  PageArea = new QWidget;
  auto* pageLayout = new QVBoxLayout(PageArea);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  StartPage = createStartPage(PageArea);
  pageLayout->addWidget(StartPage);
  VerdictLine = new VerdictBar(PageArea);
  VerdictLine->hide();
  pageLayout->addWidget(VerdictLine);
  Table = new TGoodTable(PageArea);
  Table->setAccessibleName("Таблица измерений");
  Table->hide();
  pageLayout->addWidget(Table);
  tableBinding_ = new TableBinding(Table);
  tableBinding_->onVerdict = [this](const PackageVerdict* v) { VerdictLine->showVerdict(v); };
  VerdictLine->onProfileChanged = [this] { applyProfile(); };
  VerdictLine->onEditProfiles = [this] {
    guarded([this] { ActionProfilesExecute(); });
    updateActions();
  };

  TablePopupMenu = new QMenu(this);
  TablePopupMenu->addActions({ActionNewEntry, ActionDeleteEntry});
  Table->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Table, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    TablePopupMenu->popup(Table->viewport()->mapToGlobal(pos));
  });

  PageScroll->setWidget(PageArea);
  Console = new MessageConsole(Splitter1);

  Splitter1->addWidget(PageScroll);
  Splitter1->addWidget(Console);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setSizes({10000, Console->heightForLines(4)});

  layout->addWidget(TabControl);
  layout->addWidget(Splitter1, 1);
  setCentralWidget(central);
}

// What to do first, while no document is open.
QWidget* TMainForm::createStartPage(QWidget* parent) {
  auto* page = new QWidget(parent);
  auto* title = new QLabel("Документ не открыт", page);
  QFont titleFont = title->font();
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
  titleFont.setBold(true);
  title->setFont(titleFont);
  auto* hint = new QLabel(
      "Создайте новый документ для прибора или откройте сохранённый документ (*.srv).", page);
  hint->setWordWrap(true);

  bnStartNew = new QPushButton(ActionNew->icon(), "Создать", page);
  bnStartOpen = new QPushButton(ActionOpen->icon(), "Открыть", page);
  connect(bnStartNew, &QPushButton::clicked, ActionNew, &QAction::trigger);
  connect(bnStartOpen, &QPushButton::clicked, ActionOpen, &QAction::trigger);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bnStartNew);
  buttons->addWidget(bnStartOpen);
  buttons->addStretch();

  lbRecent = new QListWidget(page);
  lbRecent->setAccessibleName("Последние документы");
  lbRecentCaption_ = new QLabel("Последние документы:", page);
  lbRecentCaption_->setBuddy(lbRecent);
  // Queued: opening rebuilds the list whose signal is running. The page is hidden while a
  // document is open, so the second click of a double click opens nothing more.
  const auto openItem = [this](QListWidgetItem* item) {
    const QString path = item->data(Qt::UserRole).toString();
    QMetaObject::invokeMethod(
        this,
        [this, path] {
          if (!doc_.isOpen()) openRecent(path);
        },
        Qt::QueuedConnection);
  };
  connect(lbRecent, &QListWidget::itemClicked, this, openItem);
  connect(lbRecent, &QListWidget::itemActivated, this, openItem);

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(24, 24, 24, 24);
  layout->addWidget(title);
  layout->addWidget(hint);
  layout->addLayout(buttons);
  layout->addSpacing(12);
  layout->addWidget(lbRecentCaption_);
  layout->addWidget(lbRecent, 1);
  layout->addStretch();
  return page;
}

void TMainForm::createStatusBar() {
  lbStatusMessage = new StatusText(Qt::ElideRight, "Последнее сообщение");
  lbDocumentState = new StatusText(Qt::ElideMiddle, "Документ");
  lbPortState = new QLabel;
  lbPortState->setAccessibleName("Порт прибора");
  statusBar()->addWidget(lbStatusMessage, 1);
  statusBar()->addPermanentWidget(lbDocumentState, 1);
  statusBar()->addPermanentWidget(lbPortState);
  connect(Console, &QPlainTextEdit::textChanged, this,
          [this] { showStatusText(lbStatusMessage, Console->lastLine()); });
  // The panels tell nobody when their port opens or closes; asking is cheap.
  portTimer_ = new QTimer(this);
  portTimer_->setInterval(500);
  connect(portTimer_, &QTimer::timeout, this, &TMainForm::updatePortState);
  portTimer_->start();
}

// The window opens where it was left, at most as large as the screen's free area, and on it.
void TMainForm::placeWindow() {
  resize(725, 519 + menuBar()->sizeHint().height());
  const bool restored = restoreWindowLayout(*this, *Splitter1, kGeometryValue, kSplitterValue);
  const QScreen* screen = this->screen();
  if (!screen || isMaximized()) return;
  // The window manager's frame is not known before the window is shown; the style's title bar
  // and frame stand in for it.
  const int border = 2 * style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
  const QSize frame(border, border + style()->pixelMetric(QStyle::PM_TitleBarHeight));
  const QRect area = screen->availableGeometry();
  resize(size().boundedTo(area.size() - frame));
  const QRect outline(pos(), size() + frame);
  if (!restored || !area.contains(outline))
    move(area.center() - outline.center() + outline.topLeft());
}

void TMainForm::storeWindowState() {
  storeWindowLayout(*this, *Splitter1, kGeometryValue, kSplitterValue);
}

// ---- state shown -------------------------------------------------------------------------------

void TMainForm::setDocumentName(const QString& name) {
  doc_.fileName = QFile::encodeName(name).toStdString();
  setWindowTitle(kCaptionPrefix + name + "]");
  fileState_.clear();
  updateStatus();
}

void TMainForm::setFileState(const QString& state) {
  fileState_ = state;
  updateStatus();
}

// Only what is known: the program keeps no "modified" flag, so the state says when the file was
// last opened or saved, not whether the document still matches it.
void TMainForm::updateStatus() {
  QString text = QStringLiteral("Документ не открыт");
  if (doc_.isOpen() && doc_.fileName.empty()) {
    text = QStringLiteral("Новый документ, в файл не сохранён");
  } else if (doc_.isOpen()) {
    text = QDir::toNativeSeparators(QFile::decodeName(doc_.fileName.c_str()));
    if (!fileState_.isEmpty()) text += " — " + fileState_;
  }
  showStatusText(lbDocumentState, text);
  updatePortState();
}

void TMainForm::updatePortState() {
  const std::optional<bool> open = doc_.device ? doc_.device->portOpen() : std::nullopt;
  lbPortState->setVisible(open.has_value());
  if (open) lbPortState->setText(*open ? "Порт открыт" : "Порт закрыт");
}

void TMainForm::refreshRecentDocuments() {
  QStringList paths;
  guarded([&] { paths = RecentDocuments::load(); });
  NRecent->clear();
  lbRecent->clear();
  for (int i = 0; i < paths.size(); ++i) {
    const QString& path = paths[i];
    const QString shown = QDir::toNativeSeparators(path);
    // An ampersand of the path is shown as such, not taken for a menu key.
    QAction* item = NRecent->addAction(
        QStringLiteral("&%1 %2").arg(i + 1).arg(QString(shown).replace('&', "&&")));
    // Queued: opening rebuilds this menu while its item is being triggered.
    connect(
        item, &QAction::triggered, this, [this, path] { openRecent(path); }, Qt::QueuedConnection);
    auto* row = new QListWidgetItem(shown, lbRecent);
    row->setData(Qt::UserRole, path);
    row->setToolTip(shown);
  }
  NRecent->setEnabled(!paths.isEmpty());
  lbRecent->setVisible(!paths.isEmpty());
  lbRecentCaption_->setVisible(!paths.isEmpty());
  if (!paths.isEmpty()) lbRecent->setCurrentRow(0);
}

void TMainForm::openRecent(const QString& path) {
  guarded([&] { commands_->openRecentDocument(path); });
  updateActions();
}

int TMainForm::tab() const { return TabControl->currentIndex(); }

PackageBase* TMainForm::selectedPackage() const { return packageOfTab(doc_, tab()).get(); }

void TMainForm::updateActions() {
  const int t = tab();
  const PackageBase* package = selectedPackage();
  const bool calibration = package && package->kind == pkCalibration;
  const int typeCode = doc_.device ? doc_.device->typeCode() : -1;

  for (QAction* a : {ActionSave, ActionNewPackage, ActionApprOptions, ActionLines, NSaveAs, NClose})
    a->setEnabled(t >= 0);
  for (QAction* a : {ActionDeletePackage, ActionNewEntry, ActionReport, ActionReportPdf,
                     ActionPrintReport, NExport, NImport})
    a->setEnabled(t > 0);
  ActionNewEntryReadCode->setEnabled(t > 0 && typeCode == kTdCode);
  ActionDeleteEntry->setEnabled(package && package->entryCount() > 0);
  ActionSetPoints->setEnabled(calibration && apprSettings().manual == 1);
  ActionAppr->setEnabled(calibration);
  ActionGraphics->setEnabled(TabControl->count() > 1);
  ActionNewEntryRM->setEnabled(doc_.device && typeCode != kTdCode);
  updateStatus();
}

void TMainForm::updateDeviceCaptions() {
  if (!doc_.device) return;
  const int typeCode = doc_.device->typeCode();
  if (linesDlg_) linesDlg_->setReadingCaption(readingCaption(typeCode));
  if (serviceGraph_) {
    serviceGraph_->setReadingCaption(readingCaption(typeCode));
    serviceGraph_->setRatioCaption(typeCode == kTdCode ? QStringLiteral("Код/Расход")
                                                       : QStringLiteral("Частота/Расход"));
  }
}

// ---- tolerance profiles ------------------------------------------------------------------------

void TMainForm::useDefaultProfile() {
  if (doc_.device) chooseProfile(defaultProfileName(uint8_t(doc_.device->typeCode())));
}

// The profiles offered again, `name` chosen (none when it is no profile).
void TMainForm::chooseProfile(const QString& name) {
  VerdictLine->setProfiles(loadToleranceProfiles(), name);
  applyProfile();
}

// The table and the graph window judge by the profile chosen.
void TMainForm::applyProfile() {
  tableBinding_->setProfile(VerdictLine->profile());
  if (serviceGraph_) serviceGraph_->setToleranceProfile(VerdictLine->profile());
}

void TMainForm::ActionProfilesExecute() {
  const QString device = doc_.device ? QString::fromStdString(doc_.device->name()) : QString();
  ToleranceProfilesDlg dialog(device, doc_.device ? doc_.device->typeCode() : -1, this);
  const std::optional<ToleranceProfile> chosen = VerdictLine->profile();
  dialog.load(chosen ? QString::fromStdString(chosen->name) : QString());
  if (seams_.execDialog(dialog) != QDialog::Accepted) return;
  // The profile chosen before stays chosen when it is still there, edited or not; otherwise the
  // one the dialog ended on is.
  const QString before = chosen ? QString::fromStdString(chosen->name) : QString();
  const std::vector<ToleranceProfile> profiles = loadToleranceProfiles();
  chooseProfile(!chosen                                       ? QString()
                : findProfile(profiles, before.toStdString()) ? before
                                                              : dialog.selectedName());
}

std::optional<ToleranceProfile> TMainForm::chosenProfile() const { return VerdictLine->profile(); }

// The dialog keeps what OK accepts; the recording then goes to that store.
void TMainForm::NHistorySettingsClick() {
  HistorySettingsDlg dialog(this);
  dialog.load(loadHistorySettings(), QString::fromStdString(loadProtocolSigning().bench));
  if (seams_.execDialog(dialog) != QDialog::Accepted) return;
  const HistorySettings settings = dialog.settings();
  history_->recorder().switchStore(historyLocation(settings), historyStoreText(settings));
  logMessage("Журнал калибровок ведётся в " + historyStoreText(settings));
}

std::optional<ReportVerdict> TMainForm::reportVerdictOfSelected() const {
  const PackageBase* package = selectedPackage();
  const std::optional<ToleranceProfile> profile = VerdictLine->profile();
  if (!package || !profile) return std::nullopt;
  return reportVerdict(*package, *profile, loadProtocolSigning());
}

// ---- windows and dialogs -----------------------------------------------------------------------

TApprOptionsDlg* TMainForm::ApprOptionsDlg() { return createdOnce(apprOptionsDlg_, this); }

TDocCreateDlg* TMainForm::DocCreateDlg() { return createdOnce(docCreateDlg_, this); }

TPackageCreateDlg* TMainForm::PackageCreateDlg() { return createdOnce(packageCreateDlg_, this); }

TCsvOptionsDlg* TMainForm::CsvOptionsDlg() { return createdOnce(csvOptionsDlg_, this); }

TSectionSelect* TMainForm::SectionSelect() { return createdOnce(sectionSelect_, this); }

// The two windows that follow the document start with the captions of its device; the lines
// window reads the current lines by itself.
TLinesDlg* TMainForm::LinesDlg() {
  if (!linesDlg_) {
    linesDlg_ = new TLinesDlg(this);
    updateDeviceCaptions();
  }
  return linesDlg_;
}

TServiceGraph* TMainForm::ServiceGraph() {
  if (!serviceGraph_) {
    serviceGraph_ = new TServiceGraph(this);
    serviceGraph_->setToleranceProfile(VerdictLine->profile());
    updateDeviceCaptions();
  }
  return serviceGraph_;
}

void TMainForm::closeLinesWindow() {
  if (linesDlg_) linesDlg_->close();
}

void TMainForm::rebuildTabs() {
  TabControl->setUpdatesEnabled(false);
  {
    const QSignalBlocker blocker(TabControl);
    while (TabControl->count() > 0) TabControl->removeTab(0);
    for (QAction* item : NPages->actions()) delete item;
    NPages->setEnabled(doc_.isOpen());
    if (doc_.isOpen()) {
      QStringList captions{QString::fromStdString(doc_.device->name())};
      for (const PackagePtr& p : doc_.packages) captions.append(QString::fromStdString(p->name()));
      for (int i = 0; i < captions.size(); ++i) {
        TabControl->addTab(captions[i]);
        QAction* item = NPages->addAction(captions[i]);
        item->setCheckable(true);
        item->setActionGroup(pagesGroup_);
        connect(item, &QAction::triggered, this, [this, i] {
          guarded([this, i] { NPagesClick(i); });
          updateActions();
        });
      }
      TabControl->setCurrentIndex(0);
    }
  }
  TabControl->setUpdatesEnabled(true);
  if (doc_.isOpen()) TabControlChange();
}

void TMainForm::selectTab(int index) {
  const QSignalBlocker blocker(TabControl);
  TabControl->setCurrentIndex(index);
}

void TMainForm::bindTable() {
  const int t = tab();
  StartPage->setVisible(!doc_.isOpen());
  Table->setVisible(t > 0);
  VerdictLine->setVisible(t > 0);
  if (doc_.device) doc_.device->showPanel(t == 0);
  const PackagePtr package = packageOfTab(doc_, t);
  const int hidden = package ? hiddenColumnCount(*doc_.device, package->kind == pkVerification) : 0;
  tableBinding_->bind(package, hidden);
}

const SPILTS_DATA_EXCHANGE& TMainForm::graphData() const { return commands_->graphData(); }

void TMainForm::NExitClick() { close(); }

void TMainForm::closeEvent(QCloseEvent* event) {
  // Cancel in the save question, or a save that failed, keeps the program and the document.
  if (guarded([this] { commands_->NCloseClick(); })) {
    storeWindowState();
    event->accept();
  } else {
    event->ignore();
  }
  updateActions();
}

// ---- pages -------------------------------------------------------------------------------------

void TMainForm::TabControlChange() {
  const int t = tab();
  if (!doc_.isOpen() || t < 0) return;
  const QList<QAction*> items = NPages->actions();
  if (t < items.size()) items[t]->setChecked(true);
  takeDeviceLines(doc_);
  refreshLinesWindow();
  rm23Input_.setPackage(packageOfTab(doc_, t));
  bindTable();
  updateActions();
}

void TMainForm::NPagesClick(int tag) {
  selectTab(tag);
  TabControlChange();
}

void TMainForm::refreshLinesWindow() {
  if (linesDlg_) linesDlg_->refresh();
}

void TMainForm::ActionApprOptionsExecute() { seams_.execDialog(*ApprOptionsDlg()); }

void TMainForm::ActionLinesExecute() {
  TLinesDlg* window = LinesDlg();
  window->show();
  window->raise();
  window->activateWindow();
}

// ---- instruments -------------------------------------------------------------------------------

void TMainForm::ActionNewEntryRMExecute() { rm23Input_.open(packageOfTab(doc_, tab())); }

// ---- help --------------------------------------------------------------------------------------

void TMainForm::NHelpClick() { help_->showKeyword(QString()); }

void TMainForm::NAboutClick() {
  MessageBoxes::show({this, QMessageBox::Information, QStringLiteral("О программе"), aboutText(),
                      QMessageBox::Ok, QMessageBox::Ok});
}

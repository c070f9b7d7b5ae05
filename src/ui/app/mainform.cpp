#include "ui/app/mainform.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/base/errors.h"
#include "core/devices/devicetypes.h"
#include "core/package/approxstate.h"
#include "core/package/packagecreate.h"
#include "core/storage/filenames.h"
#include "core/storage/files.h"
#include "ui/app/about.h"
#include "ui/app/devicefactory.h"
#include "ui/app/doccommands.h"
#include "ui/app/doccreate.h"
#include "ui/app/help.h"
#include "ui/app/systemlocale.h"
#include "ui/base/messageboxes.h"
#include "ui/base/messagelog.h"
#include "ui/devices/rm23/rm23frame.h"
#include "ui/graphs/tservicegraph.h"
#include "ui/package/approptions.h"
#include "ui/package/linesview.h"
#include "ui/package/packagecreatedlg.h"
#include "ui/package/placepoints.h"
#include "ui/package/tsectionselect.h"
#include "ui/storage/csvoptions.h"
#include "ui/storage/reportlaunch.h"
#include "ui/widgets/goodtable.h"

namespace {

const QString kCaptionPrefix = QStringLiteral("ТайдМарк-Cервис [");  // the C is Latin
const QString kFileFilter = QStringLiteral("Преобразователь расхода (*.srv)");

// A toolbar picture: the desktop theme's where it has one, our own otherwise.
QIcon actionIcon(const char* file, const char* theme = nullptr) {
  const QIcon own(QStringLiteral(":/icons/%1.png").arg(file));
  return theme ? QIcon::fromTheme(theme, own) : own;
}

QString chooseOpenFileDialog(QWidget* parent) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(kFileFilter);
  dialog.setDefaultSuffix("srv");
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString chooseSaveFileDialog(QWidget* parent, const QString& proposed) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(kFileFilter);
  dialog.setDefaultSuffix("srv");
  // The proposed name often holds dots of its own (model names, diameters), which would keep the
  // dialog from adding the default extension, so it is proposed with the extension.
  dialog.selectFile(proposed + ".srv");
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The user's short date, a blank and the user's time of day with seconds; "---" when either
// cannot be formatted.
QString consoleStamp() {
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale;
  const QString date = locale.toString(now.date(), QLocale::ShortFormat);
  const QString time = locale.toString(now.time(), shortTimeFormat(locale, true));
  return date.isEmpty() || time.isEmpty() ? QStringLiteral("---") : date + " " + time;
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
    : QMainWindow(parent), seams_(std::move(seams)) {
  initResources();
  fillDefaultSeams();
  setProperty("helpKeyword", "Overview");
  createActions();
  createMenus();
  createToolBar();
  createClientArea();
  ApprOptionsDlg = new TApprOptionsDlg(this);
  DocCreateDlg = new TDocCreateDlg(this);
  LinesDlg = new TLinesDlg(this);
  PackageCreateDlg = new TPackageCreateDlg(this);
  ServiceGraph = new TServiceGraph(this);
  CsvOptionsDlg = new TCsvOptionsDlg(this);
  SectionSelect = new TSectionSelect(this);
  reportPath_ = seams_.reportPath.isEmpty() ? defaultReportPath() : seams_.reportPath;

  setMessageSink([this](const QString& text) { logMessage(text); });
  resize(725, 519 + menuBar()->sizeHint().height());
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());

  updateActions();
  setDocumentName(QString());
  openCommandLineDocument(arguments);

  help_ = new THelp(seams_.helpFolder, seams_.openUrl, this);
  qApp->installEventFilter(help_);
}

TMainForm::~TMainForm() {
  setMessageSink({});
  closeDocument(doc_);
}

void TMainForm::fillDefaultSeams() {
  if (!seams_.createDevice) seams_.createDevice = &createDevice;
  if (!seams_.chooseOpenFile) seams_.chooseOpenFile = chooseOpenFileDialog;
  if (!seams_.chooseSaveFile) seams_.chooseSaveFile = chooseSaveFileDialog;
  if (!seams_.execDialog) seams_.execDialog = [](QDialog& dialog) { return dialog.exec(); };
  if (!seams_.openUrl) seams_.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  if (seams_.helpFolder.isEmpty()) seams_.helpFolder = THelp::defaultFolder();
  if (!seams_.openReport) seams_.openReport = openInBrowser;
  if (!seams_.chooseSections)
    seams_.chooseSections = [this](SPILT_STRUCT& series) { return SectionSelect->choose(series); };
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

  connectCommand(ActionNew, &TMainForm::ActionNewExecute);
  connectCommand(ActionOpen, &TMainForm::ActionOpenExecute);
  connectCommand(ActionSave, &TMainForm::ActionSaveExecute);
  connectCommand(NSaveAs, &TMainForm::NSaveAsClick);
  connectCommand(NClose, &TMainForm::NCloseClick);
  connectCommand(NExit, &TMainForm::NExitClick);
  connectCommand(ActionNewPackage, &TMainForm::ActionNewPackageExecute);
  connectCommand(ActionDeletePackage, &TMainForm::ActionDeletePackageExecute);
  connectCommand(ActionNewEntry, &TMainForm::ActionNewEntryExecute);
  connectCommand(ActionNewEntryReadCode, &TMainForm::ActionNewEntryReadCodeExecute);
  connectCommand(ActionDeleteEntry, &TMainForm::ActionDeleteEntryExecute);
  connectCommand(ActionAppr, &TMainForm::ActionApprExecute);
  connectCommand(ActionApprOptions, &TMainForm::ActionApprOptionsExecute);
  connectCommand(ActionSetPoints, &TMainForm::ActionSetPointsExecute);
  connectCommand(ActionLines, &TMainForm::ActionLinesExecute);
  connectCommand(ActionReport, &TMainForm::ActionReportExecute);
  connect(NExport, &QAction::triggered, this, [this] { guarded([this] { NExportClick(true); }); });
  connect(NImport, &QAction::triggered, this, [this] { guarded([this] { NExportClick(false); }); });
  connectCommand(ActionGraphics, &TMainForm::ActionGraphicsExecute);
  connectCommand(ActionNewEntryRM, &TMainForm::ActionNewEntryRMExecute);
  connectCommand(NHelp, &TMainForm::NHelpClick);
  connectCommand(NAbout, &TMainForm::NAboutClick);
}

// Every command runs through the guard, so a failure becomes one console line, and the actions'
// enabling follows whatever state the command left behind, finished or not.
void TMainForm::connectCommand(QAction* action, void (TMainForm::*handler)()) {
  connect(action, &QAction::triggered, this, [this, handler] {
    guarded([this, handler] { (this->*handler)(); });
    updateActions();
  });
}

void TMainForm::createMenus() {
  QMenu* file = menuBar()->addMenu("Файл");
  file->addActions({ActionNew, ActionOpen, ActionSave, NSaveAs, NClose});
  file->addSeparator();
  file->addAction(NExit);

  QMenu* packages = menuBar()->addMenu("Пакеты");
  packages->addActions({ActionNewPackage, ActionDeletePackage, ActionNewEntry,
                        ActionNewEntryReadCode, ActionDeleteEntry, ActionNewEntryRM});
  packages->addSeparator();
  packages->addActions({ActionReport, NExport, NImport});

  QMenu* approximation = menuBar()->addMenu("Аппроксимация");
  approximation->addActions(
      {ActionApprOptions, ActionSetPoints, ActionAppr, ActionLines, ActionGraphics});

  NPages = menuBar()->addMenu("Страницы");
  NPages->setEnabled(false);
  pagesGroup_ = new QActionGroup(this);
  pagesGroup_->setExclusive(true);

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

  PageArea = new QWidget(Splitter1);
  auto* pageLayout = new QVBoxLayout(PageArea);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  Table = new TGoodTable(PageArea);
  Table->setAccessibleName("Таблица измерений");
  Table->hide();
  pageLayout->addWidget(Table);
  connect(Table, &TGoodTable::OnChange, this, [this] { guarded([this] { TableChange(); }); });

  TablePopupMenu = new QMenu(this);
  TablePopupMenu->addActions({ActionNewEntry, ActionDeleteEntry});
  Table->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Table, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    TablePopupMenu->popup(Table->viewport()->mapToGlobal(pos));
  });

  Console = new QPlainTextEdit(Splitter1);
  Console->setReadOnly(true);
  Console->setAccessibleName("Журнал сообщений");
  Console->setFocusPolicy(Qt::ClickFocus);
  Console->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Console->setLineWrapMode(QPlainTextEdit::NoWrap);
  Console->viewport()->installEventFilter(this);

  Splitter1->addWidget(PageArea);
  Splitter1->addWidget(Console);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setSizes({10000, 58});

  layout->addWidget(TabControl);
  layout->addWidget(Splitter1, 1);
  setCentralWidget(central);
}

void TMainForm::openCommandLineDocument(const QStringList& arguments) {
  std::vector<std::string> args;
  for (const QString& a : arguments) args.push_back(a.toStdString());
  const std::optional<std::string> path = firstDocumentArgument(args);
  if (!path) return;
  // A document that cannot be read is reported on the console; the program starts without it.
  guarded([&] {
    readDocumentFile(QString::fromStdString(*path));
    setDocumentName(QString::fromStdString(*path));
    rebuildTabs();
    bindTable();
  });
  updateActions();
}

// ---- console -----------------------------------------------------------------------------------

void TMainForm::logMessage(const QString& text) {
  QStringList lines;
  if (!Console->document()->isEmpty()) lines = Console->toPlainText().split('\n');
  while (lines.size() >= kConsoleLines) lines.removeFirst();
  QString line = consoleStamp() + " - " + text;
  line.replace("\r\n", "\n");
  lines.append(line);
  QString all = lines.join('\n');
  while (!all.isEmpty() && all.back().isSpace()) all.chop(1);
  Console->setPlainText(all);
  Console->verticalScrollBar()->setValue(Console->verticalScrollBar()->maximum());
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Console->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    Console->clear();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- state shown -------------------------------------------------------------------------------

void TMainForm::setDocumentName(const QString& name) {
  doc_.fileName = localPath(name);
  setWindowTitle(kCaptionPrefix + name + "]");
}

int TMainForm::tab() const { return TabControl->currentIndex(); }

PackageBase* TMainForm::selectedPackage() const {
  const int t = tab();
  if (t < 1 || t > static_cast<int>(doc_.packages.size())) return nullptr;
  return doc_.packages[t - 1].get();
}

void TMainForm::updateActions() {
  const int t = tab();
  const PackageBase* package = selectedPackage();
  const bool calibration = package && package->kind == pkCalibration;
  const int typeCode = doc_.device ? doc_.device->typeCode() : -1;

  for (QAction* a : {ActionSave, ActionNewPackage, ActionApprOptions, ActionLines, NSaveAs, NClose})
    a->setEnabled(t >= 0);
  for (QAction* a : {ActionDeletePackage, ActionNewEntry, ActionReport, NExport, NImport})
    a->setEnabled(t > 0);
  ActionNewEntryReadCode->setEnabled(t > 0 && typeCode == kTdCode);
  ActionDeleteEntry->setEnabled(package && package->entryCount() > 0);
  ActionSetPoints->setEnabled(calibration && apprSettings().manual == 1);
  ActionAppr->setEnabled(calibration);
  ActionGraphics->setEnabled(TabControl->count() > 1);
  ActionNewEntryRM->setEnabled(doc_.device && typeCode != kTdCode);
}

void TMainForm::updateDeviceCaptions() {
  if (!doc_.device) return;
  const int typeCode = doc_.device->typeCode();
  LinesDlg->setReadingCaption(readingCaption(typeCode));
  ServiceGraph->setReadingCaption(readingCaption(typeCode));
  ServiceGraph->setRatioCaption(typeCode == kTdCode ? QStringLiteral("Код/Расход")
                                                    : QStringLiteral("Частота/Расход"));
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
  Table->setVisible(t > 0);
  if (doc_.device) doc_.device->showPanel(t == 0);
  const PackageBase* package = selectedPackage();
  if (!package) return;

  const int columns =
      package->columnCount() - hiddenColumnCount(*doc_.device, package->kind == pkVerification);
  Table->HideEditor();
  Table->SetColCount(columns);
  Table->SetRowCount(package->entryCount());
  for (int col = 0; col < columns; ++col) {
    const ColumnInfo info = package->column(col);
    Table->SetCaptions(col, QString::fromUtf8(info.caption));
    Table->SetWidths(col, info.width);
    Table->SetColTypes(col, info.checkBox ? ColType::CheckBox : ColType::Text);
    Table->SetColReadOnly(col, info.readOnly);
    for (int row = 0; row < package->entryCount(); ++row) fillCell(*package, row, col);
  }
  // A table that has rows always has a current cell, so typing starts at once.
  if (Table->GetRowCount() > 0 && Table->GetRow() < 0) Table->SetRow(0);
  if (columns > 0 && Table->GetCol() < 0) Table->SetCol(0);
}

void TMainForm::fillCell(const PackageBase& package, int row, int col) {
  if (Table->GetColTypes(col) == ColType::CheckBox)
    Table->SetCellsChecked(row, col, package.cellChecked(row, col));
  else
    Table->SetCells(row, col, QString::fromStdString(package.cellText(row, col)));
}

void TMainForm::refreshRow(int row) {
  const PackageBase* package = selectedPackage();
  if (!package || row < 0 || row >= Table->GetRowCount()) return;
  for (int col = 0; col < Table->GetColCount(); ++col) fillCell(*package, row, col);
}

// ---- document commands -------------------------------------------------------------------------

void TMainForm::askToSave() {
  if (!doc_.isOpen()) return;
  switch (MessageBoxes::show({this, QMessageBox::Question, QStringLiteral("Орбитон"),
                              QStringLiteral("Сохранить изменения?"),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                              QMessageBox::Yes})) {
    case QMessageBox::Yes:
      ActionSaveExecute();
      break;
    case QMessageBox::No:
      break;
    default:
      throw SilentAbort();
  }
}

void TMainForm::readDocumentFile(const QString& path) {
  files::readDocument(localPath(path), doc_,
                      [this](uint8_t typeCode) { return seams_.createDevice(typeCode, PageArea); });
}

void TMainForm::ActionNewExecute() {
  if (seams_.execDialog(*DocCreateDlg) != QDialog::Accepted) return;
  NCloseClick();
  Console->clear();
  setDefaultApprSettings(apprSettings());
  doc_.device = seams_.createDevice(DocCreateDlg->selectedType(), PageArea);
  rebuildTabs();
  bindTable();
  updateActions();
  updateDeviceCaptions();
}

void TMainForm::ActionOpenExecute() {
  askToSave();
  const QString path = seams_.chooseOpenFile(this);
  if (path.isEmpty()) return;
  readDocumentFile(path);  // a rejected file leaves the document, caption and console as they were
  Console->clear();
  setDocumentName(path);
  rebuildTabs();
  bindTable();
  updateActions();
  refreshLinesWindow();
  updateDeviceCaptions();
}

void TMainForm::ActionSaveExecute() {
  if (!doc_.isOpen()) return;
  if (doc_.fileName.empty()) {
    NSaveAsClick();
    return;
  }
  files::writeDocument(doc_.fileName, *doc_.device, doc_.packages);
}

void TMainForm::NSaveAsClick() {
  if (!doc_.isOpen()) return;
  DeviceIdentity identity;
  doc_.device->getIdentity(identity);
  const QString proposed = QString::fromStdString(proposedFileName(doc_.device->name(), identity));
  const QString path = seams_.chooseSaveFile(this, proposed);
  if (path.isEmpty()) throw SilentAbort();
  files::writeDocument(localPath(path), *doc_.device, doc_.packages);
  setDocumentName(path);
  refreshLinesWindow();
}

void TMainForm::NCloseClick() {
  askToSave();
  closeDocument(doc_);
  setDocumentName(QString());
  rebuildTabs();
  bindTable();
  updateActions();
  LinesDlg->close();
}

void TMainForm::NExitClick() { close(); }

void TMainForm::closeEvent(QCloseEvent* event) {
  // Cancel in the save question, or a save that failed, keeps the program and the document.
  if (guarded([this] { NCloseClick(); }))
    event->accept();
  else
    event->ignore();
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
  if (spprDlg_) spprDlg_->setPackage(packageOfTab(doc_, t));
  bindTable();
  updateActions();
}

void TMainForm::NPagesClick(int tag) {
  selectTab(tag);
  TabControlChange();
}

void TMainForm::ActionNewPackageExecute() {
  if (!doc_.isOpen() || seams_.execDialog(*PackageCreateDlg) != QDialog::Accepted) return;
  doc_.packages.push_back(createPackage(deviceFamily(doc_.device->typeCode()),
                                        PackageCreateDlg->kind(), PackageCreateDlg->method()));
  rebuildTabs();
  selectTab(TabControl->count() - 1);
  TabControlChange();
}

void TMainForm::ActionDeletePackageExecute() {
  const int t = tab();
  if (!selectedPackage()) return;
  const QString text = "Удалить пакет " + TabControl->tabText(t) + "?";
  if (MessageBoxes::question(this, QStringLiteral("Орбитон"), text) != QMessageBox::Yes) return;
  doc_.packages.erase(doc_.packages.begin() + (t - 1));
  rebuildTabs();
  bindTable();
  updateActions();
}

void TMainForm::ActionNewEntryExecute() {
  PackageBase* package = selectedPackage();
  if (!package) return;
  package->addEntry();
  bindTable();
  updateActions();
}

// A new entry from the TD meter's last current-values poll: its average code and pulse count.
void TMainForm::ActionNewEntryReadCodeExecute() {
  PackageBase* package = selectedPackage();
  const auto reading = doc_.device ? doc_.device->lastReading() : std::nullopt;
  if (!package || !reading) return;
  package->addEntry();
  const int row = package->entryCount() - 1;
  package->setValue(row, colCode, reading->code);
  package->setValue(row, colPulses2, static_cast<int32_t>(reading->pulses));
  package->recalcEntry(row);
  bindTable();
  updateActions();
}

void TMainForm::ActionDeleteEntryExecute() {
  PackageBase* package = selectedPackage();
  if (!package) return;
  const int row = Table->GetRow();
  if (row >= 0 && row < Table->GetRowCount()) package->deleteEntry(row);
  bindTable();
  updateActions();
}

// Each keystroke in the cell editor arrives here: the text is stored when it converts, the cell
// then shows what the package holds (the editor keeps what was typed), and the row follows.
void TMainForm::TableChange() {
  PackageBase* package = selectedPackage();
  const int row = Table->GetRow();
  const int col = Table->GetCol();
  if (!package || row < 0 || col < 0 || row >= package->entryCount() || col >= Table->GetColCount())
    return;
  if (Table->GetColTypes(col) == ColType::CheckBox) {
    package->setCellChecked(row, col, Table->GetCellsChecked(row, col));
  } else {
    try {
      package->setCellText(row, col, Table->GetCells(row, col).toStdString());
    } catch (const ConvertError&) {
      // Not a number (yet): the stored value stays and is shown again.
    }
  }
  package->recalcEntry(row);
  refreshRow(row);
}

// ---- approximation and graphs ------------------------------------------------------------------

void TMainForm::ActionApprExecute() {
  PackageBase* package = selectedPackage();
  if (!package || package->kind != pkCalibration) return;
  approximatePackage(doc_, *package);
  bindTable();
  refreshLinesWindow();
}

void TMainForm::refreshLinesWindow() { LinesDlg->refresh(); }

void TMainForm::ActionApprOptionsExecute() { seams_.execDialog(*ApprOptionsDlg); }

void TMainForm::ActionSetPointsExecute() {
  PackageBase* package = selectedPackage();
  if (!package) return;
  if (placePoints(*package, *doc_.device, seams_.chooseSections)) {
    recalcDocument(doc_);
    bindTable();
    refreshLinesWindow();
  }
}

void TMainForm::ActionLinesExecute() {
  LinesDlg->show();
  LinesDlg->raise();
  LinesDlg->activateWindow();
}

// ---- report and text exchange ------------------------------------------------------------------

void TMainForm::ActionReportExecute() {
  if (const PackageBase* package = selectedPackage())
    runReport(reportPath_, *doc_.device, *package, seams_.openReport);
}

void TMainForm::NExportClick(bool exporting) {
  PackageBase* package = selectedPackage();
  if (!package) return;
  const int typeCode = doc_.device->typeCode();
  // An import that stopped half-way keeps what it read: the table shows it in either case.
  struct Rebind {
    TMainForm* form;
    ~Rebind() {
      form->bindTable();
      form->updateActions();
    }
  } rebind{this};
  CsvOptionsDlg->runTextExchange(*package, exporting,
                                 hiddenColumnCount(*doc_.device, package->kind != pkCalibration),
                                 deviceFamily(typeCode));
}

void TMainForm::ActionGraphicsExecute() {
  if (TabControl->count() < 2) return;
  TabControlChange();
  buildGraphData(doc_, graphData_);
  ServiceGraph->showData(&graphData_);
  ServiceGraph->show();
  ServiceGraph->raise();
  ServiceGraph->activateWindow();
}

// ---- instruments -------------------------------------------------------------------------------

void TMainForm::ActionNewEntryRMExecute() {
  // A closed dialog may still wait for its deletion; it is not shown again.
  if (!spprDlg_ || spprDlg_->isHidden()) {
    spprDlg_ = new TSpprDlg(this);
    connect(spprDlg_, &TSpprDlg::entryAdded, this, [this] {
      bindTable();
      updateActions();
    });
  }
  spprDlg_->setPackage(packageOfTab(doc_, tab()));
  spprDlg_->show();
  spprDlg_->activateWindow();
}

// ---- help --------------------------------------------------------------------------------------

void TMainForm::NHelpClick() { help_->showKeyword(QString()); }

void TMainForm::NAboutClick() {
  MessageBoxes::show({this, QMessageBox::Information, QStringLiteral("О программе"), aboutText(),
                      QMessageBox::Ok, QMessageBox::Ok});
}

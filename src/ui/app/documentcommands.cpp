#include "ui/app/documentcommands.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QTabBar>
#include <QTime>

#include "core/base/errors.h"
#include "core/devices/devicetypes.h"
#include "core/package/approxstate.h"
#include "core/package/packagecreate.h"
#include "core/storage/filenames.h"
#include "core/storage/files.h"
#include "core/storage/report.h"
#include "ui/app/console.h"
#include "ui/app/doccreate.h"
#include "ui/app/mainform.h"
#include "ui/app/recentdocuments.h"
#include "ui/app/sharedcommands.h"
#include "ui/base/filedialogsize.h"
#include "ui/base/messageboxes.h"
#include "ui/base/messagelog.h"
#include "ui/graphs/tservicegraph.h"
#include "ui/history/documenthistory.h"
#include "ui/package/linesview.h"
#include "ui/package/packagecreatedlg.h"
#include "ui/package/placepoints.h"
#include "ui/storage/csvoptions.h"
#include "ui/storage/reportlaunch.h"
#include "ui/storage/reportpdf.h"
#include "ui/widgets/goodtable.h"

namespace {

const QString kFileFilter = QStringLiteral("Преобразователь расхода (*.srv)");

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString timeNow() { return QTime::currentTime().toString("HH:mm:ss"); }

}  // namespace

QString chooseOpenFileDialog(QWidget* parent) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(kFileFilter);
  dialog.setDefaultSuffix("srv");
  fitFileDialog(dialog);
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
  fitFileDialog(dialog);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

DocumentCommands::DocumentCommands(TMainForm& window, QString reportPath)
    : window_(window), reportPath_(std::move(reportPath)) {}

void DocumentCommands::openCommandLineDocument(const QStringList& arguments) {
  std::vector<std::string> args;
  for (const QString& a : arguments) args.push_back(a.toStdString());
  const std::optional<std::string> path = firstDocumentArgument(args);
  if (!path) return;
  // The console keeps what start-up wrote.
  guarded([&] {
    readDocumentFile(QString::fromStdString(*path));
    showOpenedDocument(QString::fromStdString(*path));
  });
  window_.updateActions();
}

// ---- files -------------------------------------------------------------------------------------

void DocumentCommands::askToSave() {
  if (!window_.document().isOpen()) return;
  switch (MessageBoxes::show({&window_, QMessageBox::Question, QStringLiteral("Орбитон"),
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

void DocumentCommands::readDocumentFile(const QString& path) {
  const TMainForm::Seams& seams = window_.seams();
  files::readDocument(localPath(path), window_.document(), [&](uint8_t typeCode) {
    return seams.createDevice(typeCode, window_.PageArea);
  });
}

void DocumentCommands::ActionNewExecute() {
  if (window_.seams().execDialog(*window_.DocCreateDlg()) != QDialog::Accepted) return;
  NCloseClick();
  window_.Console->clear();
  setDefaultApprSettings(apprSettings());
  window_.document().device =
      window_.seams().createDevice(window_.DocCreateDlg()->selectedType(), window_.PageArea);
  window_.rebuildTabs();
  window_.useDefaultProfile();
  window_.bindTable();
  window_.updateActions();
  window_.updateDeviceCaptions();
}

void DocumentCommands::ActionOpenExecute() {
  askToSave();
  const QString path = window_.seams().chooseOpenFile(&window_);
  if (path.isEmpty()) return;
  openDocument(path);
}

void DocumentCommands::openRecentDocument(const QString& path) {
  if (!QFileInfo(path).isFile()) {
    RecentDocuments::remove(path);
    window_.refreshRecentDocuments();
    throw MessageError("Документ " + QDir::toNativeSeparators(path).toStdString() +
                       " не найден; он убран из списка последних документов");
  }
  askToSave();
  openDocument(path);
}

void DocumentCommands::openDocument(const QString& path) {
  readDocumentFile(path);  // a rejected file leaves the document, caption and console as they were
  window_.Console->clear();
  showOpenedDocument(path);
}

// Every window part that shows the document follows the one just read.
void DocumentCommands::showOpenedDocument(const QString& path) {
  window_.setDocumentName(path);
  window_.useDefaultProfile();
  window_.rebuildTabs();
  window_.bindTable();
  window_.updateActions();
  window_.refreshLinesWindow();
  window_.updateDeviceCaptions();
  window_.setFileState("открыт в " + timeNow());
  RecentDocuments::add(path);
  window_.refreshRecentDocuments();
}

void DocumentCommands::documentSaved() {
  window_.setFileState("сохранён в " + timeNow());
  window_.history().saved(window_.document(), window_.chosenProfile());
}

void DocumentCommands::ActionSaveExecute() {
  const Document& doc = window_.document();
  if (!doc.isOpen()) return;
  if (doc.fileName.empty()) {
    NSaveAsClick();
    return;
  }
  files::writeDocument(doc.fileName, *doc.device, doc.packages);
  documentSaved();
}

void DocumentCommands::NSaveAsClick() {
  const Document& doc = window_.document();
  if (!doc.isOpen()) return;
  DeviceIdentity identity;
  doc.device->getIdentity(identity);
  const QString proposed = QString::fromStdString(proposedFileName(doc.device->name(), identity));
  const QString path = window_.seams().chooseSaveFile(&window_, proposed);
  if (path.isEmpty()) throw SilentAbort();
  files::writeDocument(localPath(path), *doc.device, doc.packages);
  window_.setDocumentName(path);
  window_.refreshLinesWindow();
  documentSaved();
  RecentDocuments::add(path);
  window_.refreshRecentDocuments();
}

void DocumentCommands::NCloseClick() {
  askToSave();
  closeDocument(window_.document());
  window_.setDocumentName(QString());
  window_.rebuildTabs();
  window_.bindTable();
  window_.updateActions();
  window_.closeLinesWindow();
}

// ---- packages and entries ----------------------------------------------------------------------

void DocumentCommands::ActionNewPackageExecute() {
  Document& doc = window_.document();
  TPackageCreateDlg& dialog = *window_.PackageCreateDlg();
  if (!doc.isOpen() || window_.seams().execDialog(dialog) != QDialog::Accepted) return;
  doc.packages.push_back(
      createPackage(deviceFamily(doc.device->typeCode()), dialog.kind(), dialog.method()));
  window_.rebuildTabs();
  window_.selectTab(window_.TabControl->count() - 1);
  window_.TabControlChange();
}

void DocumentCommands::ActionDeletePackageExecute() {
  const int t = window_.tab();
  if (!window_.selectedPackage()) return;
  const QString text = "Удалить пакет " + window_.TabControl->tabText(t) + "?";
  if (MessageBoxes::question(&window_, QStringLiteral("Орбитон"), text) != QMessageBox::Yes) return;
  std::vector<PackagePtr>& packages = window_.document().packages;
  packages.erase(packages.begin() + (t - 1));
  window_.rebuildTabs();
  window_.bindTable();
  window_.updateActions();
}

void DocumentCommands::ActionNewEntryExecute() {
  PackageBase* package = window_.selectedPackage();
  if (!package) return;
  package->addEntry();
  window_.bindTable();
  window_.updateActions();
}

// A new entry from the TD meter's last current-values poll: its average code and pulse count.
void DocumentCommands::ActionNewEntryReadCodeExecute() {
  PackageBase* package = window_.selectedPackage();
  const Document& doc = window_.document();
  const auto reading = doc.device ? doc.device->lastReading() : std::nullopt;
  if (!package || !reading) return;
  package->addEntry();
  const int row = package->entryCount() - 1;
  package->setValue(row, colCode, reading->code);
  package->setValue(row, colPulses2, static_cast<int32_t>(reading->pulses));
  package->recalcEntry(row);
  window_.bindTable();
  window_.updateActions();
}

void DocumentCommands::ActionDeleteEntryExecute() {
  PackageBase* package = window_.selectedPackage();
  if (!package) return;
  const int row = window_.Table->GetRow();
  if (row >= 0 && row < window_.Table->GetRowCount()) package->deleteEntry(row);
  window_.bindTable();
  window_.updateActions();
}

// ---- approximation and graphs ------------------------------------------------------------------

void DocumentCommands::ActionApprExecute() {
  PackageBase* package = window_.selectedPackage();
  if (!package || package->kind != pkCalibration) return;
  if (approximatePackage(window_.document(), *package))
    window_.history().approximation(window_.document(), *package);
  window_.bindTable();
  window_.refreshLinesWindow();
}

void DocumentCommands::ActionSetPointsExecute() {
  PackageBase* package = window_.selectedPackage();
  if (!package) return;
  const Document& doc = window_.document();
  const auto approximated = [&] { window_.history().approximation(doc, *package); };
  if (placePoints(*package, *doc.device, window_.seams().chooseSections, approximated)) {
    recalcDocument(doc);
    window_.bindTable();
    window_.refreshLinesWindow();
  }
}

void DocumentCommands::ActionGraphicsExecute() {
  if (window_.TabControl->count() < 2) return;
  window_.TabControlChange();
  buildGraphData(window_.document(), graphData_);
  TServiceGraph* graph = window_.ServiceGraph();
  graph->showData(&graphData_);
  graph->show();
  graph->raise();
  graph->activateWindow();
}

// ---- report and text exchange ------------------------------------------------------------------

void DocumentCommands::ActionReportExecute() {
  const PackageBase* package = window_.selectedPackage();
  if (!package) return;
  ReportFacts facts = reportFacts(*window_.document().device);
  facts.verdict = window_.reportVerdictOfSelected();
  // The browser is started only once the file is written: the report is then on record.
  const auto recordAndOpen = [&](const QUrl& url) {
    window_.history().report(window_.document(), *package, reportPath_, "html",
                             window_.chosenProfile());
    return window_.seams().openReport(url);
  };
  runReport(reportPath_, facts, *package, recordAndOpen);
}

void DocumentCommands::ActionReportPdfExecute() {
  const PackageBase* package = window_.selectedPackage();
  if (!package) return;
  // Beside the document, named after it and the package.
  const QString document = QFile::decodeName(window_.document().fileName.c_str());
  const QString base = document.isEmpty() ? QDir::home().filePath("Протокол")
                                          : QFileInfo(document).path() + "/" +
                                                QFileInfo(document).completeBaseName();
  const QString proposed = QString("%1 - пакет %2.pdf").arg(base).arg(window_.tab());
  QString path = window_.seams().choosePdfFile(&window_, proposed);
  if (path.isEmpty()) return;
  if (!path.endsWith(".pdf", Qt::CaseInsensitive)) path += ".pdf";
  ReportFacts facts = reportFacts(*window_.document().device);
  facts.verdict = window_.reportVerdictOfSelected();
  writeReportPdf(path, facts, *package);
  logMessage("Протокол записан в файл " + QDir::toNativeSeparators(path));
  window_.history().report(window_.document(), *package, path, "pdf", window_.chosenProfile());
}

void DocumentCommands::ActionPrintReportExecute() {
  const PackageBase* package = window_.selectedPackage();
  if (!package) return;
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, &window_);
  if (window_.seams().execDialog(dialog) != QDialog::Accepted) return;
  ReportFacts facts = reportFacts(*window_.document().device);
  facts.verdict = window_.reportVerdictOfSelected();
  printProtocol(printer, printer.resolution(), facts, *package);
  logMessage("Протокол отправлен на печать");
}

void DocumentCommands::NExportClick(bool exporting) {
  PackageBase* package = window_.selectedPackage();
  if (!package) return;
  const DeviceBase& device = *window_.document().device;
  // An import that stopped half-way keeps what it read: the table shows it in either case.
  struct Rebind {
    TMainForm& window;
    ~Rebind() {
      window.bindTable();
      window.updateActions();
    }
  } rebind{window_};
  window_.CsvOptionsDlg()->runTextExchange(
      *package, exporting, hiddenColumnCount(device, package->kind != pkCalibration),
      deviceFamily(device.typeCode()));
}

#pragma once
// The main window's commands on the open document: the "Файл" menu, new and deleted packages and
// entries, approximation, the report, the text exchange and the graph data. They change the
// window's document, ask through its seams and dialogs, and leave what the window shows in step
// with the document through the window's refresh operations. What the command-line tool runs as
// well lives in sharedcommands.h.

#include <QString>
#include <QStringList>

#include "core/package/graphdata.h"

class QWidget;
class TMainForm;

// The file dialogs the main window uses unless a test replaces them; "" when cancelled.
QString chooseOpenFileDialog(QWidget* parent);
QString chooseSaveFileDialog(QWidget* parent, const QString& proposed);

class DocumentCommands {
 public:
  // The report is written to `reportPath`.
  DocumentCommands(TMainForm& window, QString reportPath);

  // The first argument after the program's name that does not begin with "-" names a document to
  // open; one that cannot be read is reported on the console and the program starts without it.
  void openCommandLineDocument(const QStringList& arguments);

  void ActionNewExecute();
  void ActionOpenExecute();
  // Opens a document of the recent list; a file that is gone leaves the list with a console line.
  void openRecentDocument(const QString& path);
  void ActionSaveExecute();
  void NSaveAsClick();
  void NCloseClick();
  void ActionNewPackageExecute();
  void ActionDeletePackageExecute();
  void ActionNewEntryExecute();
  void ActionNewEntryReadCodeExecute();
  void ActionDeleteEntryExecute();
  void ActionApprExecute();
  void ActionSetPointsExecute();
  void ActionReportExecute();
  void ActionReportPdfExecute();
  void ActionPrintReportExecute();
  void NExportClick(bool exporting);
  void ActionGraphicsExecute();

  // The series and lines "Графики" last built for the graph window.
  const SPILTS_DATA_EXCHANGE& graphData() const { return graphData_; }

 private:
  void askToSave();
  void readDocumentFile(const QString& path);
  void openDocument(const QString& path);
  // Shows the document just read from `path` in every part of the window, gives the status bar
  // its state and puts the file at the top of the recent list.
  void showOpenedDocument(const QString& path);
  void documentSaved();

  TMainForm& window_;
  const QString reportPath_;
  SPILTS_DATA_EXCHANGE graphData_;
};

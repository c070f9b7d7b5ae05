#pragma once
// The main window: owns the open document, shows one tab for the device and one per package,
// turns every menu command, toolbar button and shortcut into calls of the other subsystems, and
// keeps the console of recent messages.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

#include "core/document/document.h"
#include "core/package/graphdata.h"

class QAction;
class QActionGroup;
class QDialog;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTabBar;
class QToolBar;
class TApprOptionsDlg;
class TCsvOptionsDlg;
class TDocCreateDlg;
class TGoodTable;
class THelp;
class TLinesDlg;
class TPackageCreateDlg;
class TSectionSelect;
class TServiceGraph;
class TSpprDlg;

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  using DeviceFactory = std::function<std::unique_ptr<DeviceBase>(int typeCode, QWidget* parent)>;

  // What tests replace: where devices come from, the file dialogs, the running of modal dialogs
  // and the opening of help pages. Empty members take the real ones.
  struct Seams {
    DeviceFactory createDevice;
    std::function<QString(QWidget* parent)> chooseOpenFile;  // "" when cancelled
    std::function<QString(QWidget* parent, const QString& proposed)> chooseSaveFile;
    std::function<int(QDialog& dialog)> execDialog;  // QDialog::Accepted or Rejected
    std::function<void(const QUrl&)> openUrl;
    std::function<bool(const QUrl&)> openReport;               // false when no browser started
    std::function<bool(SPILT_STRUCT& series)> chooseSections;  // the section window
    QString helpFolder;                                        // empty: help/ beside the program
    QString reportPath;  // empty: report.html where the program may write it
  };

  static constexpr int kConsoleLines = 20;

  // `arguments` is the command line, the program's name first; the first one that does not begin
  // with "-" names a document to open.
  explicit TMainForm(const QStringList& arguments = {}, Seams seams = {},
                     QWidget* parent = nullptr);
  ~TMainForm() override;

  // Adds one time-stamped line to the console, dropping the oldest beyond 20.
  void logMessage(const QString& text);
  // Stores the file name and shows it in the caption.
  void setDocumentName(const QString& name);
  // Tabs and the "Страницы" menu from the document; ends on the device tab.
  void rebuildTabs();
  // Shows the device panel or the table, and loads the selected package into the table.
  void bindTable();
  // Refills one table row from the package.
  void refreshRow(int row);
  void updateActions();
  // Device-dependent captions of the coefficient and graph windows.
  void updateDeviceCaptions();

  Document& document() { return doc_; }
  // -1 without a document, 0 the device tab, k >= 1 package k - 1.
  int tab() const;
  // The package of the selected tab; null on the device tab or without a document.
  PackageBase* selectedPackage() const;
  // The series and lines "Графики" last built for the graph window.
  const SPILTS_DATA_EXCHANGE& graphData() const { return graphData_; }

  // Controls, named as in the rest of the program.
  QToolBar* ToolBar1;
  QTabBar* TabControl;
  QWidget* PageArea;  // parent of the device panel and of the table
  TGoodTable* Table;
  QSplitter* Splitter1;
  QPlainTextEdit* Console;
  QMenu* TablePopupMenu;
  QMenu* NPages;

  QAction* ActionNew;
  QAction* ActionOpen;
  QAction* ActionSave;
  QAction* ActionNewPackage;
  QAction* ActionDeletePackage;
  QAction* ActionNewEntry;
  QAction* ActionNewEntryReadCode;
  QAction* ActionDeleteEntry;
  QAction* ActionReport;
  QAction* ActionApprOptions;
  QAction* ActionSetPoints;
  QAction* ActionAppr;
  QAction* ActionLines;
  QAction* ActionGraphics;
  QAction* ActionNewEntryRM;
  QAction* NSaveAs;
  QAction* NClose;
  QAction* NExit;
  QAction* NExport;
  QAction* NImport;
  QAction* NHelp;
  QAction* NAbout;

  TApprOptionsDlg* ApprOptionsDlg;
  TDocCreateDlg* DocCreateDlg;
  TLinesDlg* LinesDlg;
  TPackageCreateDlg* PackageCreateDlg;
  TServiceGraph* ServiceGraph;
  TCsvOptionsDlg* CsvOptionsDlg;
  TSectionSelect* SectionSelect;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createActions();
  void createMenus();
  void createToolBar();
  void createClientArea();
  void fillDefaultSeams();
  void connectCommand(QAction* action, void (TMainForm::*handler)());
  void openCommandLineDocument(const QStringList& arguments);
  void readDocumentFile(const QString& path);
  void fillCell(const PackageBase& package, int row, int col);
  void selectTab(int index);
  void askToSave();
  // Every change of the current line set that the coefficient window must show ends here.
  void refreshLinesWindow();

  void ActionNewExecute();
  void ActionOpenExecute();
  void ActionSaveExecute();
  void NSaveAsClick();
  void NCloseClick();
  void NExitClick();
  void TabControlChange();
  void NPagesClick(int tag);
  void ActionNewPackageExecute();
  void ActionDeletePackageExecute();
  void ActionNewEntryExecute();
  void ActionNewEntryReadCodeExecute();
  void ActionDeleteEntryExecute();
  void ActionApprExecute();
  void ActionApprOptionsExecute();
  void ActionSetPointsExecute();
  void ActionLinesExecute();
  void ActionReportExecute();
  void NExportClick(bool exporting);
  void ActionGraphicsExecute();
  void ActionNewEntryRMExecute();
  void TableChange();
  void NHelpClick();
  void NAboutClick();

  Seams seams_;
  Document doc_;
  SPILTS_DATA_EXCHANGE graphData_;
  THelp* help_;
  QString reportPath_;  // fixed at start-up
  QActionGroup* pagesGroup_;
  QPointer<TSpprDlg> spprDlg_;  // the RM-2.3 dialog while it is open
};

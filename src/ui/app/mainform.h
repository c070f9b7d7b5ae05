#pragma once
// The main window: owns the open document, shows one tab for the device and one per package above
// the console, and turns every menu command, toolbar button and shortcut into calls of the other
// subsystems (the document commands, the table binding, the dialogs).

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

#include "core/document/document.h"
#include "core/package/graphdata.h"
#include "core/storage/report.h"
#include "ui/app/console.h"
#include "ui/app/rm23input.h"

class QAction;
class QActionGroup;
class QDialog;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTabBar;
class QTimer;
class QToolBar;
class DocumentCommands;
class DocumentHistory;
class TableBinding;
class TApprOptionsDlg;
class TCsvOptionsDlg;
class TDocCreateDlg;
class TGoodTable;
class THelp;
class TLinesDlg;
class TPackageCreateDlg;
class TSectionSelect;
class TServiceGraph;
class VerdictBar;

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
    // The file of "Отчёт в PDF", `proposed` with its extension; "" when cancelled.
    std::function<QString(QWidget* parent, const QString& proposed)> choosePdfFile;
    std::function<int(QDialog& dialog)> execDialog;  // QDialog::Accepted or Rejected
    std::function<void(const QUrl&)> openUrl;
    std::function<bool(const QUrl&)> openReport;               // false when no browser started
    std::function<bool(SPILT_STRUCT& series)> chooseSections;  // the section window
    QString helpFolder;                                        // empty: help/ beside the program
    QString reportPath;  // empty: report.html where the program may write it
  };

  // `arguments` is the command line, the program's name first; the first one that does not begin
  // with "-" names a document to open.
  explicit TMainForm(const QStringList& arguments = {}, Seams seams = {},
                     QWidget* parent = nullptr);
  ~TMainForm() override;

  // Stores the file name and shows it in the caption; the file's state in the status bar is
  // forgotten until setFileState.
  void setDocumentName(const QString& name);
  // What is known about the document's file ("сохранён в 12:03"), shown beside its name.
  void setFileState(const QString& state);
  // The "Файл" menu and the start page show the stored list of recent documents again.
  void refreshRecentDocuments();
  // Tabs and the "Страницы" menu from the document; ends on the device tab.
  void rebuildTabs();
  // Shows the device panel or the table, and loads the selected package into the table.
  void bindTable();
  void updateActions();
  // Device-dependent captions of the coefficient and graph windows.
  void updateDeviceCaptions();
  // The tolerance profile becomes the default of the document's device model (none without one).
  void useDefaultProfile();
  // The verdict of the selected package against the chosen profile, as the report gives it; none
  // without a profile or a package.
  std::optional<ReportVerdict> reportVerdictOfSelected() const;

  Document& document() { return doc_; }
  // -1 without a document, 0 the device tab, k >= 1 package k - 1.
  int tab() const;
  // The package of the selected tab; null on the device tab or without a document.
  PackageBase* selectedPackage() const;
  // The series and lines "Графики" last built for the graph window.
  const SPILTS_DATA_EXCHANGE& graphData() const;
  const Seams& seams() const { return seams_; }
  // Where the window's events go in the calibration history.
  DocumentHistory& history() { return *history_; }
  // The tolerance profile the verdict bar has chosen; none without.
  std::optional<ToleranceProfile> chosenProfile() const;
  // Selects a tab without running the tab change.
  void selectTab(int index);
  // Every change of the current line set that the coefficient window must show ends here.
  void refreshLinesWindow();
  // The selected page is shown: the device's lines are taken, the table or the panel follows.
  void TabControlChange();

  // Controls, named as in the rest of the program.
  QToolBar* ToolBar1;
  QTabBar* TabControl;
  QScrollArea* PageScroll;  // scrolls a device panel larger than the window
  QWidget* PageArea;        // parent of the start page, the device panel and the table
  QWidget* StartPage;       // shown while no document is open
  QPushButton* bnStartNew;
  QPushButton* bnStartOpen;
  QListWidget* lbRecent;
  VerdictBar* VerdictLine;  // above the table: the tolerance profile and the package's verdict
  TGoodTable* Table;
  QSplitter* Splitter1;
  MessageConsole* Console;
  QMenu* TablePopupMenu;
  QMenu* NPages;
  QMenu* NRecent;
  QLabel* lbStatusMessage;  // the newest console line
  QLabel* lbDocumentState;
  QLabel* lbPortState;  // shown for panels that tell whether their port is open

  QAction* ActionNew;
  QAction* ActionOpen;
  QAction* ActionSave;
  QAction* ActionNewPackage;
  QAction* ActionDeletePackage;
  QAction* ActionNewEntry;
  QAction* ActionNewEntryReadCode;
  QAction* ActionDeleteEntry;
  QAction* ActionReport;
  QAction* ActionReportPdf;
  QAction* ActionPrintReport;
  QAction* ActionProfiles;
  QAction* ActionApprOptions;
  QAction* ActionSetPoints;
  QAction* ActionAppr;
  QAction* ActionLines;
  QAction* ActionGraphics;
  QAction* NMonitor;
  QAction* NHistory;
  QAction* NHistorySettings;
  QAction* ActionNewEntryRM;
  QAction* NSaveAs;
  QAction* NClose;
  QAction* NExit;
  QAction* NExport;
  QAction* NImport;
  QAction* NHelp;
  QAction* NAbout;

  // The windows and dialogs are created on first use: building them all (the text exchange's file
  // dialogs above all) cost more start-up time than the rest of the main window.
  TApprOptionsDlg* ApprOptionsDlg();
  TDocCreateDlg* DocCreateDlg();
  TLinesDlg* LinesDlg();
  TPackageCreateDlg* PackageCreateDlg();
  TServiceGraph* ServiceGraph();
  TCsvOptionsDlg* CsvOptionsDlg();
  TSectionSelect* SectionSelect();
  // Closes the coefficient window if it was ever opened.
  void closeLinesWindow();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createActions();
  void createMenus();
  void createToolBar();
  void createClientArea();
  QWidget* createStartPage(QWidget* parent);
  void createStatusBar();
  void placeWindow();
  void storeWindowState();
  void updateStatus();
  void updatePortState();
  void openRecent(const QString& path);
  void fillDefaultSeams();
  void recordHistory();
  void connectCommand(QAction* action, std::function<void()> command);

  void NExitClick();
  void NPagesClick(int tag);
  void ActionApprOptionsExecute();
  void ActionLinesExecute();
  void ActionNewEntryRMExecute();
  void NHelpClick();
  void NAboutClick();
  void NHistorySettingsClick();
  void ActionProfilesExecute();
  void chooseProfile(const QString& name);
  void applyProfile();

  Seams seams_;
  Document doc_;
  std::unique_ptr<DocumentHistory> history_;
  std::unique_ptr<DocumentCommands> commands_;
  TableBinding* tableBinding_;
  Rm23Input rm23Input_;
  THelp* help_;
  QActionGroup* pagesGroup_;
  QLabel* lbRecentCaption_;
  QTimer* portTimer_;
  QString fileState_;

  TApprOptionsDlg* apprOptionsDlg_ = nullptr;
  TDocCreateDlg* docCreateDlg_ = nullptr;
  TLinesDlg* linesDlg_ = nullptr;
  TPackageCreateDlg* packageCreateDlg_ = nullptr;
  TServiceGraph* serviceGraph_ = nullptr;
  TCsvOptionsDlg* csvOptionsDlg_ = nullptr;
  TSectionSelect* sectionSelect_ = nullptr;
};

#include "ui/app/mainform.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <deque>

#include "core/history/historystore.h"
#include "core/package/approxstate.h"
#include "core/package/packagebase.h"
#include "core/storage/cp1251.h"
#include "core/storage/files.h"
#include "ui/app/about.h"
#include "ui/app/doccreate.h"
#include "ui/app/fakepaneldevice.h"
#include "ui/app/recentdocuments.h"
#include "ui/base/messageboxes.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/graphs/tservicegraph.h"
#include "ui/history/documenthistory.h"
#include "ui/history/historyrecorder.h"
#include "ui/history/historysettingsdlg.h"
#include "ui/package/approptions.h"
#include "ui/package/linesview.h"
#include "ui/package/packagecreatedlg.h"
#include "ui/package/toleranceprofiles.h"
#include "ui/package/verdictbar.h"
#include "ui/storage/csvoptions.h"
#include "ui/widgets/goodtable.h"

namespace {

constexpr int kZorbPulse = 2;    // "ЗОРБ-ТИ1": a pulse output, nothing hidden
constexpr int kZorbNoPulse = 1;  // "ЗОРБ-Т": no pulse output
constexpr int kKelt = 18;

using Button = QMessageBox::StandardButton;

// Every test starts as a first run: no window geometry and no recent documents.
void forgetWindowSettings() {
  RegKey key;
  key.create(kProgramKey);
  for (const char* name : {"MainWindowGeometry", "MainWindowSplitter"}) key.writeString(name, {});
  for (int i = 1; i <= RecentDocuments::kMax; ++i)
    key.writeString(QString("RecentDocument%1").arg(i), {});
}

// A main window whose devices are fakes, whose file and modal dialogs answer from the fixture's
// fields, and whose message boxes are answered from a queue (an unexpected box fails the test).
class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetApproxState();
    ASSERT_TRUE(dir.isValid());
    forgetWindowSettings();
    makeForm({});
  }
  void TearDown() override { form.reset(); }

  void makeForm(const QStringList& arguments) {
    form.reset();
    form = std::make_unique<TMainForm>(arguments, seams());
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }

  TMainForm::Seams seams() {
    TMainForm::Seams s;
    s.createDevice = [this](int code, QWidget* parent) -> std::unique_ptr<DeviceBase> {
      if (deviceType(code) == nullptr) return nullptr;
      ++devicesMade;
      return std::make_unique<FakePanelDevice>(code, parent);
    };
    s.chooseOpenFile = [this](QWidget*) {
      ++openDialogs;
      return openPath;
    };
    s.chooseSaveFile = [this](QWidget*, const QString& proposed) {
      proposals << proposed;
      return savePath;
    };
    s.choosePdfFile = [this](QWidget*, const QString& proposed) {
      proposals << proposed;
      return pdfPath;
    };
    s.execDialog = [this](QDialog& dialog) {
      if (auto* doc = qobject_cast<TDocCreateDlg*>(&dialog)) {
        doc->selectType(newType);
        return doc->selectedType() >= 0 ? int(QDialog::Accepted) : int(QDialog::Rejected);
      }
      if (auto* pkg = qobject_cast<TPackageCreateDlg*>(&dialog)) {
        (newKind == 1 ? pkg->rbCheckMode : pkg->rbCalibrMode)->setChecked(true);
        QRadioButton* methods[] = {pkg->rbVolMethod, pkg->rbMassMethod, pkg->rbGMethod};
        methods[newMethod]->setChecked(true);
        return int(QDialog::Accepted);
      }
      if (auto* appr = qobject_cast<TApprOptionsDlg*>(&dialog)) {
        appr->show();  // fills the controls from the settings, as exec() does
        (apprManual ? appr->rbManual : appr->rbAuto)->setChecked(true);
        appr->bnOK->click();
        return int(QDialog::Accepted);
      }
      if (auto* history = qobject_cast<HistorySettingsDlg*>(&dialog)) {
        if (!historyDialog) return int(QDialog::Rejected);
        historyDialog(*history);
        return history->result();
      }
      if (auto* print = qobject_cast<QPrintDialog*>(&dialog)) {
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(printPath);
        return printPath.isEmpty() ? int(QDialog::Rejected) : int(QDialog::Accepted);
      }
      ADD_FAILURE() << "unexpected dialog";
      return int(QDialog::Rejected);
    };
    s.openUrl = [this](const QUrl& url) { urls << url; };
    s.helpFolder = helpFolder;
    s.openReport = [this](const QUrl& url) {
      urls << url;
      return true;
    };
    s.reportPath = dir.filePath("report.html");
    return s;
  }

  // Answers the questions in order, records every box shown.
  Button answer(const MessageBoxes::Request& request) {
    boxes.push_back(request);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected box: " << request.text.toStdString();
      return QMessageBox::Cancel;
    }
    const Button b = answers.front();
    answers.pop_front();
    return b;
  }

  Document& doc() { return form->document(); }
  FakePanelDevice* device() { return static_cast<FakePanelDevice*>(doc().device.get()); }
  TGoodTable* table() { return form->Table; }
  QStringList consoleLines() {
    const QString text = form->Console->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
  }

  void newDocument(int code) {
    if (doc().isOpen()) answers.push_back(QMessageBox::No);
    newType = code;
    form->ActionNew->trigger();
    ASSERT_TRUE(doc().isOpen());
  }
  void newPackage(int kind = 0, int method = 0) {
    newKind = kind;
    newMethod = method;
    form->ActionNewPackage->trigger();
  }
  int column(const QString& caption) {
    for (int col = 0; col < table()->GetColCount(); ++col)
      if (table()->GetCaptions(col) == caption) return col;
    ADD_FAILURE() << "no column " << caption.toStdString();
    return 0;
  }
  // Types into a cell as a user does: select it, type, leave the editor with Escape.
  void typeInto(int row, const QString& caption, const QString& text) {
    table()->SetRow(row);
    table()->SetCol(column(caption));
    table()->setFocus();
    QTest::keyClicks(table(), text.left(1));
    QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  }
  QString cell(int row, const QString& caption) { return table()->GetCells(row, column(caption)); }
  QString path(const QString& name) { return dir.filePath(name); }

  QTemporaryDir dir;
  QString helpFolder = dir.path();
  std::unique_ptr<TMainForm> form;
  std::deque<Button> answers;
  std::vector<MessageBoxes::Request> boxes;
  ScopedMessageAnswerer answerer{[this](const MessageBoxes::Request& r) { return answer(r); }};
  int newType = kZorbPulse, newKind = 0, newMethod = 0;
  bool apprManual = true;
  int devicesMade = 0, openDialogs = 0;
  std::function<void(HistorySettingsDlg&)> historyDialog;  // none: the dialog is cancelled
  QString openPath, savePath, pdfPath, printPath;
  QStringList proposals;
  QList<QUrl> urls;
};

const QString kCaptionPrefix = QStringLiteral("ТайдМарк-Cервис [");

TEST_F(MainFormTest, StartsWithoutDocument) {
  EXPECT_EQ(form->windowTitle(), kCaptionPrefix + "]");
  EXPECT_EQ(form->tab(), -1);
  EXPECT_FALSE(form->NPages->isEnabled());
  EXPECT_FALSE(table()->isVisible());
  EXPECT_EQ(form->Console->accessibleName(), "Журнал сообщений");
  EXPECT_FALSE(form->Console->focusPolicy() & Qt::TabFocus);
  for (QAction* a :
       {form->ActionSave, form->ActionNewPackage, form->ActionDeletePackage, form->ActionNewEntry,
        form->ActionNewEntryReadCode, form->ActionDeleteEntry, form->ActionReport,
        form->ActionApprOptions, form->ActionSetPoints, form->ActionAppr, form->ActionLines,
        form->ActionGraphics, form->ActionNewEntryRM, form->NSaveAs, form->NClose, form->NExport,
        form->NImport})
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  EXPECT_TRUE(form->ActionNew->isEnabled());
  EXPECT_TRUE(form->ActionOpen->isEnabled());
}

TEST_F(MainFormTest, NewPackageTypingSaveCloseOpenGivesTheSameDocument) {
  newDocument(kZorbPulse);
  device()->identity = {1234, 5};
  newPackage(0, 0);
  ASSERT_EQ(form->tab(), 1);
  form->ActionNewEntry->trigger();
  form->ActionNewEntry->trigger();
  ASSERT_EQ(table()->GetRowCount(), 2);

  typeInto(1, "Vэт (л)", "36");
  typeInto(1, "Tэт (сек)", "10");
  // The row follows the keystrokes: 3.6 * 36 l / 10 s.
  EXPECT_EQ(cell(1, "gэт (м3/ч)"), "12.960000");
  EXPECT_EQ(cell(0, "gэт (м3/ч)"), "0.000000");
  typeInto(0, "t (°C)", "35,5");
  EXPECT_EQ(cell(0, "t (°C)"), "35.50");

  // Never saved: Save is Save As, with the proposed name.
  savePath = path("doc.srv");
  form->ActionSave->trigger();
  EXPECT_EQ(proposals, QStringList{"ЗОРБ-ТИ1 Ду50 N00001234"});
  EXPECT_EQ(form->windowTitle(), kCaptionPrefix + savePath + "]");
  ASSERT_TRUE(QFile::exists(savePath));

  QStringList before;
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < table()->GetColCount(); ++col) before << table()->GetCells(row, col);

  answers = {QMessageBox::No};
  form->NClose->trigger();
  EXPECT_FALSE(doc().isOpen());
  EXPECT_EQ(form->tab(), -1);
  EXPECT_EQ(form->windowTitle(), kCaptionPrefix + "]");
  EXPECT_TRUE(currentLines().empty());

  openPath = savePath;
  form->ActionOpen->trigger();
  ASSERT_TRUE(doc().isOpen());
  EXPECT_EQ(device()->identity.serialNumber, 1234);
  EXPECT_EQ(form->TabControl->count(), 2);
  EXPECT_EQ(form->tab(), 0);
  form->NPages->actions()[1]->trigger();
  ASSERT_EQ(form->tab(), 1);
  QStringList after;
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < table()->GetColCount(); ++col) after << table()->GetCells(row, col);
  EXPECT_EQ(after, before);
  EXPECT_EQ(form->windowTitle(), kCaptionPrefix + openPath + "]");

  // A known file name: Save writes without asking.
  QFile::remove(savePath);
  form->ActionSave->trigger();
  EXPECT_TRUE(QFile::exists(savePath));
  EXPECT_EQ(proposals.size(), 1);
}

TEST_F(MainFormTest, CancelInTheSaveQuestionKeepsTheDocument) {
  newDocument(kZorbPulse);
  newPackage();
  const DeviceBase* device = doc().device.get();
  struct Command {
    const char* name;
    std::function<void()> run;
  } commands[] = {
      {"Новый", [&] { form->ActionNew->trigger(); }},
      {"Открыть", [&] { form->ActionOpen->trigger(); }},
      {"Закрыть", [&] { form->NClose->trigger(); }},
      {"closing the window", [&] { EXPECT_FALSE(form->close()); }},
  };
  for (const Command& c : commands) {
    answers = {QMessageBox::Cancel};
    c.run();
    EXPECT_TRUE(answers.empty()) << c.name << ": no question asked";
    EXPECT_EQ(doc().device.get(), device) << c.name;
    EXPECT_EQ(doc().packages.size(), 1u) << c.name;
    EXPECT_EQ(form->TabControl->count(), 2) << c.name;
    EXPECT_TRUE(form->isVisible()) << c.name;
  }
  EXPECT_EQ(openDialogs, 0);
  EXPECT_TRUE(consoleLines().isEmpty());
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].caption, "Орбитон");
  EXPECT_EQ(boxes[0].text, "Сохранить изменения?");
  EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

  // Yes, but the save fails: the failure is reported and nothing is closed.
  savePath = path("missing-folder/doc.srv");
  answers = {QMessageBox::Yes};
  EXPECT_FALSE(form->close());
  EXPECT_EQ(doc().device.get(), device);
  EXPECT_EQ(form->windowTitle(), kCaptionPrefix + "]");
  ASSERT_FALSE(consoleLines().isEmpty());
  EXPECT_TRUE(consoleLines()[0].contains(" - System Error.  Code: 2."));
}

TEST_F(MainFormTest, ActionsFollowTheEnablingRules) {
  struct State {
    const char* name;
    std::function<void()> reach;
    // Save, DeletePackage, NewEntry, ReadCode, DeleteEntry, SetPoints, Appr, Graphics, RM
    std::array<bool, 9> enabled;
  } states[] = {
      {"ZORB device tab", [&] { newDocument(kZorbPulse); }, {1, 0, 0, 0, 0, 0, 0, 0, 1}},
      {"ZORB empty calibration package", [&] { newPackage(0, 0); }, {1, 1, 1, 0, 0, 1, 1, 1, 1}},
      {"... with an entry", [&] { form->ActionNewEntry->trigger(); }, {1, 1, 1, 0, 1, 1, 1, 1, 1}},
      {"... in automatic mode",
       [&] {
         apprSettings().manual = 0;
         form->updateActions();
       },
       {1, 1, 1, 0, 1, 0, 1, 1, 1}},
      {"... back on the device tab",
       [&] { form->NPages->actions()[0]->trigger(); },
       {1, 0, 0, 0, 0, 0, 0, 1, 1}},
      {"ZORB verification package", [&] { newPackage(1, 0); }, {1, 1, 1, 0, 0, 0, 0, 1, 1}},
      {"TD device tab", [&] { newDocument(kTdCode); }, {1, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"TD calibration package", [&] { newPackage(0, 0); }, {1, 1, 1, 1, 0, 1, 1, 1, 0}},
      {"KELT device tab", [&] { newDocument(kKelt); }, {1, 0, 0, 0, 0, 0, 0, 0, 1}},
  };
  for (const State& s : states) {
    s.reach();
    QAction* actions[] = {form->ActionSave,        form->ActionDeletePackage,
                          form->ActionNewEntry,    form->ActionNewEntryReadCode,
                          form->ActionDeleteEntry, form->ActionSetPoints,
                          form->ActionAppr,        form->ActionGraphics,
                          form->ActionNewEntryRM};
    for (size_t i = 0; i < std::size(actions); ++i)
      EXPECT_EQ(actions[i]->isEnabled(), s.enabled[i])
          << s.name << ": " << actions[i]->text().toStdString();
    // The menu items follow the same tab rules.
    EXPECT_EQ(form->NSaveAs->isEnabled(), form->tab() >= 0) << s.name;
    EXPECT_EQ(form->NClose->isEnabled(), form->tab() >= 0) << s.name;
    EXPECT_EQ(form->NExport->isEnabled(), form->tab() > 0) << s.name;
    EXPECT_EQ(form->NImport->isEnabled(), form->tab() > 0) << s.name;
  }
}

TEST_F(MainFormTest, ConsoleKeepsTheLastTwentyLinesAndDoubleClickEmptiesIt) {
  for (int i = 1; i <= 21; ++i) form->Console->addLine(QString("сообщение %1").arg(i));
  const QStringList lines = consoleLines();
  ASSERT_EQ(lines.size(), MessageConsole::kLines);
  EXPECT_TRUE(lines.first().endsWith(" - сообщение 2"));
  EXPECT_TRUE(lines.last().endsWith(" - сообщение 21"));
  EXPECT_FALSE(lines.last().startsWith(" - "));
  EXPECT_FALSE(form->Console->toPlainText().endsWith('\n'));

  QTest::mouseDClick(form->Console->viewport(), Qt::LeftButton);
  EXPECT_TRUE(consoleLines().isEmpty());
}

TEST_F(MainFormTest, BadFileLeavesDocumentCaptionAndConsoleAsTheyWere) {
  newDocument(kZorbPulse);
  newPackage();
  savePath = path("good.srv");
  form->NSaveAs->trigger();
  form->Console->addLine("до открытия");
  const QString caption = form->windowTitle();
  QStringList console = consoleLines();
  const DeviceBase* device = doc().device.get();
  const PackageBase* package = doc().packages[0].get();

  QFile bad(path("bad.srv"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("3BZN\x05\0\0\0 not a document", 24);
  bad.close();
  struct Case {
    QString file, message;
  } cases[] = {
      {path("bad.srv"), "Неправильный формат файла"},
      {path("missing.srv"), "System Error.  Code: 2."},
  };
  for (const Case& c : cases) {
    answers = {QMessageBox::No};
    openPath = c.file;
    form->ActionOpen->trigger();
    EXPECT_EQ(doc().device.get(), device);
    ASSERT_EQ(doc().packages.size(), 1u);
    EXPECT_EQ(doc().packages[0].get(), package);
    EXPECT_EQ(form->windowTitle(), caption);
    const QStringList lines = consoleLines();
    EXPECT_EQ(lines.mid(0, console.size()), console);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[console.size()].contains(" - " + c.message)) << lines.join('|').toStdString();
    form->Console->clear();
    form->Console->addLine("до открытия");
    console = consoleLines();  // the line carries a new time stamp
  }
}

TEST_F(MainFormTest, DeletingTheOnlyPackageReturnsToTheDeviceTab) {
  newDocument(kZorbPulse);
  newPackage(1, 0);
  const QString caption = form->TabControl->tabText(1);
  EXPECT_TRUE(caption.startsWith("Поверочный "));

  answers = {QMessageBox::No};
  form->ActionDeletePackage->trigger();
  EXPECT_EQ(doc().packages.size(), 1u);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Удалить пакет " + caption + "?");
  EXPECT_EQ(boxes[0].caption, "Орбитон");
  EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);

  answers = {QMessageBox::Yes};
  form->ActionDeletePackage->trigger();
  EXPECT_TRUE(doc().packages.empty());
  EXPECT_EQ(form->TabControl->count(), 1);
  EXPECT_EQ(form->tab(), 0);
  EXPECT_FALSE(form->ActionGraphics->isEnabled());
  EXPECT_FALSE(table()->isVisible());
  EXPECT_TRUE(device()->panel->isVisible());
}

TEST_F(MainFormTest, CellEditsReachThePackageAndItsRow) {
  newDocument(kZorbPulse);
  newPackage();
  form->ActionNewEntry->trigger();
  QTest::keyClick(form.get(), Qt::Key_F7);  // the shortcut of "Новое измерение"
  PackageBase& package = *doc().packages[0];
  ASSERT_EQ(package.entryCount(), 2);

  // Not a number: the old value stays, in the package and in the cell, without a word.
  typeInto(0, "t (°C)", "abc");
  EXPECT_EQ(cell(0, "t (°C)"), "20.00");
  EXPECT_EQ(package.cellText(0, column("t (°C)")), "20.00");

  // A lone minus does not convert yet; the digits that follow do.
  typeInto(0, "t (°C)", "-4");
  EXPECT_EQ(cell(0, "t (°C)"), "-4.00");

  // "Выкл." is stored at once; only that row is recalculated.
  const int off = column("Выкл.");
  table()->SetRow(1);
  table()->SetCol(off);
  QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                    table()->CheckBoxRect(1, off).center());
  EXPECT_TRUE(package.cellChecked(1, off));
  EXPECT_TRUE(table()->GetCellsChecked(1, off));
  EXPECT_FALSE(package.cellChecked(0, off));
  EXPECT_TRUE(consoleLines().isEmpty());
  EXPECT_TRUE(boxes.empty());

  // The context menu offers the entry commands; deleting takes the current row.
  EXPECT_EQ(form->TablePopupMenu->actions(),
            (QList<QAction*>{form->ActionNewEntry, form->ActionDeleteEntry}));
  table()->SetRow(0);
  form->ActionDeleteEntry->trigger();
  ASSERT_EQ(package.entryCount(), 1);
  EXPECT_TRUE(package.cellChecked(0, off));
  EXPECT_EQ(table()->GetRowCount(), 1);
}

TEST_F(MainFormTest, VerificationPackagesOfZorbModelsWithoutPulseOutputHideThreeColumns) {
  struct Case {
    int code, kind, hidden;
  } cases[] = {
      {kZorbNoPulse, 1, 3}, {kZorbNoPulse, 0, 0}, {kZorbPulse, 1, 0}, {7, 1, 3}, {kKelt, 1, 0},
  };
  for (const Case& c : cases) {
    newDocument(c.code);
    newPackage(c.kind, 1);
    const PackageBase& package = *doc().packages[0];
    ASSERT_EQ(table()->GetColCount(), package.columnCount() - c.hidden) << c.code;
    for (int col = 0; col < table()->GetColCount(); ++col)
      EXPECT_EQ(table()->GetCaptions(col), QString::fromUtf8(package.column(col).caption));
    if (c.hidden) {
      // The last visible column takes input as usual.
      form->ActionNewEntry->trigger();
      typeInto(0, "gизм (м3/ч)", "1");  // read-only: typing does nothing
      typeInto(0, "N1 (имп)", "17");
      EXPECT_EQ(package.cellText(0, column("N1 (имп)")), "17");
    }
  }
}

TEST_F(MainFormTest, TabSelectionSwapsPanelAndTableAndTakesTheDeviceLines) {
  newDocument(kKelt);
  device()->lines = {{1, 2, 100}, {3, 4, 0}};
  device()->weight = 0.25;
  newPackage();
  newPackage();
  form->NPages->actions()[1]->trigger();
  EXPECT_EQ(form->tab(), 1);

  // A new package moves on to its own tab, the last one.
  newPackage();
  EXPECT_EQ(form->TabControl->count(), 4);
  EXPECT_EQ(form->tab(), 3);
  EXPECT_EQ(doc().packages[2]->entryKind(), ekKelt);
  EXPECT_TRUE(form->NPages->actions()[3]->isChecked());
  EXPECT_TRUE(table()->isVisible());
  EXPECT_FALSE(device()->panel->isVisible());
  EXPECT_EQ(currentLines().size(), 2u);
  EXPECT_EQ(apprSettings().pulseWeight, 0.25);

  form->TabControl->setCurrentIndex(0);  // as a click on the tab does
  EXPECT_FALSE(table()->isVisible());
  EXPECT_TRUE(device()->panel->isVisible());
  EXPECT_TRUE(form->NPages->actions()[0]->isChecked());
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(form->NPages->actions()[i]->text(), form->TabControl->tabText(i));
  EXPECT_EQ(form->TabControl->tabText(0), "КЕЛТ-ЧИ7-xxx");
}

TEST_F(MainFormTest, NewPackageHasTheEntryKindOfTheDevice) {
  struct Case {
    int code, entryKind;
  } cases[] = {{kZorbPulse, ekZorb}, {kKelt, ekKelt}, {kTdCode, ekEpr}};
  for (const Case& c : cases) {
    newDocument(c.code);
    newPackage(1, 2);
    ASSERT_EQ(doc().packages.size(), 1u);
    EXPECT_EQ(doc().packages[0]->entryKind(), c.entryKind);
    EXPECT_EQ(doc().packages[0]->kind, pkVerification);
    EXPECT_EQ(doc().packages[0]->method, mReference);
  }
}

// Three entries of a ZORB calibration package that lie on one line.
static void addEntriesOnALine(PackageBase& package) {
  for (double v : {10.0, 20.0, 40.0}) {
    package.addEntry();
    const int row = package.entryCount() - 1;
    package.setValue(row, colRefVolume, v);
    package.setValue(row, colRefTime, 10.0);
    package.setValue(row, colPulseTime, 10.0);
    package.setValue(row, colPulses1, int32_t(v * 10 + 1));
  }
}

TEST_F(MainFormTest, ApproximationWritesTheLinesOrReportsTheFailure) {
  newDocument(kZorbPulse);
  newPackage();
  form->ActionAppr->trigger();  // no entries: nothing to fit
  EXPECT_TRUE(consoleLines().last().endsWith(" - Невозможно выполнить аппроксимацию"));
  EXPECT_EQ(device()->writeLinesCount, 0);

  addEntriesOnALine(*doc().packages[0]);
  form->ActionAppr->trigger();
  EXPECT_TRUE(consoleLines().last().endsWith(" - Аппроксимация выполнена"));
  EXPECT_EQ(device()->writeLinesCount, 1);
  ASSERT_EQ(device()->lines.size(), 1u);
  // Every entry lies on the fitted line, and the table already shows it.
  EXPECT_NEAR(cell(2, "dg (%)").toDouble(), 0.0, 0.005);

  // All readings equal: the fit is singular, the line set is emptied, every error is 100 %.
  PackageBase& package = *doc().packages[0];
  for (int row = 0; row < package.entryCount(); ++row) package.setValue(row, colPulses1, 101);
  form->ActionAppr->trigger();
  EXPECT_TRUE(consoleLines().last().endsWith(" - Невозможно выполнить аппроксимацию"));
  EXPECT_EQ(device()->writeLinesCount, 1);
  EXPECT_TRUE(currentLines().empty());
  for (int row = 0; row < 3; ++row) EXPECT_EQ(cell(row, "dg (%)"), "100.00");
}

TEST_F(MainFormTest, ApproximationOptionsAndTheCoefficientWindowFollowTheCommands) {
  newDocument(kKelt);
  newPackage();
  EXPECT_TRUE(form->ActionSetPoints->isEnabled());  // a new document works in manual mode
  apprManual = false;
  form->ActionApprOptions->trigger();
  EXPECT_EQ(apprSettings().manual, 0);
  EXPECT_FALSE(form->ActionSetPoints->isEnabled());
  apprManual = true;
  form->ActionApprOptions->trigger();
  EXPECT_TRUE(form->ActionSetPoints->isEnabled());

  form->ActionLines->trigger();
  ASSERT_TRUE(form->LinesDlg()->isVisible());
  EXPECT_EQ(form->LinesDlg()->LinesTable->GetCaptions(2), "Частота (Гц)");
  EXPECT_EQ(form->LinesDlg()->LinesTable->GetRowCount(), 0);

  newDocument(kZorbPulse);  // closing the document closes the window
  EXPECT_FALSE(form->LinesDlg()->isVisible());
  newPackage();
  addEntriesOnALine(*doc().packages[0]);
  form->ActionLines->trigger();
  form->ActionAppr->trigger();
  EXPECT_EQ(form->LinesDlg()->LinesTable->GetRowCount(), 1);
}

// The windows of the commands are built when first used, and then show what they would have
// shown had they followed the document all along.
TEST_F(MainFormTest, CommandWindowsAreBuiltOnFirstUseWithTheDocumentsState) {
  EXPECT_TRUE(form->findChildren<QDialog*>().isEmpty());

  newDocument(kZorbPulse);
  newPackage();
  addEntriesOnALine(*doc().packages[0]);
  form->ActionAppr->trigger();
  EXPECT_EQ(form->findChild<TLinesDlg*>(), nullptr);

  form->ActionLines->trigger();
  EXPECT_EQ(form->LinesDlg()->LinesTable->GetRowCount(), 1);
  EXPECT_EQ(form->LinesDlg()->LinesTable->GetCaptions(2), "Частота (Гц)");
}

TEST_F(MainFormTest, ReportIsWrittenAndOpened) {
  newDocument(kZorbPulse);
  newPackage();
  form->ActionReport->trigger();
  const QString report = dir.filePath("report.html");
  ASSERT_TRUE(QFile::exists(report));
  ASSERT_EQ(urls.size(), 1);
  EXPECT_EQ(urls[0], QUrl::fromLocalFile(report));
  ASSERT_FALSE(consoleLines().isEmpty());
  EXPECT_TRUE(
      consoleLines().last().endsWith(" - Отчёт записан в файл " + QDir::toNativeSeparators(report)))
      << consoleLines().last().toStdString();
}

TEST_F(MainFormTest, ExportedColumnsComeBackByImport) {
  newDocument(kZorbPulse);
  newPackage();
  addEntriesOnALine(*doc().packages[0]);
  newPackage();
  const QString file = path("columns.txt");
  form->CsvOptionsDlg()->setFileChooser([&](bool) { return file; });
  // Puts "Vэт (л)" into the file's columns (the lists start empty) and confirms.
  auto acceptDialog = [this] {
    QTimer::singleShot(0, form.get(), [this] {
      TCsvOptionsDlg* dlg = form->CsvOptionsDlg();
      const auto found = dlg->lbAvailable->findItems("Vэт (л)", Qt::MatchExactly);
      if (!found.isEmpty()) {
        dlg->lbAvailable->setCurrentItem(found[0]);
        dlg->bnAvail2File->click();
      }
      dlg->accept();
    });
  };

  form->NPages->actions()[1]->trigger();
  acceptDialog();
  form->NExport->trigger();
  ASSERT_TRUE(QFile::exists(file));

  form->NPages->actions()[2]->trigger();
  acceptDialog();
  form->NImport->trigger();
  ASSERT_EQ(doc().packages[1]->entryCount(), 3);
  EXPECT_EQ(table()->GetRowCount(), 3);  // the table shows what was read at once
  EXPECT_EQ(doc().packages[1]->cellText(2, column("Vэт (л)")),
            doc().packages[0]->cellText(2, column("Vэт (л)")));

  QFile::remove(file);
  acceptDialog();
  form->NImport->trigger();  // a file that is gone: the system's error, nothing changes
  EXPECT_TRUE(form->Console->toPlainText().contains("System Error.  Code: 2."));
  EXPECT_EQ(doc().packages[1]->entryCount(), 3);
}

TEST_F(MainFormTest, SaveAsCancelIsSilentAndGraphicsBuildTheSeries) {
  newDocument(kZorbNoPulse);
  newPackage();
  savePath.clear();
  form->NSaveAs->trigger();
  EXPECT_EQ(form->windowTitle(), kCaptionPrefix + "]");
  EXPECT_TRUE(consoleLines().isEmpty());

  form->ActionGraphics->trigger();
  EXPECT_EQ(form->graphData().series.size(), 1u);
}

TEST_F(MainFormTest, GraphicsShowTheGraphWindowWithTheFamilyCaptions) {
  struct Case {
    int type;
    QString reading, ratio;
  };
  const Case cases[] = {{kKelt, "Частота (Гц)", "Частота/Расход"}, {0, "Код", "Код/Расход"}};
  for (const Case& c : cases) {
    newDocument(c.type);
    newPackage(1);  // a verification package gives two series
    form->ActionGraphics->trigger();
    TServiceGraph* graph = form->ServiceGraph();
    EXPECT_TRUE(graph->isVisible());
    EXPECT_EQ(graph->SpiltSelect->count(), 2);
    graph->TabControl->setCurrentIndex(1);
    EXPECT_EQ(graph->leftCaption(), c.reading);
    graph->TabControl->setCurrentIndex(3);
    EXPECT_EQ(graph->leftCaption(), c.ratio);
    graph->TabControl->setCurrentIndex(0);
  }
}

TEST_F(MainFormTest, CommandLineOpensTheFirstDocumentOnly) {
  newDocument(kZorbPulse);
  newPackage();
  savePath = path("first.srv");
  form->NSaveAs->trigger();
  savePath = path("second.srv");
  newPackage();
  form->NSaveAs->trigger();

  makeForm({"tdservice", "-style", path("first.srv"), path("second.srv")});
  EXPECT_EQ(form->windowTitle(), kCaptionPrefix + path("first.srv") + "]");
  EXPECT_EQ(doc().packages.size(), 1u);
  EXPECT_EQ(form->tab(), 0);
  EXPECT_TRUE(form->ActionSave->isEnabled());
  // The windows that name the device's reading follow the document, as after "Открыть".
  form->ActionGraphics->trigger();
  form->ServiceGraph()->TabControl->setCurrentIndex(1);
  EXPECT_EQ(form->ServiceGraph()->leftCaption(), "Частота (Гц)");
  form->ServiceGraph()->TabControl->setCurrentIndex(0);

  // A bad document on the command line is reported and the program starts without one.
  makeForm({"tdservice", path("missing.srv")});
  EXPECT_FALSE(doc().isOpen());
  EXPECT_EQ(form->windowTitle(), kCaptionPrefix + "]");
  ASSERT_EQ(consoleLines().size(), 2);  // the OS error text holds two lines
  EXPECT_TRUE(consoleLines()[0].contains(" - System Error.  Code: 2."));
}

TEST_F(MainFormTest, HelpOpensThePageOfTheKeyword) {
  form->NHelp->trigger();
  QTest::keyClick(form.get(), Qt::Key_F1);
  ASSERT_EQ(urls.size(), 2);
  EXPECT_EQ(urls[0], QUrl::fromLocalFile(QDir(helpFolder).filePath("introduction.htm")));
  EXPECT_EQ(urls[1], QUrl::fromLocalFile(QDir(helpFolder).filePath("Overview.htm")));

  helpFolder = path("no-help-here");
  makeForm({});
  urls.clear();
  form->NHelp->trigger();
  EXPECT_TRUE(urls.isEmpty());
}

TEST_F(MainFormTest, AboutShowsVersionAndBuildStamp) {
  answers = {QMessageBox::Ok};
  form->NAbout->trigger();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "О программе");
  EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok);
  const QStringList lines = boxes[0].text.split('\n');
  ASSERT_GE(lines.size(), 6);
  EXPECT_EQ(lines[0], "ТайдМарк-Duvara");
  EXPECT_TRUE(lines[1].startsWith("Версия: 0.")) << lines[1].toStdString();
  EXPECT_EQ(lines[2], buildDateText(__DATE__, QLocale()));
  EXPECT_EQ(lines[4], "");
}

TEST(RecentDocumentsTest, NewestFirstWithoutRepeatsAtMostEight) {
  QStringList eight;
  for (int i = 1; i <= 8; ++i) eight << QString("/d/%1.srv").arg(i);
  struct Case {
    const char* name;
    QStringList before;
    QString added;
    QStringList after;
  } cases[] = {
      {"the first one", {}, "/d/a.srv", {"/d/a.srv"}},
      {"goes first", {"/d/a.srv", "/d/b.srv"}, "/d/c.srv", {"/d/c.srv", "/d/a.srv", "/d/b.srv"}},
      {"a repeat moves up",
       {"/d/a.srv", "/d/b.srv", "/d/c.srv"},
       "/d/c.srv",
       {"/d/c.srv", "/d/a.srv", "/d/b.srv"}},
      {"the same file by another path", {"/d/a.srv"}, "/d/x/../a.srv", {"/d/a.srv"}},
      {"a relative path is made absolute", {}, "a.srv", {QDir::current().filePath("a.srv")}},
      {"the ninth drops the oldest", eight, "/d/9.srv", QStringList{"/d/9.srv"} + eight.mid(0, 7)},
      {"a repeat in a full list drops nothing else", eight, "/d/8.srv",
       QStringList{"/d/8.srv"} + eight.mid(0, 7)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RecentDocuments::withFirst(c.before, c.added), c.after) << c.name;
}

TEST_F(MainFormTest, RecentDocumentsFollowOpenAndSaveAsInTheMenuAndOnTheStartPage) {
  const QString a = path("a.srv"), b = path("b.srv"), c = path("c.srv");
  newDocument(kZorbPulse);
  for (const QString& name : {a, b, c}) {
    savePath = name;
    form->NSaveAs->trigger();
  }
  form->ActionSave->trigger();  // a plain save keeps the order
  EXPECT_EQ(RecentDocuments::load(), QStringList({c, b, a}));
  QStringList menu;
  for (QAction* item : form->NRecent->actions()) menu << item->text();
  EXPECT_EQ(menu, QStringList({"&1 " + c, "&2 " + b, "&3 " + a}));

  answers = {QMessageBox::No};
  openPath = a;
  form->ActionOpen->trigger();
  EXPECT_EQ(RecentDocuments::load(), QStringList({a, c, b}));

  answers = {QMessageBox::No};
  form->NClose->trigger();
  ASSERT_TRUE(form->lbRecent->isVisible());
  QStringList listed;
  for (int row = 0; row < form->lbRecent->count(); ++row)
    listed << form->lbRecent->item(row)->text();
  EXPECT_EQ(listed, QStringList({a, c, b}));

  // A file that is gone leaves the list with a message when picked; nothing is opened.
  QFile::remove(c);
  const size_t asked = boxes.size();
  form->NRecent->actions()[1]->trigger();
  QCoreApplication::processEvents();
  EXPECT_FALSE(doc().isOpen());
  EXPECT_EQ(RecentDocuments::load(), QStringList({a, b}));
  EXPECT_EQ(form->lbRecent->count(), 2);
  ASSERT_FALSE(consoleLines().isEmpty());
  EXPECT_TRUE(consoleLines().last().endsWith(
      " - Документ " + c + " не найден; он убран из списка последних документов"));
  EXPECT_EQ(boxes.size(), asked);

  // A click on the start page opens a document, so does Enter.
  QListWidget* list = form->lbRecent;
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(1)).center());
  QCoreApplication::processEvents();
  EXPECT_EQ(form->windowTitle(), kCaptionPrefix + b + "]");
  EXPECT_FALSE(form->StartPage->isVisible());

  answers = {QMessageBox::No};
  form->NClose->trigger();
  ASSERT_EQ(list->item(0)->text(), b);
  list->setFocus();
  list->setCurrentRow(1);
  QTest::keyClick(list, Qt::Key_Return);
  QCoreApplication::processEvents();
  EXPECT_EQ(form->windowTitle(), kCaptionPrefix + a + "]");
}

TEST_F(MainFormTest, StartPageLeadsToANewOrAnOpenedDocument) {
  EXPECT_TRUE(form->StartPage->isVisible());
  EXPECT_FALSE(form->lbRecent->isVisible());  // nothing opened yet
  newType = kKelt;
  QTest::mouseClick(form->bnStartNew, Qt::LeftButton);
  ASSERT_TRUE(doc().isOpen());
  EXPECT_FALSE(form->StartPage->isVisible());
  EXPECT_TRUE(device()->panel->isVisible());
  savePath = path("kelt.srv");
  form->NSaveAs->trigger();

  answers = {QMessageBox::No};
  form->NClose->trigger();
  EXPECT_TRUE(form->StartPage->isVisible());
  openPath = savePath;
  QTest::mouseClick(form->bnStartOpen, Qt::LeftButton);
  EXPECT_EQ(openDialogs, 1);
  EXPECT_EQ(form->windowTitle(), kCaptionPrefix + savePath + "]");
  EXPECT_FALSE(form->StartPage->isVisible());
}

TEST_F(MainFormTest, StatusBarShowsTheNewestMessageAndOnlyWhatIsKnownOfTheFile) {
  const QRegularExpression time("^\\d\\d:\\d\\d:\\d\\d$");
  auto stateAfter = [&](const QString& prefix) {
    const QString text = form->lbDocumentState->text();
    EXPECT_TRUE(text.startsWith(prefix)) << text.toStdString();
    EXPECT_TRUE(time.match(text.mid(prefix.size())).hasMatch()) << text.toStdString();
  };
  EXPECT_EQ(form->lbDocumentState->text(), "Документ не открыт");
  newDocument(kZorbPulse);
  EXPECT_EQ(form->lbDocumentState->text(), "Новый документ, в файл не сохранён");
  EXPECT_FALSE(form->lbPortState->isVisible());  // the fake panel tells nothing of a port

  savePath = path("doc.srv");
  form->NSaveAs->trigger();
  stateAfter(savePath + " — сохранён в ");
  form->Console->addLine("последнее сообщение");
  EXPECT_TRUE(form->lbStatusMessage->text().endsWith(" - последнее сообщение"));

  answers = {QMessageBox::No};
  openPath = savePath;
  form->ActionOpen->trigger();
  stateAfter(savePath + " — открыт в ");
  EXPECT_EQ(form->lbStatusMessage->text(), "");  // the console was emptied
  form->ActionSave->trigger();
  stateAfter(savePath + " — сохранён в ");

  // However long, a message or a path never widens the window.
  const QSize minimum = form->minimumSizeHint();
  form->Console->addLine(QString(400, u'ж'));
  form->setDocumentName(path(QString(300, u'ф')));
  EXPECT_EQ(form->minimumSizeHint(), minimum);

  answers = {QMessageBox::No};
  form->NClose->trigger();
  EXPECT_EQ(form->lbDocumentState->text(), "Документ не открыт");
}

TEST_F(MainFormTest, ConsoleShowsFourLinesAtFirstAndAlwaysItsNewestLine) {
  MessageConsole* console = form->Console;
  EXPECT_GE(console->viewport()->height(), 4 * console->fontMetrics().lineSpacing());
  const auto newestInView = [console] {
    const QTextCursor newest(console->document()->lastBlock());
    return console->viewport()->rect().contains(console->cursorRect(newest));
  };
  for (int i = 1; i <= 50; ++i) {
    console->addLine(QString("сообщение %1").arg(i));
    ASSERT_TRUE(newestInView()) << i;
  }
  // A long line shows its beginning, the time stamp.
  console->addLine(QString(300, u'ж'));
  EXPECT_TRUE(newestInView());
  EXPECT_EQ(console->horizontalScrollBar()->value(), 0);

  // Made as low as it goes, the console still shows the newest line.
  form->Splitter1->setSizes({10000, 1});
  QCoreApplication::processEvents();
  EXPECT_TRUE(newestInView());
}

TEST_F(MainFormTest, WindowOpensOnTheScreenAndComesBackWhereItWasLeft) {
  const QRect area = form->screen()->availableGeometry();
  EXPECT_TRUE(area.contains(form->frameGeometry())) << area.width() << "x" << area.height();
  const QPoint place = area.topLeft() + QPoint(30, 20);
  form->resize(700, 480);
  form->move(place);
  form->Splitter1->setSizes({200, 150});
  QCoreApplication::processEvents();
  const QList<int> split = form->Splitter1->sizes();
  ASSERT_TRUE(form->close());

  makeForm({});
  EXPECT_EQ(form->size(), QSize(700, 480));
  EXPECT_EQ(form->pos(), place);
  EXPECT_EQ(form->Splitter1->sizes(), split);

  // Left larger than this screen, it opens within it.
  form->resize(area.size() * 2);
  ASSERT_TRUE(form->close());
  makeForm({});
  EXPECT_TRUE(area.contains(form->frameGeometry()))
      << form->frameGeometry().x() << "," << form->frameGeometry().y() << " "
      << form->frameGeometry().width() << "x" << form->frameGeometry().height() << " min "
      << form->minimumSize().width() << "x" << form->minimumSize().height();
}

}  // namespace

TEST(HelpPagesTest, EveryHelpKeywordHasAPageBesideTheProgram) {
  const QDir help(QCoreApplication::applicationDirPath() + "/../help");
  for (const char* keyword :
       {"introduction", "Overview", "packet_work", "approximation_params", "select_section",
        "export_data", "graphics", "tidemark_main", "tidemark_main_param", "tidemark_setup",
        "tidemark_observation", "kelt_main", "zorb_main", "rm23_input", "history"})
    EXPECT_TRUE(QFile::exists(help.filePath(QString(keyword) + ".htm"))) << keyword;
}

// The history window's command sits in "Сервис" under a key no other command of the window has.
TEST_F(MainFormTest, HistoryWindowHasItsOwnKeyInTheServiceMenu) {
  QMenu* service = nullptr;
  for (QAction* menu : form->menuBar()->actions())
    if (menu->text() == "Сервис") service = menu->menu();
  ASSERT_NE(service, nullptr);
  QAction* history = nullptr;
  for (QAction* action : service->actions())
    if (action->text() == "Журнал калибровок...") history = action;
  ASSERT_NE(history, nullptr);
  EXPECT_EQ(history->shortcut(), QKeySequence("Ctrl+H"));
  int sameKey = 0;
  for (QAction* action : form->findChildren<QAction*>())
    sameKey += action->shortcuts().contains(history->shortcut());
  EXPECT_EQ(sameKey, 1);
}

// The profile chosen above the table marks every dg cell of a row switched on, gives the verdict
// and puts the verdict section into the report; "нет" takes all of it away again.
TEST_F(MainFormTest, ToleranceProfileJudgesTheTableAndTheReport) {
  setDefaultProfileName(kZorbPulse, "±2 %");
  newDocument(kZorbPulse);
  setDefaultProfileName(kZorbPulse, "");
  newPackage(1);
  PackageBase& package = *doc().packages[0];
  const double rows[][3] = {{1.0, 0.4, 0}, {1.0, 1.6, 0}, {1.0, 9, 1}};  // flow, dg, switched off
  for (const auto& r : rows) {
    package.addEntry();
    const int row = package.entryCount() - 1;
    package.setValue(row, colRefFlow, r[0]);
    package.setValue(row, colFlowError, r[1]);
    package.setValue(row, colSwitchedOff, uint8_t(r[2]));
  }
  form->bindTable();
  auto* combo = form->VerdictLine->findChild<QComboBox*>("ProfileCombo");
  ASSERT_NE(combo, nullptr);
  EXPECT_TRUE(form->VerdictLine->isVisible());
  EXPECT_EQ(combo->currentText(), "±2 %");  // the model's default
  const int dg = column("dg (%)");
  EXPECT_EQ(table()->GetCellMark(0, dg), CellMark::Good);
  EXPECT_EQ(table()->GetCellMark(1, dg), CellMark::Good);
  EXPECT_EQ(table()->GetCellMark(2, dg), CellMark::None);
  EXPECT_TRUE(form->VerdictLine->verdictText().contains("годен (сечений 1"));

  combo->setCurrentIndex(combo->findText("±1 %"));
  EXPECT_EQ(table()->GetCellMark(0, dg), CellMark::Good);
  EXPECT_EQ(table()->GetCellMark(1, dg), CellMark::Bad);
  EXPECT_TRUE(table()->GetCellTip(1, dg).startsWith("Вне допуска: dg = 1"));
  // The mean, 1 %, is on the limit: the section and the package pass.
  EXPECT_TRUE(form->VerdictLine->verdictText().contains("годен"));
  form->ActionReport->trigger();
  auto reportText = [this] {
    QFile f(dir.filePath("report.html"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  EXPECT_TRUE(
      reportText().contains(QByteArray::fromStdString(toWindows1251("Заключение о годности"))));

  combo->setCurrentIndex(combo->findText("±0,5 %"));
  EXPECT_TRUE(form->VerdictLine->verdictText().contains("не годен: вне допуска сечение 1 из 1"));

  // The graph window draws the band of the profile chosen, and stops when none is.
  form->ActionGraphics->trigger();
  ASSERT_TRUE(form->ServiceGraph()->toleranceProfile());
  EXPECT_EQ(form->ServiceGraph()->toleranceProfile()->name, "±0,5 %");

  combo->setCurrentIndex(0);
  EXPECT_FALSE(form->ServiceGraph()->toleranceProfile());
  EXPECT_EQ(table()->GetCellMark(1, dg), CellMark::None);
  EXPECT_TRUE(form->VerdictLine->verdictText().isEmpty());
  form->ActionReport->trigger();
  EXPECT_FALSE(reportText().contains(QByteArray::fromStdString(toWindows1251("Заключение"))));
}

TEST_F(MainFormTest, ReportInPdfGoesWhereTheUserChose) {
  pdfPath = path("protocol");  // the extension is added
  newDocument(kZorbPulse);
  newPackage();
  form->ActionReportPdf->trigger();
  ASSERT_FALSE(proposals.isEmpty());
  EXPECT_TRUE(proposals.last().endsWith(" - пакет 1.pdf")) << proposals.last().toStdString();
  QFile pdf(path("protocol.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_EQ(pdf.read(5), "%PDF-");
  ASSERT_FALSE(consoleLines().isEmpty());
  EXPECT_TRUE(consoleLines().last().endsWith("Протокол записан в файл " +
                                             QDir::toNativeSeparators(path("protocol.pdf"))));
  // Cancelled: nothing written, nothing said.
  const int lines = consoleLines().size();
  pdfPath.clear();
  form->ActionReportPdf->trigger();
  EXPECT_EQ(consoleLines().size(), lines);
}

TEST_F(MainFormTest, PrintingTheProtocolGoesToThePrinterChosen) {
  newDocument(kZorbPulse);
  newPackage();
  printPath = path("printed.pdf");  // the printer prints into a file
  form->ActionPrintReport->trigger();
  QFile printed(printPath);
  ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
  EXPECT_EQ(printed.read(5), "%PDF-");
  EXPECT_TRUE(consoleLines().last().endsWith("Протокол отправлен на печать"));
}

TEST_F(MainFormTest, WarningLinesStandOutInTheConsole) {
  logMessage("Параметры записаны");
  logMessage("ВНИМАНИЕ! Запись не подтверждена: A: записано 1, в приборе 2");
  logMessage("Параметры считаны");
  const QTextDocument* text = form->Console->document();
  ASSERT_EQ(text->blockCount(), 3);
  auto weight = [&](int line) {
    return QTextCursor(text->findBlockByNumber(line))
        .block()
        .begin()
        .fragment()
        .charFormat()
        .fontWeight();
  };
  EXPECT_EQ(weight(0), QFont::Normal);
  EXPECT_EQ(weight(1), QFont::Bold);
  EXPECT_EQ(weight(2), QFont::Normal);
}

// ---- calibration history ------------------------------------------------------------------------

// The window records into the embedded store below a data folder of the test's own, and its
// device carries a serial number no other test uses, so a shared server's events can be told
// apart.
class MainFormHistoryTest : public MainFormTest {
 protected:
  void SetUp() override {
    dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    MainFormTest::SetUp();
  }
  void TearDown() override {
    MainFormTest::TearDown();
    qputenv("XDG_DATA_HOME", dataHome);
  }

  HistoryRecorder& recorder() { return form->history().recorder(); }
  // The events of the test's device, oldest first, once the recorder has handed them over.
  std::vector<HistoryEvent> recorded(const std::string& location = {}) {
    EXPECT_TRUE(recorder().drain(std::chrono::seconds(10)));
    std::vector<HistoryEvent> events = openHistoryStore(location)->list({.serial = serial});
    std::reverse(events.begin(), events.end());
    return events;
  }
  static std::vector<std::string> kinds(const std::vector<HistoryEvent>& events) {
    std::vector<std::string> out;
    for (const HistoryEvent& e : events) out.push_back(e.kind);
    return out;
  }
  static const QJsonObject payload(const HistoryEvent& event) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(event.payload)).object();
  }
  static QString sha256(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
  }

  // A ZORB meter read, written, calibrated, reported on and saved.
  void walkThrough() {
    newDocument(kZorbPulse);
    device()->identity = {serialNumber, 5};
    device()->exchangeCompleted(DeviceExchange::read);
    const WriteCheck verified;
    device()->exchangeCompleted(DeviceExchange::write, &verified);
    newPackage();
    addEntriesOnALine(*doc().packages[0]);
    form->ActionAppr->trigger();
    form->ActionReport->trigger();
    savePath = path("meter.srv");
    form->ActionSave->trigger();
  }
  void expectWalkThrough(const std::vector<HistoryEvent>& events) {
    ASSERT_EQ(kinds(events),
              (std::vector<std::string>{"read", "write", "approximation", "report", "save"}));
    for (const HistoryEvent& e : events) {
      EXPECT_EQ(e.family, "zorb");
      EXPECT_EQ(e.model, "ЗОРБ-ТИ1");
    }
    EXPECT_EQ(payload(events[1])["check"]["result"], "verified");
    EXPECT_EQ(payload(events[2])["package"], 1);
    EXPECT_EQ(payload(events[2])["lines"].toArray().size(), 1);
    EXPECT_EQ(payload(events[3])["sha256"], sha256(dir.filePath("report.html")));
    EXPECT_EQ(events[4].document, savePath.toStdString());
    EXPECT_EQ(payload(events[4])["sha256"], sha256(savePath));
  }

  QByteArray dataHome;
  const int32_t serialNumber = int32_t(QDateTime::currentMSecsSinceEpoch() % 90000000) + 10000000;
  const std::string serial = formatSerialNumber(serialNumber, 5);
};

TEST_F(MainFormHistoryTest, TheCalibrationLeavesItsEventsInTheEmbeddedStore) {
  walkThrough();
  expectWalkThrough(recorded());
}

TEST_F(MainFormHistoryTest, TheCalibrationLeavesItsEventsOnASharedServer) {
  const std::string server = qgetenv("TD_TEST_POSTGRES").toStdString();
  if (server.empty()) GTEST_SKIP() << "TD_TEST_POSTGRES is not set: no PostgreSQL";
  recorder().switchStore(server, "test server");
  walkThrough();
  expectWalkThrough(recorded(server));
}

// The data folder is a file: the store cannot be opened until it is removed.
TEST_F(MainFormHistoryTest, AStoreThatFailsIsToldOnceAndCalibrationGoesOn) {
  QFile blocker(dir.filePath("blocked"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("XDG_DATA_HOME", dir.filePath("blocked").toUtf8());
  makeForm({});
  newDocument(kZorbPulse);
  device()->identity = {serialNumber, 5};
  device()->exchangeCompleted(DeviceExchange::read);
  EXPECT_FALSE(recorder().drain(std::chrono::seconds(5)));
  newPackage();
  addEntriesOnALine(*doc().packages[0]);
  form->ActionAppr->trigger();
  EXPECT_TRUE(consoleLines().last().endsWith(" - Аппроксимация выполнена"));
  EXPECT_FALSE(recorder().drain(std::chrono::seconds(5)));
  EXPECT_EQ(consoleLines().filter("калибровку можно продолжать").size(), 1)
      << consoleLines().join('\n').toStdString();

  ASSERT_TRUE(blocker.remove());
  savePath = path("meter.srv");
  form->ActionSave->trigger();
  EXPECT_EQ(kinds(recorded()), (std::vector<std::string>{"read", "approximation", "save"}));
}

TEST_F(MainFormHistoryTest, AVerificationSummaryIsRecordedWhenItChanged) {
  newDocument(kZorbPulse);
  device()->identity = {serialNumber, 5};
  newPackage(1);
  addEntriesOnALine(*doc().packages[0]);
  savePath = path("meter.srv");
  form->ActionSave->trigger();
  form->ActionReport->trigger();  // the same summary
  form->ActionSave->trigger();
  doc().packages[0]->setValue(0, colPulses1, int32_t(150));
  recalcDocument(doc());
  form->ActionSave->trigger();
  const std::vector<HistoryEvent> events = recorded();
  EXPECT_EQ(kinds(events), (std::vector<std::string>{"verification", "save", "report", "save",
                                                     "verification", "save"}));
  EXPECT_EQ(payload(events[0])["package"], 1);
  EXPECT_NE(payload(events[0])["sections"], payload(events[4])["sections"]);
}

TEST_F(MainFormHistoryTest, TheSettingsDialogSwitchesTheStore) {
  const HistorySettings before = loadHistorySettings();
  const ProtocolSigning signing = loadProtocolSigning();
  form->NHistorySettings->trigger();  // cancelled: nothing changes
  EXPECT_EQ(loadHistorySettings(), before);

  historyDialog = [](HistorySettingsDlg& dialog) {
    dialog.load({}, "Стенд 4");
    dialog.accept();
  };
  form->NHistorySettings->trigger();
  EXPECT_EQ(loadProtocolSigning().bench, "Стенд 4");
  EXPECT_TRUE(consoleLines().last().endsWith(" - Журнал калибровок ведётся в " +
                                             QString::fromStdString(defaultHistoryPath())));
  newDocument(kZorbPulse);
  device()->identity = {serialNumber, 5};
  device()->exchangeCompleted(DeviceExchange::read);
  const std::vector<HistoryEvent> events = recorded();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].bench, "Стенд 4");
  saveHistorySettings(before);
  saveProtocolSigning(signing);
}

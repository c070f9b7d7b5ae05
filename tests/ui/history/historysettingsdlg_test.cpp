#include "ui/history/historysettingsdlg.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "core/history/historystore.h"
#include "ui/base/messageboxes.h"
#include "ui/package/toleranceprofiles.h"

namespace {

const HistorySettings kServer{true, "bench-db.lab", 5433, "history", "metrologist"};

// Settings are put back as they were; the embedded store lies below a temporary folder.
class HistorySettingsDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    settings = loadHistorySettings();
    signing = loadProtocolSigning();
  }
  void TearDown() override {
    saveHistorySettings(settings);
    saveProtocolSigning(signing);
    qputenv("XDG_DATA_HOME", dataHome);
  }
  QString probe(HistorySettingsDlg& dialog) {
    QSignalSpy finished(&dialog, &HistorySettingsDlg::probeFinished);
    QTest::mouseClick(dialog.bnProbe, Qt::LeftButton);
    EXPECT_FALSE(dialog.bnProbe->isEnabled()) << "one test at a time";
    EXPECT_TRUE(finished.wait(15000));
    return dialog.probeResult->text();
  }

  QTemporaryDir dir;
  QByteArray dataHome;
  HistorySettings settings;
  ProtocolSigning signing;
};

TEST_F(HistorySettingsDlgTest, ShowsAndKeepsTheStoreAndTheBench) {
  HistorySettingsDlg dialog;
  dialog.load(kServer, "Стенд 2");
  EXPECT_TRUE(dialog.shared->isChecked());
  EXPECT_EQ(dialog.settings(), kServer);
  EXPECT_TRUE(dialog.host->isEnabled());
  EXPECT_EQ(dialog.filePath->text(), QString::fromStdString(defaultHistoryPath()));

  dialog.show();
  dialog.embedded->click();
  EXPECT_FALSE(dialog.host->isEnabled());
  dialog.benchName->setText("Стенд 5");
  dialog.benchName->setFocus();
  QTest::keyClick(dialog.benchName, Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  HistorySettings kept = kServer;
  kept.shared = false;
  EXPECT_EQ(loadHistorySettings(), kept) << "the server's fields are kept for the next switch";
  EXPECT_EQ(loadProtocolSigning().bench, "Стенд 5");
}

TEST_F(HistorySettingsDlgTest, CancelKeepsNothing) {
  saveHistorySettings({});
  HistorySettingsDlg dialog;
  dialog.load({}, "Стенд 2");
  dialog.show();
  dialog.shared->click();
  dialog.host->setText("elsewhere");
  dialog.database->setText("history");
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(loadHistorySettings(), HistorySettings{});
}

TEST_F(HistorySettingsDlgTest, AServerWithoutHostOrDatabaseIsNotKept) {
  const struct {
    const char* host;
    const char* database;
    const char* problem;
  } cases[] = {{"", "history", "Укажите сервер общего журнала калибровок"},
               {"  ", "history", "Укажите сервер общего журнала калибровок"},
               {"db.lab", "", "Укажите базу данных общего журнала калибровок"},
               {"db.lab", "history", ""}};
  saveHistorySettings({});
  for (const auto& c : cases) {
    HistorySettingsDlg dialog;
    dialog.load({}, {});
    dialog.shared->setChecked(true);
    dialog.host->setText(c.host);
    dialog.database->setText(c.database);
    EXPECT_EQ(dialog.problem(), c.problem) << c.host << "/" << c.database;
  }
  std::vector<MessageBoxes::Request> shown;
  ScopedMessageAnswerer answerer([&](const MessageBoxes::Request& r) {
    shown.push_back(r);
    return QMessageBox::Ok;
  });
  HistorySettingsDlg dialog;
  dialog.load({}, {});
  dialog.show();
  dialog.shared->setChecked(true);
  dialog.accept();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Укажите сервер общего журнала калибровок");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(loadHistorySettings(), HistorySettings{});
}

TEST_F(HistorySettingsDlgTest, TheConnectionTestRunsAsideAndSaysTheOutcome) {
  HistorySettingsDlg dialog;
  dialog.load({}, {});
  dialog.show();
  const QString embedded = probe(dialog);
  EXPECT_TRUE(embedded.startsWith("Журнал калибровок доступен: " +
                                  QString::fromStdString(defaultHistoryPath())))
      << embedded.toStdString();

  HistorySettings nowhere = kServer;
  nowhere.host = dir.filePath("no-server");
  dialog.load(nowhere, {});
  const QString server = probe(dialog);
  EXPECT_TRUE(server.startsWith("Сервер журнала калибровок недоступен: ")) << server.toStdString();
  EXPECT_TRUE(dialog.bnProbe->isEnabled());
}

// Closing the dialog while the test runs leaves the test to finish on its own.
TEST_F(HistorySettingsDlgTest, ClosingDuringTheTestIsSafe) {
  HistorySettings nowhere = kServer;
  nowhere.host = dir.filePath("no-server");
  auto dialog = std::make_unique<HistorySettingsDlg>();
  dialog->load(nowhere, {});
  dialog->bnProbe->click();
  dialog.reset();
  QTest::qWait(200);
}

}  // namespace

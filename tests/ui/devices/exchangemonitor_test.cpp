#include "ui/devices/exchangemonitor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/base/messagelog.h"
#include "ui/devices/panelcontrol.h"

namespace {

using namespace comprt;

// A TD request on `port`: the monitor decodes it as "A 0 системные параметры".
RawFrame tdRequest(const char* port, std::int64_t timeUs) {
  RawFrame frame;
  frame.timeUs = timeUs;
  frame.family = FrameFamily::td;
  frame.direction = FrameDirection::toDevice;
  std::strcpy(frame.port, port);
  const std::uint8_t bytes[] = {0x01, 0x41, 0x00, 0x10, 0x50};
  std::memcpy(frame.bytes, bytes, sizeof bytes);
  frame.length = sizeof bytes;
  return frame;
}

// A KELT reply the worker rejected.
RawFrame keltReply(const char* port) {
  RawFrame frame;
  frame.family = FrameFamily::kelt;
  frame.direction = FrameDirection::fromDevice;
  frame.check = FrameCheck::bad;
  std::strcpy(frame.port, port);
  std::strcpy(frame.problem, "Ошибка обмена");
  frame.bytes[0] = 0x19;
  frame.length = 1;
  return frame;
}

class ExchangeMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<ExchangeFrame> stale;
    FrameTap::instance().take(stale);
    monitor_.show();
  }

  void post(const RawFrame& frame) { FrameTap::instance().post(frame); }
  QTableView* view() { return control<QTableView>(&monitor_, "View"); }
  int rows() { return view()->model()->rowCount(); }
  QString cell(int row, int column) {
    return view()->model()->index(row, column).data().toString();
  }
  std::string readFile(const QString& path) {
    std::ifstream in(path.toStdString());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  ExchangeMonitor monitor_{nullptr, 3};
};

TEST_F(ExchangeMonitorTest, ListensOnlyWhileShownAndNotPaused) {
  EXPECT_TRUE(FrameTap::recording());
  QTest::mouseClick(control<QPushButton>(&monitor_, "bnPause"), Qt::LeftButton);
  EXPECT_FALSE(FrameTap::recording());
  QTest::mouseClick(control<QPushButton>(&monitor_, "bnPause"), Qt::LeftButton);
  EXPECT_TRUE(FrameTap::recording());
  monitor_.hide();
  EXPECT_FALSE(FrameTap::recording());
}

TEST_F(ExchangeMonitorTest, PauseTakesWhatArrivedBeforeAndNothingAfter) {
  post(tdRequest("a", 1));
  QTest::mouseClick(control<QPushButton>(&monitor_, "bnPause"), Qt::LeftButton);
  EXPECT_EQ(rows(), 1);
  EXPECT_EQ(cell(0, EC_MEANING), "A 0 системные параметры, адрес 1");
}

TEST_F(ExchangeMonitorTest, KeepsTheNewestRowsUpToItsLimit) {
  for (int t = 1; t <= 5; ++t) post(tdRequest("a", t * 1000));
  monitor_.refresh();
  ASSERT_EQ(rows(), 3);
  EXPECT_TRUE(cell(0, EC_TIME).endsWith(".003")) << cell(0, EC_TIME).toStdString();
  EXPECT_TRUE(cell(2, EC_TIME).endsWith(".005"));
  post(tdRequest("a", 6000));
  monitor_.refresh();
  EXPECT_EQ(rows(), 3);
  EXPECT_TRUE(cell(2, EC_TIME).endsWith(".006"));
}

TEST_F(ExchangeMonitorTest, FiltersByPortAndFamily) {
  post(tdRequest("a", 1));
  post(keltReply("b"));
  post(tdRequest("b", 2));
  monitor_.refresh();
  auto* port = control<QComboBox>(&monitor_, "cbPort");
  auto* family = control<QComboBox>(&monitor_, "cbFamily");
  ASSERT_EQ(port->count(), 3);  // все, a, b
  port->setCurrentIndex(port->findText("b"));
  EXPECT_EQ(rows(), 2);
  family->setFocus();
  family->setCurrentIndex(family->findText("КЕЛТ"));
  ASSERT_EQ(rows(), 1);
  EXPECT_EQ(cell(0, EC_CHECK), "ошибка: Ошибка обмена");
  port->setCurrentIndex(0);
  family->setCurrentIndex(0);
  EXPECT_EQ(rows(), 3);
}

TEST_F(ExchangeMonitorTest, ClearEmptiesTheView) {
  post(tdRequest("a", 1));
  monitor_.refresh();
  QTest::mouseClick(control<QPushButton>(&monitor_, "bnClear"), Qt::LeftButton);
  EXPECT_EQ(rows(), 0);
}

TEST_F(ExchangeMonitorTest, ShowsHowManyFramesTheFullTapLost) {
  for (std::size_t i = 0; i < FrameTap::kDefaultCapacity + 4; ++i) post(tdRequest("a", 1));
  monitor_.refresh();
  EXPECT_EQ(control<QLabel>(&monitor_, "lbDropped")->text(), "Пропущено кадров: 4");
}

TEST_F(ExchangeMonitorTest, CopiesTheSelectedRowsByKeyAndButton) {
  post(tdRequest("a", 1));
  post(tdRequest("b", 2));
  monitor_.refresh();
  QApplication::clipboard()->clear();
  view()->setFocus();
  view()->selectRow(1);
  QTest::keyClick(view(), Qt::Key_C, Qt::ControlModifier);
  const QString copied = QApplication::clipboard()->text();
  EXPECT_EQ(copied.count('\n'), 1);
  EXPECT_TRUE(copied.contains("\tb\tТД\t→ прибор\t01 41 00 10 50\t")) << copied.toStdString();

  QApplication::clipboard()->clear();
  view()->selectAll();
  QTest::mouseClick(control<QPushButton>(&monitor_, "bnCopy"), Qt::LeftButton);
  EXPECT_EQ(QApplication::clipboard()->text().count('\n'), 2);
}

TEST_F(ExchangeMonitorTest, SavesTheFilteredRowsAsTextOrCsv) {
  post(tdRequest("a", 1));
  post(keltReply("b"));
  monitor_.refresh();
  auto* port = control<QComboBox>(&monitor_, "cbPort");
  port->setCurrentIndex(port->findText("a"));
  QTemporaryDir dir;
  const QString text = dir.filePath("обмен.txt");
  const QString csv = dir.filePath("обмен.csv");
  monitor_.setSaveDialog([&](QWidget*) { return text; });
  QTest::mouseClick(control<QPushButton>(&monitor_, "bnSave"), Qt::LeftButton);
  monitor_.saveTo(csv);

  const std::string saved = readFile(text);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 2) << saved;  // header and one row
  EXPECT_EQ(saved.rfind("Время\tПорт\tПрибор", 0), 0u);
  EXPECT_NE(saved.find("\ta\tТД\t→ прибор\t01 41 00 10 50\t"), std::string::npos);
  const std::string table = readFile(csv);
  EXPECT_NE(table.find("\"a\";\"ТД\";\"→ прибор\";\"01 41 00 10 50\""), std::string::npos) << table;
}

TEST_F(ExchangeMonitorTest, AFailedSaveIsOneConsoleLine) {
  post(tdRequest("a", 1));
  monitor_.refresh();
  QTemporaryDir dir;
  const QString path = dir.filePath("нет/обмен.txt");  // its folder does not exist
  QStringList logged;
  setMessageSink([&](const QString& text) { logged << text; });
  monitor_.setSaveDialog([&](QWidget*) { return path; });
  QTest::mouseClick(control<QPushButton>(&monitor_, "bnSave"), Qt::LeftButton);
  setMessageSink({});
  ASSERT_EQ(logged.size(), 1);
  EXPECT_FALSE(logged[0].contains("сохранён"));
  EXPECT_FALSE(QFile::exists(path));
}

TEST(ExchangeMonitorLayout, ColumnWidthsSurviveTheWindow) {
  {
    ExchangeMonitor monitor;
    monitor.show();
    control<QTableView>(&monitor, "View")->setColumnWidth(EC_MEANING, 432);
    monitor.hide();
  }
  ExchangeMonitor again;
  EXPECT_EQ(control<QTableView>(&again, "View")->columnWidth(EC_MEANING), 432);
}

TEST(ExchangeMonitorButton, OpensTheOneMonitorOwnedByTheMainWindow) {
  QWidget mainWindow;
  QWidget dialog(&mainWindow, Qt::Dialog);  // a window of its own, as the RM-2.3 dialog is
  QPushButton* button = exchangeMonitorButton(&dialog);
  mainWindow.show();
  dialog.show();
  QTest::mouseClick(button, Qt::LeftButton);
  auto* monitor = mainWindow.findChild<QWidget*>("ExchangeMonitor");
  ASSERT_NE(monitor, nullptr);
  EXPECT_TRUE(monitor->isVisible());
  EXPECT_EQ(monitor->windowTitle(), "Монитор обмена");
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(mainWindow.findChildren<QWidget*>("ExchangeMonitor").size(), 1);
}

}  // namespace

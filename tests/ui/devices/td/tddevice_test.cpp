#include "ui/devices/td/tddevice.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStringList>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>
#include <cstring>
#include <memory>
#include <sstream>

#include "core/comm/comport.h"
#include "core/document/document.h"
#include "core/package/approxstate.h"
#include "core/package/packagebase.h"
#include "core/storage/files.h"
#include "support/simprocess.h"
#include "ui/app/devicefactory.h"
#include "ui/app/doccreate.h"
#include "ui/app/mainform.h"
#include "ui/base/messageboxes.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/devices/panelcontrol.h"
#include "ui/devices/panelwait.h"
#include "ui/package/packagecreatedlg.h"

namespace {

void rememberNoPort() {
  RegKey key;
  key.create(kProgramKey);
  key.writeInt("TdComPort", 0);
}

// A TD device with no port in the list, as a document holds it; console lines are collected.
class TdDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    comprt::ComPort::ComList::install({});
    rememberNoPort();
    device = createDevice(kTdCode, page.get());
    ASSERT_NE(device, nullptr);
    setMessageSink([this](const QString& text) { console << text; });
  }
  void TearDown() override {
    setMessageSink({});
    resetApproxState();
  }

  static TTDFrame* panelOf(DeviceBase& d) { return static_cast<TDx2&>(d).panel(); }
  TTDFrame* panel() { return panelOf(*device); }
  static QString cell(TTDFrame* p, int row, int col) {
    return control<QTableWidget>(p, "CalibrGrid")->item(row, col)->text();
  }

  std::unique_ptr<QWidget> page = [] {
    auto widget = std::make_unique<QWidget>();
    new QVBoxLayout(widget.get());
    return widget;
  }();
  std::unique_ptr<DeviceBase> device;
  QStringList console;
};

TEST_F(TdDeviceTest, SlotsSurviveASavedAndReopenedDocument) {
  EXPECT_EQ(device->typeCode(), kTdCode);
  EXPECT_GE(page->layout()->indexOf(panel()), 0);

  device->setIdentity({1234, 6});
  device->writeLines({{1e-5, 0, 40000.7}, {2e-5, -0.5, 80000}, {3e-5, 1, 0}});
  control<QComboBox>(panel(), "ImpulseWeight")->setEditText("0,002");
  control<QCheckBox>(panel(), "Meandr")->setChecked(true);
  control<QComboBox>(panel(), "PluginCard")->setCurrentIndex(1);
  control<QCheckBox>(panel(), "NoFilterThereshold")
      ->setChecked(true);  // minor 0 knows no batcher flag
  control<QLineEdit>(panel(), "LoLimit")->setText("0.3");
  control<QLineEdit>(panel(), "HiLimit")->setText("25");

  std::stringstream file;
  files::writeDocument(file, *device, {});
  device.reset();
  Document doc;
  files::readDocument(file, doc, [](uint8_t code) { return createDevice(code, nullptr); });
  ASSERT_TRUE(doc.isOpen());
  DeviceBase& reopened = *doc.device;
  TTDFrame* p = panelOf(reopened);

  EXPECT_EQ(control<QLineEdit>(p, "Serial")->text(), "00001234");
  EXPECT_EQ(control<QComboBox>(p, "DuCombo")->currentText(), "65");
  DeviceIdentity identity;
  reopened.getIdentity(identity);
  EXPECT_EQ(identity.serialNumber, 1234);
  EXPECT_EQ(identity.duCode, 6);

  const QString rows[5][3] = {{"40000", "0.00001", "0"},
                              {"80000", "0.00002", "-0.5"},
                              {"9999999", "0.00003", "1"},
                              {"0", "0", "0"},
                              {"", "0", "0"}};
  for (int row = 0; row < 5; ++row) {
    for (int col = 0; col < 3; ++col) EXPECT_EQ(cell(p, row, col), rows[row][col]) << row << col;
  }
  std::vector<files::Line> lines;
  reopened.readLines(lines);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_DOUBLE_EQ(lines[2].F, 9999999);
  EXPECT_EQ(lines[4].F, 0);

  EXPECT_EQ(control<QComboBox>(p, "ImpulseWeight")->currentText(), "0.002");
  EXPECT_TRUE(control<QCheckBox>(p, "Meandr")->isChecked());
  EXPECT_FALSE(control<QSpinBox>(p, "ImpulseLen")->isEnabled());
  EXPECT_EQ(control<QComboBox>(p, "PluginCard")->currentIndex(), 1);
  EXPECT_FALSE(control<QCheckBox>(p, "NoFilterThereshold")->isChecked());
  EXPECT_EQ(control<QLineEdit>(p, "LoLimit")->text(), "0.3");
  EXPECT_EQ(control<QLineEdit>(p, "HiLimit")->text(), "25");
  EXPECT_DOUBLE_EQ(reopened.pulseWeight(), 0.002);
  // No version read yet; gpor 0.3 is above the 0.14 of 65 mm.
  EXPECT_EQ(reopened.name(), "ТД-2.2-Б");
}

// Lines of an approximation fill the whole table at once; each column still shows its longest
// coefficient whole.
TEST_F(TdDeviceTest, ApproximationLinesWidenTheirColumns) {
  device->writeLines({{-0.000500359751234, -12345.6789012, 1234567}, {2e-5, -0.5, 0}});
  auto* grid = control<QTableWidget>(panel(), "CalibrGrid");
  for (int col = 0; col < 3; ++col) {
    const QString text = cell(panel(), 0, col);
    EXPECT_GT(grid->columnWidth(col), grid->fontMetrics().horizontalAdvance(text)) << col;
  }
}

TEST_F(TdDeviceTest, WhatThePanelCannotTakeChangesNothing) {
  device->writeLines({{1, 2, 100}});
  const QString before = cell(panel(), 0, 1);

  device->writeLines(std::vector<files::Line>(6, files::Line{5, 5, 5}));
  EXPECT_EQ(console, QStringList{"Слишком много прямых аппроксимации"});
  EXPECT_EQ(cell(panel(), 0, 1), before);

  uint8_t block[14] = {};
  control<QLineEdit>(panel(), "LoLimit")->setText("0.5");
  EXPECT_FALSE(device->setParameters(block, 13));
  EXPECT_EQ(control<QLineEdit>(panel(), "LoLimit")->text(), "0.5");

  control<QLineEdit>(panel(), "Serial")->setText("12A");
  DeviceIdentity identity{99, 3};
  device->getIdentity(identity);
  EXPECT_EQ(identity.serialNumber, 0);
  device->setIdentity({1, 9});  // 125 mm: not in the meter's list
  EXPECT_EQ(control<QComboBox>(panel(), "DuCombo")->currentText(), "15");
}

TEST_F(TdDeviceTest, NameAndPulseWeightReadThePanelsText) {
  const struct {
    const char* gpor;
    const char* du;
    const char* weight;
    const char* name;
    double pulseWeight;
  } cases[] = {
      {"0.2", "80", "0,001", "ТД-2.2-А", 0.001},
      {"0,3", "80", "0.001", "ТД-2.2-Б", 0.001},
      {"x", "15", "x", "ТД-2.2-А", 0},
  };
  for (const auto& c : cases) {
    control<QLineEdit>(panel(), "LoLimit")->setText(c.gpor);
    control<QComboBox>(panel(), "DuCombo")->setCurrentText(c.du);
    control<QComboBox>(panel(), "ImpulseWeight")->setEditText(c.weight);
    EXPECT_EQ(device->name(), c.name) << c.gpor;
    EXPECT_DOUBLE_EQ(device->pulseWeight(), c.pulseWeight) << c.weight;
  }
}

// "Ввод из ТД" in a TD document whose panel polls a simulated meter.
TEST(TdEntryFromMeter, TakesTheAverageCodeAndPulseCountOfTheLastPoll) {
  resetApproxState();
  SimProcess sim({"td", "--code=4321", "--jitter=0"});
  comprt::ComPort::ComList::install({sim.path()});
  rememberNoPort();
  TMainForm::Seams seams;
  seams.createDevice = createDevice;
  seams.execDialog = [](QDialog& dialog) {
    if (auto* doc = qobject_cast<TDocCreateDlg*>(&dialog)) doc->selectType(kTdCode);
    if (auto* pkg = qobject_cast<TPackageCreateDlg*>(&dialog)) {
      pkg->rbCalibrMode->setChecked(true);
      pkg->rbVolMethod->setChecked(true);
    }
    return int(QDialog::Accepted);
  };
  ScopedMessageAnswerer noQuestions([](const MessageBoxes::Request& r) {
    ADD_FAILURE() << "unexpected box: " << r.text.toStdString();
    return QMessageBox::No;
  });
  TMainForm form({}, seams);
  form.ActionNew->trigger();
  ASSERT_TRUE(form.document().isOpen());
  auto* meter = dynamic_cast<TDx2*>(form.document().device.get());
  ASSERT_NE(meter, nullptr);
  QTest::mouseClick(control<QPushButton>(meter->panel(), "OpenPortButton"), Qt::LeftButton);
  ASSERT_TRUE(waitUntil([&] { return meter->panel()->lastPulseCount() != 0; }, 5000));

  form.ActionNewPackage->trigger();
  ASSERT_TRUE(form.ActionNewEntryReadCode->isEnabled());
  form.ActionNewEntryReadCode->trigger();
  PackageBase* package = form.selectedPackage();
  ASSERT_NE(package, nullptr);
  ASSERT_EQ(package->entryCount(), 1);
  FieldValue code, pulses;
  ASSERT_TRUE(package->value(0, colCode, code));
  ASSERT_TRUE(package->value(0, colPulses2, pulses));
  EXPECT_EQ(std::get<double>(code), 4321);
  EXPECT_EQ(std::get<int32_t>(pulses), static_cast<int32_t>(meter->panel()->lastPulseCount()));
  resetApproxState();
}

}  // namespace

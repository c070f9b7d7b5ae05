#include "ui/devices/td/tdframe.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStringList>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "core/comm/comport.h"
#include "support/simprocess.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/devices/panelwait.h"
#include "ui/devices/td/tddevice.h"
#include "ui/devices/td/tdportsetup.h"
#include "ui/devices/td/tdreadingspage.h"

namespace {

using comprt::ComPort;

const QString kSystemRead = "Системные параметры считаны";
const QString kOutputsRead = "Параметы внешних выходов считаны";
const QString kDirectRead = "Калибровочные коэффициенты успешно считаны";
const QString kReverseRead = "Реверсивные калибровочные коэффициенты успешно считаны";
const QString kAddressRead = "Сетевой адрес считан";
const QString kIntegratorRead = "Интегратор расхода адрес считан";

// The panel of a TD device against tdservice-sim, the only port of the port list. Console lines
// are collected; the test acts through the panel's controls as a user would.
class TdPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setMessageSink([this](const QString& text) { console << text; });
  }
  void TearDown() override {
    device.reset();
    setMessageSink({});
    TPortSetupForm::instance().CSpinAddress->setValue(0);
    TPortSetupForm::instance().ComboPortSpeed->setCurrentIndex(0);
  }

  // A panel whose port to a simulated meter is open, its opening reads done.
  void attach(std::vector<std::string> options, int readsOnOpening = 6) {
    device.reset();
    console.clear();
    options.insert(options.begin(), "td");
    sim = std::make_unique<SimProcess>(options);
    ComPort::ComList::install({sim->path()});
    RegKey key;
    key.create(kProgramKey);
    key.writeInt("TdComPort", 0);
    device = std::make_unique<TDx2>(nullptr);
    QTest::mouseClick(panel()->OpenPortButton, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return console.size() >= readsOnOpening; })) << lines();
  }

  // Clicks and waits for the console line the command ends with.
  QString click(QPushButton* button) {
    console.clear();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return !console.isEmpty(); })) << "no outcome";
    return console.join('\n');
  }
  std::string lines() const { return console.join('\n').toStdString(); }

  static QString cell(QTableWidget* grid, int row, int col) { return grid->item(row, col)->text(); }
  static void setCell(QTableWidget* grid, int row, int col, const QString& text) {
    grid->item(row, col)->setText(text);
  }

  TTDFrame* panel() const { return device->panel(); }

  std::unique_ptr<SimProcess> sim;
  std::unique_ptr<TDx2> device;
  QStringList console;
};

TEST_F(TdPanelTest, OpeningReadsBothTablesOfAReverseMeterAndShowsThem) {
  attach({"--version=3.6", "--du=6", "--serial=1234", "--address=7"});
  EXPECT_TRUE(waitUntil([&] { return console.size() >= 6; }));
  QStringList sorted = console;
  sorted.sort();
  QStringList expected = {kSystemRead,  kOutputsRead, kDirectRead,
                          kReverseRead, kAddressRead, kIntegratorRead};
  expected.sort();
  EXPECT_EQ(sorted, expected);

  EXPECT_EQ(panel()->OpenPortButton->text(), "Закрыть");
  EXPECT_FALSE(panel()->PortSelectBox->isEnabled());
  EXPECT_EQ(panel()->Version->text(), "3.6");
  EXPECT_EQ(panel()->DuCombo->currentText(), "80");
  EXPECT_EQ(panel()->Serial->text(), "00001234");
  EXPECT_EQ(panel()->NetAddress->value(), 7);
  EXPECT_TRUE(panel()->CoefficientPages->isTabVisible(1));
  EXPECT_TRUE(panel()->ReverseType->isEnabled());
  // The simulator's tables: direct rows (1e-5, 0, 50000) and (1.1e-5, -0.05, last), limits
  // 0.25 and 30; reverse row (1e-5, 0, last).
  EXPECT_EQ(cell(panel()->CalibrGrid, 0, 0), "50000");
  EXPECT_EQ(cell(panel()->CalibrGrid, 1, 1), "0.000011");
  EXPECT_EQ(cell(panel()->CalibrGrid, 1, 2), "-0.05");
  EXPECT_EQ(cell(panel()->CalibrGrid, 4, 0), "");
  EXPECT_EQ(panel()->LoLimit->text(), "0.25");
  EXPECT_EQ(panel()->HiLimit->text(), "30");
  EXPECT_EQ(cell(panel()->ReverseCalibrGrid, 0, 0), "9999999");
  EXPECT_EQ(cell(panel()->ReverseCalibrGrid, 0, 1), "0.00001");
  EXPECT_EQ(device->name(), "ТД-Р-2.2-А");

  RegKey key;
  key.create(kProgramKey);
  EXPECT_EQ(key.readInt("TdComPort", -1), 0);
}

TEST_F(TdPanelTest, AMeterWithoutReverseTablesGetsNoReverseRead) {
  attach({"--version=3.4"}, 5);
  EXPECT_FALSE(waitUntil([&] { return console.size() > 5; }, 400)) << lines();
  EXPECT_FALSE(console.contains(kReverseRead));
  EXPECT_FALSE(panel()->CoefficientPages->isTabVisible(1));
  EXPECT_TRUE(panel()->ReverseType->isEnabled());

  attach({"--version=2.1"}, 5);
  EXPECT_FALSE(panel()->ReverseType->isEnabled());
  EXPECT_EQ(panel()->ReverseType->currentIndex(), -1);
  EXPECT_EQ(device->name(), "ТД-Ч-2.2-А");
}

TEST_F(TdPanelTest, CoefficientsWrittenAreReadBackAndBadCellsAreSentAsZero) {
  attach({});
  setCell(panel()->CalibrGrid, 0, 0, "40000");
  setCell(panel()->CalibrGrid, 0, 1, "2,5e-05");
  setCell(panel()->CalibrGrid, 0, 2, "-0.125");
  panel()->LoLimit->setText("0.3");
  EXPECT_EQ(click(panel()->SetCalibr), "Калибровочные коэффициенты установлены");

  // A bad reverse cell goes out as 0 and shows 0; the direct grid and the limits stay.
  panel()->CoefficientPages->setCurrentIndex(1);
  setCell(panel()->ReverseCalibrGrid, 0, 1, "1,2x");
  setCell(panel()->ReverseCalibrGrid, 0, 2, "0.5");
  panel()->CalibrGrid->item(2, 1)->setText("junk");
  EXPECT_EQ(click(panel()->SetCalibr), "Реверсивные калибровочные коэффициенты установлены");
  EXPECT_EQ(cell(panel()->ReverseCalibrGrid, 0, 1), "0");
  EXPECT_EQ(cell(panel()->CalibrGrid, 2, 1), "junk");

  for (QTableWidget* grid : {panel()->CalibrGrid, panel()->ReverseCalibrGrid})
    setCell(grid, 0, 2, "");
  panel()->LoLimit->clear();
  panel()->CoefficientPages->setCurrentIndex(0);
  click(panel()->ReadCalibr);
  ASSERT_TRUE(waitUntil([&] { return console.size() >= 2; })) << lines();
  EXPECT_EQ(cell(panel()->CalibrGrid, 0, 0), "40000");
  EXPECT_EQ(cell(panel()->CalibrGrid, 0, 1), "0.000025");
  EXPECT_EQ(cell(panel()->CalibrGrid, 0, 2), "-0.125");
  EXPECT_EQ(panel()->LoLimit->text(), "0.3");
  EXPECT_EQ(cell(panel()->ReverseCalibrGrid, 0, 1), "0");
  EXPECT_EQ(cell(panel()->ReverseCalibrGrid, 0, 2), "0.5");
}

TEST_F(TdPanelTest, OutputsRoundTripWithTheMeanderWeightHalvedOnTheLine) {
  attach({});
  const struct {
    bool meander;
    int length;
  } cases[] = {{true, 1}, {false, 3}};
  for (const auto& c : cases) {
    panel()->ImpulseWeight->setEditText("0.002");
    panel()->Meandr->setChecked(c.meander);
    panel()->ImpulseLen->setValue(c.length);
    panel()->PluginCard->setCurrentIndex(1);
    panel()->ReverseType->setCurrentIndex(2);
    EXPECT_EQ(click(panel()->SetImpulseOut), "Параметры внещних выходов установлены");

    panel()->ImpulseWeight->setEditText("");
    panel()->Meandr->setChecked(!c.meander);
    panel()->PluginCard->setCurrentIndex(-1);
    EXPECT_EQ(click(panel()->ReadImpulseOut), kOutputsRead);
    EXPECT_EQ(panel()->ImpulseWeight->currentText(), "0.002") << c.meander;
    EXPECT_EQ(panel()->Meandr->isChecked(), c.meander);
    EXPECT_EQ(panel()->ImpulseLen->isEnabled(), !c.meander);
    EXPECT_EQ(panel()->ImpulseLenLabel->text(), c.meander ? "" : "2.4 мс");
    EXPECT_EQ(panel()->PluginCard->currentIndex(), 1);
    EXPECT_EQ(panel()->ReverseType->currentIndex(), 2);
    EXPECT_DOUBLE_EQ(device->pulseWeight(), 0.002);
  }
  // The meter holds 0.001 per half-wave: a document stores what the meter holds.
  panel()->Meandr->setChecked(true);
  uint8_t block[14];
  ASSERT_EQ(device->getParameters(block), 14u);
  float held;
  std::memcpy(&held, block, sizeof held);
  EXPECT_FLOAT_EQ(held, 0.001f);
  EXPECT_EQ(block[4], 0);
}

TEST_F(TdPanelTest, AWeightThatIsNotANumberSendsNothing) {
  attach({});
  panel()->ImpulseWeight->setEditText("abc");
  panel()->PluginCard->setCurrentIndex(0);
  panel()->ReverseType->setCurrentIndex(0);
  EXPECT_EQ(click(panel()->SetImpulseOut), "Необходимо указать цену импульса");
  EXPECT_FALSE(waitUntil([&] { return console.size() > 1; }, 300)) << lines();
  // The meter still holds what it held.
  EXPECT_EQ(click(panel()->ReadImpulseOut), kOutputsRead);
  EXPECT_EQ(panel()->ImpulseWeight->currentText(), "0.001");
}

TEST_F(TdPanelTest, SettingsButtonsWriteAndReadTheMeter) {
  attach({"--uptime=90061"});  // 1 day, 1 hour, 1 minute, 1 second
  panel()->NetAddress->setValue(9);
  EXPECT_EQ(click(panel()->SetNetAddr), "Сетевой адрес установлен");
  panel()->FlowIntegrator->setValue(12);
  EXPECT_EQ(click(panel()->SetIntegrator), "Интегратор расхода установлен");
  panel()->NetAddress->setValue(1);
  panel()->FlowIntegrator->setValue(1);
  EXPECT_EQ(click(panel()->GetNetAddr), kAddressRead);
  EXPECT_EQ(panel()->NetAddress->value(), 9);
  EXPECT_EQ(click(panel()->GetIntegrator), kIntegratorRead);
  EXPECT_EQ(panel()->FlowIntegrator->value(), 12);

  panel()->StartStop[3]->setChecked(true);
  panel()->NoiseCancelStSt->setValue(10);
  EXPECT_EQ(panel()->NoiseStStLabel->text(), "8 мс");
  EXPECT_EQ(click(panel()->SetStSt), "Параметры сигнала старт-стоп установлены");
  EXPECT_EQ(click(panel()->ClearMeasure), "Текущие параметры обнулены");
  EXPECT_EQ(click(panel()->Advanced_Info), "Время непрерывной работы 1 суток 1 часов 1 минут");
}

// Requests go to the address of the port setup (0: any meter), at one of its four speeds.
TEST_F(TdPanelTest, RequestsGoToTheAddressOfThePortSetup) {
  TPortSetupForm& setup = TPortSetupForm::instance();
  EXPECT_FALSE(setup.ComboPortSpeed->isEditable());
  EXPECT_EQ(setup.ComboPortSpeed->count(), 4);
  setup.ComboPortSpeed->setCurrentIndex(2);
  EXPECT_EQ(setup.baudRate(), 2400);

  attach({"--address=7"});
  setup.CSpinAddress->setValue(5);
  EXPECT_EQ(click(panel()->ReadParam), "Прибор не отвечает");
  setup.CSpinAddress->setValue(7);
  EXPECT_EQ(click(panel()->ReadParam), kSystemRead);
}

TEST_F(TdPanelTest, ThePourIndicatorSetsAndClearsItsBit) {
  attach({});
  ASSERT_FALSE(panel()->lampLit(TL_POUR));
  EXPECT_EQ(click(panel()->Bits[TL_POUR]), "Регистр статуса обновлен");
  EXPECT_TRUE(panel()->lampLit(TL_POUR));
  EXPECT_FALSE(panel()->lampLit(TL_RESET_PULSES));
  EXPECT_EQ(click(panel()->Bits[TL_POUR]), "Регистр статуса обновлен");
  EXPECT_FALSE(panel()->lampLit(TL_POUR));
}

TEST_F(TdPanelTest, PollsFillTheCurrentValuesAndTheChart) {
  attach({"--code=5000", "--jitter=0"});
  panel()->Readings->Observation->setChecked(true);
  ASSERT_TRUE(waitUntil([&] { return !panel()->MiddleCode->text().isEmpty(); }, 4000));
  EXPECT_EQ(panel()->MiddleCode->text(), "5000");
  EXPECT_DOUBLE_EQ(panel()->lastAverageCode(), 5000);
  EXPECT_EQ(panel()->ImpulseVolume->text(), QString::number(panel()->lastPulseCount()));
  ASSERT_TRUE(waitUntil([&] { return panel()->Readings->codes().size() >= 2; }));
  EXPECT_EQ(panel()->Readings->codes()[0], 5000);
  EXPECT_EQ(console.size(), 6) << "polls log nothing: " << lines();
}

// With the meter silent every button command fails aloud, the polls quietly; once the port is
// closed nothing more goes out, whatever is ticked.
TEST_F(TdPanelTest, PollsRunOnlyWhileOpenAndNeverLogFailures) {
  attach({"--silent"}, 5);
  for (const QString& line : console) EXPECT_EQ(line, "Прибор не отвечает");
  panel()->Readings->Observation->setChecked(true);
  const QString green = panel()->TxPanel->styleSheet();
  bool polled = false;
  EXPECT_FALSE(waitUntil(
      [&] {
        polled = polled || panel()->TxPanel->styleSheet() != green;
        return console.size() > 5;
      },
      1700))
      << lines();
  EXPECT_TRUE(polled);

  console.clear();
  QTest::mouseClick(panel()->OpenPortButton, Qt::LeftButton);
  ASSERT_TRUE(waitUntil([&] { return panel()->PortSelectBox->isEnabled(); }));
  EXPECT_EQ(panel()->OpenPortButton->text(), "Открыть");
  QTest::qWait(100);  // a last request may still light the indicator
  EXPECT_FALSE(waitUntil([&] { return panel()->TxPanel->styleSheet() != green; }, 1700));
  EXPECT_TRUE(console.isEmpty()) << lines();
  EXPECT_TRUE(panel()->Readings->codes().isEmpty());
}

TEST_F(TdPanelTest, APortThatDoesNotOpenLeavesThePanelClosed) {
  ComPort::ComList::install({"/nonexistent/tty"});
  RegKey key;
  key.create(kProgramKey);
  key.writeInt("TdComPort", 0);
  device = std::make_unique<TDx2>(nullptr);
  QTest::mouseClick(panel()->OpenPortButton, Qt::LeftButton);
  ASSERT_TRUE(waitUntil([&] { return !console.isEmpty(); }));
  EXPECT_EQ(console.size(), 1);
  EXPECT_EQ(panel()->OpenPortButton->text(), "Открыть");
  EXPECT_TRUE(panel()->PortSelectBox->isEnabled());
}

// A command keeps the panel busy until its result: the commands disabled and the busy cursor. The
// unattended polls never make it busy.
TEST_F(TdPanelTest, ACommandKeepsThePanelBusyUntilItsResultThePollsNever) {
  attach({"--code=5000", "--jitter=0"});
  console.clear();
  QTest::mouseClick(panel()->ReadParam, Qt::LeftButton);
  for (QPushButton* command : {panel()->ReadParam, panel()->SetCalibr, panel()->OpenPortButton})
    EXPECT_FALSE(command->isEnabled()) << command->objectName().toStdString();
  const QCursor* cursor = QApplication::overrideCursor();
  EXPECT_TRUE(cursor && cursor->shape() == Qt::BusyCursor);
  ASSERT_TRUE(waitUntil([&] { return !console.isEmpty(); }));
  EXPECT_EQ(console, QStringList{kSystemRead});
  EXPECT_TRUE(panel()->ReadParam->isEnabled());
  EXPECT_TRUE(panel()->SetCalibr->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  panel()->Readings->Observation->setChecked(true);
  bool busy = false;
  ASSERT_TRUE(waitUntil([&] {
    busy = busy || !panel()->ReadParam->isEnabled() || QApplication::overrideCursor();
    return panel()->Readings->codes().size() >= 3;
  }));
  EXPECT_FALSE(busy);
}

TEST_F(TdPanelTest, WithSevenRequestsPendingAnEighthIsDroppedSilently) {
  attach({});
  console.clear();
  // The first click makes the panel busy and disables the button; the clicks reach its handler
  // directly, as the opening reads reach the queue.
  for (int i = 0; i < 8; ++i) emit panel()->ReadParam->clicked();
  ASSERT_TRUE(waitUntil([&] { return console.size() >= 7; })) << lines();
  EXPECT_FALSE(waitUntil([&] { return console.size() > 7; }, 500)) << lines();
  EXPECT_EQ(console, QStringList(7, kSystemRead));
}

}  // namespace

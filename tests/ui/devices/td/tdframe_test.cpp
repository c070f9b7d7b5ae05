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
#include "ui/devices/panelcontrol.h"
#include "ui/devices/panelwait.h"
#include "ui/devices/td/tddevice.h"
#include "ui/devices/td/tdportsetup.h"
#include "ui/devices/td/tdreadingspage.h"

namespace {

using comprt::ComPort;

const QString kSystemRead = "Системные параметры считаны";
const QString kOutputsRead = "Параметры внешних выходов считаны";
const QString kDirectRead = "Калибровочные коэффициенты успешно считаны";
const QString kReverseRead = "Реверсивные калибровочные коэффициенты успешно считаны";
const QString kAddressRead = "Сетевой адрес считан";
const QString kIntegratorRead = "Интегратор расхода считан";
const QString kKept = "Запись подтверждена: прибор хранит записанные значения";

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
    control<QSpinBox>(&TPortSetupForm::instance(), "CSpinAddress")->setValue(0);
    control<QComboBox>(&TPortSetupForm::instance(), "ComboPortSpeed")->setCurrentIndex(0);
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
    QTest::mouseClick(control<QPushButton>(panel(), "OpenPortButton"), Qt::LeftButton);
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
  TTDReadingsPage* readings() const { return control<TTDReadingsPage>(panel(), "ReadingsPage"); }

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

  EXPECT_EQ(control<QPushButton>(panel(), "OpenPortButton")->text(), "Закрыть");
  EXPECT_FALSE(control<QComboBox>(panel(), "PortSelectBox")->isEnabled());
  EXPECT_EQ(control<QLineEdit>(panel(), "Version")->text(), "3.6");
  EXPECT_EQ(control<QComboBox>(panel(), "DuCombo")->currentText(), "80");
  EXPECT_EQ(control<QLineEdit>(panel(), "Serial")->text(), "00001234");
  EXPECT_EQ(control<QSpinBox>(panel(), "NetAddress")->value(), 7);
  EXPECT_TRUE(control<QTabWidget>(panel(), "CoefficientPages")->isTabVisible(1));
  EXPECT_TRUE(control<QComboBox>(panel(), "ReverseType")->isEnabled());
  // The simulator's tables: direct rows (1e-5, 0, 50000) and (1.1e-5, -0.05, last), limits
  // 0.25 and 30; reverse row (1e-5, 0, last).
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "CalibrGrid"), 0, 0), "50000");
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "CalibrGrid"), 1, 1), "0.000011");
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "CalibrGrid"), 1, 2), "-0.05");
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "CalibrGrid"), 4, 0), "");
  EXPECT_EQ(control<QLineEdit>(panel(), "LoLimit")->text(), "0.25");
  EXPECT_EQ(control<QLineEdit>(panel(), "HiLimit")->text(), "30");
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "ReverseCalibrGrid"), 0, 0), "9999999");
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "ReverseCalibrGrid"), 0, 1), "0.00001");
  EXPECT_EQ(device->name(), "ТД-Р-2.2-А");

  RegKey key;
  key.create(kProgramKey);
  EXPECT_EQ(key.readInt("TdComPort", -1), 0);
}

TEST_F(TdPanelTest, AMeterWithoutReverseTablesGetsNoReverseRead) {
  attach({"--version=3.4"}, 5);
  EXPECT_FALSE(waitUntil([&] { return console.size() > 5; }, 400)) << lines();
  EXPECT_FALSE(console.contains(kReverseRead));
  EXPECT_FALSE(control<QTabWidget>(panel(), "CoefficientPages")->isTabVisible(1));
  EXPECT_TRUE(control<QComboBox>(panel(), "ReverseType")->isEnabled());

  attach({"--version=2.1"}, 5);
  EXPECT_FALSE(control<QComboBox>(panel(), "ReverseType")->isEnabled());
  EXPECT_EQ(control<QComboBox>(panel(), "ReverseType")->currentIndex(), -1);
  EXPECT_EQ(device->name(), "ТД-Ч-2.2-А");
}

TEST_F(TdPanelTest, CoefficientsWrittenAreReadBackAndBadCellsAreSentAsZero) {
  attach({});
  setCell(control<QTableWidget>(panel(), "CalibrGrid"), 0, 0, "40000");
  setCell(control<QTableWidget>(panel(), "CalibrGrid"), 0, 1, "2,5e-05");
  setCell(control<QTableWidget>(panel(), "CalibrGrid"), 0, 2, "-0.125");
  control<QLineEdit>(panel(), "LoLimit")->setText("0.3");
  EXPECT_EQ(click(control<QPushButton>(panel(), "SetCalibr")),
            "Калибровочные коэффициенты установлены\n" + kKept);

  // A bad reverse cell goes out as 0 and shows 0; the direct grid and the limits stay.
  control<QTabWidget>(panel(), "CoefficientPages")->setCurrentIndex(1);
  setCell(control<QTableWidget>(panel(), "ReverseCalibrGrid"), 0, 1, "1,2x");
  setCell(control<QTableWidget>(panel(), "ReverseCalibrGrid"), 0, 2, "0.5");
  control<QTableWidget>(panel(), "CalibrGrid")->item(2, 1)->setText("junk");
  EXPECT_EQ(click(control<QPushButton>(panel(), "SetCalibr")),
            "Реверсивные калибровочные коэффициенты установлены\n" + kKept);
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "ReverseCalibrGrid"), 0, 1), "0");
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "CalibrGrid"), 2, 1), "junk");

  for (QTableWidget* grid : {control<QTableWidget>(panel(), "CalibrGrid"),
                             control<QTableWidget>(panel(), "ReverseCalibrGrid")})
    setCell(grid, 0, 2, "");
  control<QLineEdit>(panel(), "LoLimit")->clear();
  control<QTabWidget>(panel(), "CoefficientPages")->setCurrentIndex(0);
  click(control<QPushButton>(panel(), "ReadCalibr"));
  ASSERT_TRUE(waitUntil([&] { return console.size() >= 2; })) << lines();
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "CalibrGrid"), 0, 0), "40000");
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "CalibrGrid"), 0, 1), "0.000025");
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "CalibrGrid"), 0, 2), "-0.125");
  EXPECT_EQ(control<QLineEdit>(panel(), "LoLimit")->text(), "0.3");
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "ReverseCalibrGrid"), 0, 1), "0");
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "ReverseCalibrGrid"), 0, 2), "0.5");

  // A long coefficient widens its column: one line, every digit shown.
  QTableWidget* grid = control<QTableWidget>(panel(), "CalibrGrid");
  setCell(grid, 1, 1, "-0.000500359751234");
  EXPECT_FALSE(grid->wordWrap());
  EXPECT_GT(grid->columnWidth(1), grid->fontMetrics().horizontalAdvance(cell(grid, 1, 1)));
}

// A meter that keeps another value than it acknowledged: the line after the write names it.
TEST_F(TdPanelTest, AWriteIsFollowedByWhatTheMeterKept) {
  attach({"--keep-wrong=8"});  // the code of row 1
  setCell(control<QTableWidget>(panel(), "CalibrGrid"), 0, 0, "40000");
  EXPECT_EQ(click(control<QPushButton>(panel(), "SetCalibr")),
            "Калибровочные коэффициенты установлены\nВНИМАНИЕ! Запись не подтверждена: Код строки "
            "1: записано 40000, в приборе 40001");
  EXPECT_EQ(cell(control<QTableWidget>(panel(), "CalibrGrid"), 0, 0), "40000");
}

TEST_F(TdPanelTest, OutputsRoundTripWithTheMeanderWeightHalvedOnTheLine) {
  attach({});
  const struct {
    bool meander;
    int length;
  } cases[] = {{true, 1}, {false, 3}};
  for (const auto& c : cases) {
    control<QComboBox>(panel(), "ImpulseWeight")->setEditText("0.002");
    control<QCheckBox>(panel(), "Meandr")->setChecked(c.meander);
    control<QSpinBox>(panel(), "ImpulseLen")->setValue(c.length);
    control<QComboBox>(panel(), "PluginCard")->setCurrentIndex(1);
    control<QComboBox>(panel(), "ReverseType")->setCurrentIndex(2);
    EXPECT_EQ(click(control<QPushButton>(panel(), "SetImpulseOut")),
              "Параметры внешних выходов установлены\n" + kKept);

    control<QComboBox>(panel(), "ImpulseWeight")->setEditText("");
    control<QCheckBox>(panel(), "Meandr")->setChecked(!c.meander);
    control<QComboBox>(panel(), "PluginCard")->setCurrentIndex(-1);
    EXPECT_EQ(click(control<QPushButton>(panel(), "ReadImpulseOut")), kOutputsRead);
    EXPECT_EQ(control<QComboBox>(panel(), "ImpulseWeight")->currentText(), "0.002") << c.meander;
    EXPECT_EQ(control<QCheckBox>(panel(), "Meandr")->isChecked(), c.meander);
    EXPECT_EQ(control<QSpinBox>(panel(), "ImpulseLen")->isEnabled(), !c.meander);
    EXPECT_EQ(control<QLabel>(panel(), "ImpulseLenLabel")->text(), c.meander ? "" : "2.4 мс");
    EXPECT_EQ(control<QComboBox>(panel(), "PluginCard")->currentIndex(), 1);
    EXPECT_EQ(control<QComboBox>(panel(), "ReverseType")->currentIndex(), 2);
    EXPECT_DOUBLE_EQ(device->pulseWeight(), 0.002);
  }
  // The meter holds 0.001 per half-wave: a document stores what the meter holds.
  control<QCheckBox>(panel(), "Meandr")->setChecked(true);
  uint8_t block[14];
  ASSERT_EQ(device->getParameters(block), 14u);
  float held;
  std::memcpy(&held, block, sizeof held);
  EXPECT_FLOAT_EQ(held, 0.001f);
  EXPECT_EQ(block[4], 0);
}

TEST_F(TdPanelTest, AWeightThatIsNotANumberSendsNothing) {
  attach({});
  control<QComboBox>(panel(), "ImpulseWeight")->setEditText("abc");
  control<QComboBox>(panel(), "PluginCard")->setCurrentIndex(0);
  control<QComboBox>(panel(), "ReverseType")->setCurrentIndex(0);
  EXPECT_EQ(click(control<QPushButton>(panel(), "SetImpulseOut")),
            "Необходимо указать цену импульса");
  EXPECT_FALSE(waitUntil([&] { return console.size() > 1; }, 300)) << lines();
  // The meter still holds what it held.
  EXPECT_EQ(click(control<QPushButton>(panel(), "ReadImpulseOut")), kOutputsRead);
  EXPECT_EQ(control<QComboBox>(panel(), "ImpulseWeight")->currentText(), "0.001");
}

TEST_F(TdPanelTest, SettingsButtonsWriteAndReadTheMeter) {
  attach({"--uptime=90061"});  // 1 day, 1 hour, 1 minute, 1 second
  control<QSpinBox>(panel(), "NetAddress")->setValue(9);
  EXPECT_EQ(click(control<QPushButton>(panel(), "SetNetAddr")), "Сетевой адрес установлен");
  control<QSpinBox>(panel(), "FlowIntegrator")->setValue(12);
  EXPECT_EQ(click(control<QPushButton>(panel(), "SetIntegrator")),
            "Интегратор расхода установлен\n" + kKept);
  control<QSpinBox>(panel(), "NetAddress")->setValue(1);
  control<QSpinBox>(panel(), "FlowIntegrator")->setValue(1);
  EXPECT_EQ(click(control<QPushButton>(panel(), "GetNetAddr")), kAddressRead);
  EXPECT_EQ(control<QSpinBox>(panel(), "NetAddress")->value(), 9);
  EXPECT_EQ(click(control<QPushButton>(panel(), "GetIntegrator")), kIntegratorRead);
  EXPECT_EQ(control<QSpinBox>(panel(), "FlowIntegrator")->value(), 12);

  control<QRadioButton>(panel(), "StartStop3")->setChecked(true);
  control<QSpinBox>(panel(), "NoiseCancelStSt")->setValue(10);
  EXPECT_EQ(control<QLabel>(panel(), "NoiseStStLabel")->text(), "8 мс");
  EXPECT_EQ(click(control<QPushButton>(panel(), "SetStSt")),
            "Параметры сигнала старт-стоп установлены");
  EXPECT_EQ(click(control<QPushButton>(panel(), "ClearMeasure")), "Текущие параметры обнулены");
  EXPECT_EQ(click(control<QPushButton>(panel(), "Advanced_Info")),
            "Время непрерывной работы 1 суток 1 часов 1 минут");
}

// Requests go to the address of the port setup (0: any meter), at one of its four speeds.
TEST_F(TdPanelTest, RequestsGoToTheAddressOfThePortSetup) {
  TPortSetupForm& setup = TPortSetupForm::instance();
  EXPECT_FALSE(control<QComboBox>(&setup, "ComboPortSpeed")->isEditable());
  EXPECT_EQ(control<QComboBox>(&setup, "ComboPortSpeed")->count(), 4);
  control<QComboBox>(&setup, "ComboPortSpeed")->setCurrentIndex(2);
  EXPECT_EQ(setup.baudRate(), 2400);

  attach({"--address=7"});
  control<QSpinBox>(&setup, "CSpinAddress")->setValue(5);
  EXPECT_EQ(click(control<QPushButton>(panel(), "ReadParam")), "Прибор не отвечает");
  control<QSpinBox>(&setup, "CSpinAddress")->setValue(7);
  EXPECT_EQ(click(control<QPushButton>(panel(), "ReadParam")), kSystemRead);
}

TEST_F(TdPanelTest, ThePourIndicatorSetsAndClearsItsBit) {
  attach({});
  ASSERT_FALSE(panel()->lampLit(TL_POUR));
  EXPECT_EQ(click(control<QPushButton>(panel(), "Bit0")), "Регистр статуса обновлен");
  EXPECT_TRUE(panel()->lampLit(TL_POUR));
  EXPECT_FALSE(panel()->lampLit(TL_RESET_PULSES));
  EXPECT_EQ(click(control<QPushButton>(panel(), "Bit0")), "Регистр статуса обновлен");
  EXPECT_FALSE(panel()->lampLit(TL_POUR));
}

TEST_F(TdPanelTest, PollsFillTheCurrentValuesAndTheChart) {
  attach({"--code=5000", "--jitter=0"});
  control<QCheckBox>(panel(), "Observation")->setChecked(true);
  ASSERT_TRUE(waitUntil(
      [&] { return !control<QLineEdit>(panel(), "MiddleCode")->text().isEmpty(); }, 4000));
  EXPECT_EQ(control<QLineEdit>(panel(), "MiddleCode")->text(), "5000");
  EXPECT_DOUBLE_EQ(panel()->lastAverageCode(), 5000);
  EXPECT_EQ(control<QLineEdit>(panel(), "ImpulseVolume")->text(),
            QString::number(panel()->lastPulseCount()));
  ASSERT_TRUE(waitUntil([&] { return readings()->codes().size() >= 2; }));
  EXPECT_EQ(readings()->codes()[0], 5000);
  EXPECT_EQ(console.size(), 6) << "polls log nothing: " << lines();
}

// With the meter silent every button command fails aloud, the polls quietly; once the port is
// closed nothing more goes out, whatever is ticked.
TEST_F(TdPanelTest, PollsRunOnlyWhileOpenAndNeverLogFailures) {
  attach({"--silent"}, 5);
  for (const QString& line : console) EXPECT_EQ(line, "Прибор не отвечает");
  control<QCheckBox>(panel(), "Observation")->setChecked(true);
  const QString green = control<QLabel>(panel(), "TxPanel")->styleSheet();
  bool polled = false;
  EXPECT_FALSE(waitUntil(
      [&] {
        polled = polled || control<QLabel>(panel(), "TxPanel")->styleSheet() != green;
        return console.size() > 5;
      },
      1700))
      << lines();
  EXPECT_TRUE(polled);

  console.clear();
  QTest::mouseClick(control<QPushButton>(panel(), "OpenPortButton"), Qt::LeftButton);
  ASSERT_TRUE(waitUntil([&] { return control<QComboBox>(panel(), "PortSelectBox")->isEnabled(); }));
  EXPECT_EQ(control<QPushButton>(panel(), "OpenPortButton")->text(), "Открыть");
  // The indicator of a request sent before the close goes dark on its own; then it stays dark.
  EXPECT_TRUE(
      waitUntil([&] { return control<QLabel>(panel(), "TxPanel")->styleSheet() == green; }));
  EXPECT_FALSE(
      waitUntil([&] { return control<QLabel>(panel(), "TxPanel")->styleSheet() != green; }, 1700));
  EXPECT_TRUE(console.isEmpty()) << lines();
  EXPECT_TRUE(readings()->codes().isEmpty());
}

TEST_F(TdPanelTest, APortThatDoesNotOpenLeavesThePanelClosed) {
  ComPort::ComList::install({"/nonexistent/tty"});
  RegKey key;
  key.create(kProgramKey);
  key.writeInt("TdComPort", 0);
  device = std::make_unique<TDx2>(nullptr);
  QTest::mouseClick(control<QPushButton>(panel(), "OpenPortButton"), Qt::LeftButton);
  ASSERT_TRUE(waitUntil([&] { return !console.isEmpty(); }));
  EXPECT_EQ(console.size(), 1);
  EXPECT_EQ(control<QPushButton>(panel(), "OpenPortButton")->text(), "Открыть");
  EXPECT_TRUE(control<QComboBox>(panel(), "PortSelectBox")->isEnabled());
}

// A command keeps the panel busy until its result: the commands disabled and the busy cursor. The
// unattended polls never make it busy.
TEST_F(TdPanelTest, ACommandKeepsThePanelBusyUntilItsResultThePollsNever) {
  attach({"--code=5000", "--jitter=0"});
  console.clear();
  QTest::mouseClick(control<QPushButton>(panel(), "ReadParam"), Qt::LeftButton);
  for (QPushButton* command :
       {control<QPushButton>(panel(), "ReadParam"), control<QPushButton>(panel(), "SetCalibr"),
        control<QPushButton>(panel(), "OpenPortButton")})
    EXPECT_FALSE(command->isEnabled()) << command->objectName().toStdString();
  const QCursor* cursor = QApplication::overrideCursor();
  EXPECT_TRUE(cursor && cursor->shape() == Qt::BusyCursor);
  ASSERT_TRUE(waitUntil([&] { return !console.isEmpty(); }));
  EXPECT_EQ(console, QStringList{kSystemRead});
  EXPECT_TRUE(control<QPushButton>(panel(), "ReadParam")->isEnabled());
  EXPECT_TRUE(control<QPushButton>(panel(), "SetCalibr")->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  control<QCheckBox>(panel(), "Observation")->setChecked(true);
  bool busy = false;
  ASSERT_TRUE(waitUntil([&] {
    busy = busy || !control<QPushButton>(panel(), "ReadParam")->isEnabled() ||
           QApplication::overrideCursor();
    return readings()->codes().size() >= 3;
  }));
  EXPECT_FALSE(busy);
}

TEST_F(TdPanelTest, WithSevenRequestsPendingAnEighthIsDroppedSilently) {
  attach({});
  console.clear();
  // The first click makes the panel busy and disables the button; the clicks reach its handler
  // directly, as the opening reads reach the queue.
  for (int i = 0; i < 8; ++i) emit control<QPushButton>(panel(), "ReadParam")->clicked();
  ASSERT_TRUE(waitUntil([&] { return console.size() >= 7; })) << lines();
  EXPECT_FALSE(waitUntil([&] { return console.size() > 7; }, 500)) << lines();
  EXPECT_EQ(console, QStringList(7, kSystemRead));
}

// The device hears of the reads of the meter's settings and of each write that was read back;
// the other commands are not exchanges of its values.
TEST_F(TdPanelTest, TheDeviceHearsOfItsReadsAndWrites) {
  attach({"--keep-wrong=8"});
  std::vector<std::pair<DeviceExchange, std::optional<WriteCheckResult>>> heard;
  device->setExchangeListener([&](DeviceBase& d, DeviceExchange exchange, const WriteCheck* check) {
    EXPECT_EQ(&d, device.get());
    heard.emplace_back(exchange, check ? std::optional(check->result) : std::nullopt);
  });
  setCell(control<QTableWidget>(panel(), "CalibrGrid"), 0, 0, "40000");
  click(control<QPushButton>(panel(), "SetCalibr"));
  click(control<QPushButton>(panel(), "ClearMeasure"));
  click(control<QPushButton>(panel(), "ReadParam"));
  click(control<QPushButton>(panel(), "ReadImpulseOut"));
  EXPECT_EQ(heard, (decltype(heard){{DeviceExchange::write, WriteCheckResult::mismatch},
                                    {DeviceExchange::read, std::nullopt},
                                    {DeviceExchange::read, std::nullopt}}));
}
}  // namespace

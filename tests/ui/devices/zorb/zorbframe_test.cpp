#include "ui/devices/zorb/zorbframe.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "core/comm/comport.h"
#include "support/simprocess.h"
#include "support/userchoice.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/devices/panelcontrol.h"
#include "ui/devices/panelwait.h"
#include "ui/devices/zorb/zorbdevice.h"
#include "ui/widgets/floatedit.h"

namespace {

using comprt::ComPort;

// Model index 7 ("ЗОРБ-ТИ1-xxx-М") has a pulse output.
constexpr int kPulseModel = 7;

// The panel of a ZORB device against tdservice-sim, which is the only port of the port list.
// Console lines are collected; the test acts through the panel's controls as a user would.
class ZorbPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setMessageSink([this](const QString& text) { console << text; });
  }
  void TearDown() override {
    device.reset();
    setMessageSink({});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }

  static void writeRememberedPort(int position) {
    RegKey key;
    key.create(kProgramKey);
    key.writeInt("ZorbComPort", position);
  }

  void startSim(std::vector<std::string> options) {
    options.insert(options.begin(), "zorb");
    sim = std::make_unique<SimProcess>(options);
    ComPort::ComList::install({sim->path()});
  }

  // The panel is idle again when its port selector is enabled.
  bool waitIdle() {
    return waitUntil([&] { return cbPort()->isEnabled(); });
  }

  void create(int model) {
    writeRememberedPort(0);
    device = std::make_unique<Zorb>(model, nullptr);
    ASSERT_TRUE(waitIdle());
  }

  // A pulse-output panel on the simulator with its port chosen and open.
  void attach(std::vector<std::string> options, int model = kPulseModel) {
    startSim(std::move(options));
    create(model);
    chooseItem(cbPort(), 1);
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(cbPort()->currentIndex(), 1);
    console.clear();
  }

  void chooseDu(const char* du) { chooseItem(cbDu(), du); }

  // Clicks and waits for the one console line the command ends with.
  std::string click(QPushButton* button) {
    console.clear();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return !console.isEmpty(); })) << "no outcome";
    EXPECT_TRUE(waitIdle());
    return lines();
  }
  std::string lines() const { return console.join('\n').toStdString(); }

  TZorbFrame* panel() const { return device->panel(); }
  QPushButton* bnRead() const { return control<QPushButton>(panel(), "bnRead"); }
  QPushButton* bnWrite() const { return control<QPushButton>(panel(), "bnWrite"); }
  QComboBox* cbDu() const { return control<QComboBox>(panel(), "cbDu"); }
  QComboBox* cbOutType() const { return control<QComboBox>(panel(), "cbOutType"); }
  QComboBox* cbPort() const { return control<QComboBox>(panel(), "cbPort"); }
  TFloatEdit* edA() const { return control<TFloatEdit>(panel(), "edA"); }
  TFloatEdit* edB() const { return control<TFloatEdit>(panel(), "edB"); }
  QLabel* lbOutType() const { return control<QLabel>(panel(), "lbOutType"); }

  std::unique_ptr<SimProcess> sim;
  std::unique_ptr<Zorb> device;
  QStringList console;
};

TEST_F(ZorbPanelTest, WritesAndReadsTheCoefficientsOfAPulseOutputModel) {
  attach({});
  chooseDu("100");
  edA()->SetValue(3.6);
  edB()->SetValue(-0.2);
  EXPECT_EQ(click(bnWrite()),
            "Параметры записаны\nЗапись подтверждена: прибор хранит записанные значения");

  // Read as Ду 125 the same bytes give ten times the values: the device got A code 36000 and
  // B code -2000.
  chooseDu("125");
  console.clear();
  QTest::mouseClick(bnRead(), Qt::LeftButton);
  EXPECT_FALSE(cbPort()->isEnabled());
  EXPECT_FALSE(bnRead()->isEnabled());
  EXPECT_FALSE(bnWrite()->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(lines(), "Параметры считаны");
  EXPECT_DOUBLE_EQ(edA()->GetValue(), 36);
  EXPECT_DOUBLE_EQ(edB()->GetValue(), -2);
  EXPECT_TRUE(bnRead()->isEnabled());
  EXPECT_TRUE(bnWrite()->isEnabled());

  chooseDu("100");
  EXPECT_EQ(click(bnRead()), "Параметры считаны");
  EXPECT_DOUBLE_EQ(edA()->GetValue(), 3.6);
  EXPECT_DOUBLE_EQ(edB()->GetValue(), -0.2);
}

// The write's line is followed by the line of its read-back.
TEST_F(ZorbPanelTest, AWriteIsFollowedByWhatTheDeviceKept) {
  const struct {
    const char* option;
    const char* check;
  } cases[] = {
      {"--keep-wrong=5", "ВНИМАНИЕ! Запись не подтверждена: B: записано -0.2, в приборе -0.1999"},
      {"--silent-after=1",
       "ВНИМАНИЕ! Запись не удалось проверить (значения могли быть записаны): Прибор не отвечает"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    attach({c.option});
    chooseDu("100");
    edA()->SetValue(3.6);
    edB()->SetValue(-0.2);
    EXPECT_EQ(click(bnWrite()), std::string("Параметры записаны\n") + c.check);
    EXPECT_DOUBLE_EQ(edB()->GetValue(), -0.2);
  }
}

TEST_F(ZorbPanelTest, UncodableCoefficientsAreRefusedWithNothingSent) {
  attach({"--frame=012710000000"});  // A 0.05, B 0 at Ду 25
  chooseDu("100");
  edA()->SetValue(3.7);
  EXPECT_EQ(click(bnWrite()), "Недопустимые значения коэффициентов A и/или B");

  chooseDu("25");
  EXPECT_EQ(click(bnRead()), "Параметры считаны");
  EXPECT_DOUBLE_EQ(edA()->GetValue(), 0.05);
}

TEST_F(ZorbPanelTest, LineFaultsReachTheConsoleAndKeepTheValues) {
  const struct {
    const char* option;
    bool write;
    const char* message;
  } cases[] = {
      {"--silent", false, "Прибор не отвечает"},
      {"--bad-echo", true, "Ошибка обмена"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    attach({c.option});
    edA()->SetValue(0.15);
    EXPECT_EQ(click(c.write ? bnWrite() : bnRead()), c.message);
    EXPECT_DOUBLE_EQ(edA()->GetValue(), 0.15);
    EXPECT_TRUE(bnRead()->isEnabled());
  }
}

TEST_F(ZorbPanelTest, OnlyModelsWithAPulseOutputExchangeAndShowTheWeight) {
  startSim({});
  const struct {
    int model;
    bool pulseOutput;
  } cases[] = {{0, false}, {3, false}, {6, false}, {1, true}, {kPulseModel, true}, {16, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model);
    create(c.model);
    EXPECT_FALSE(bnRead()->isEnabled());  // no port yet
    chooseItem(cbPort(), 1);
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(cbPort()->currentIndex(), 1);
    EXPECT_EQ(bnRead()->isEnabled(), c.pulseOutput);
    EXPECT_EQ(bnWrite()->isEnabled(), c.pulseOutput);
    EXPECT_EQ(cbOutType()->isVisibleTo(panel()), c.pulseOutput);
    EXPECT_EQ(lbOutType()->isVisibleTo(panel()), c.pulseOutput);
  }
}

TEST_F(ZorbPanelTest, TheChosenPortIsOpenedAtCreationAndRememberedAtDestruction) {
  startSim({"--frame=012710000000"});
  writeRememberedPort(1);
  device = std::make_unique<Zorb>(kPulseModel, nullptr);
  // No command before the port is open, although port and model would allow one.
  EXPECT_FALSE(bnRead()->isEnabled());
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(cbPort()->currentIndex(), 1);
  EXPECT_EQ(click(bnRead()), "Параметры считаны");  // the port is open

  chooseItem(cbPort(), 0);
  ASSERT_TRUE(waitIdle());
  EXPECT_FALSE(bnRead()->isEnabled());
  device.reset();
  RegKey key;
  key.create(kProgramKey);
  EXPECT_EQ(key.readInt("ZorbComPort", -1), 0);
}

TEST_F(ZorbPanelTest, APortThatDoesNotOpenIsDeselectedWithoutAMessage) {
  ComPort::ComList::install({"/nonexistent/ttyZORB"});
  create(kPulseModel);
  panel()->show();
  panel()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel()));
  edA()->setFocus();
  console.clear();

  chooseItem(cbPort(), 1);
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(cbPort()->currentIndex(), 0);
  EXPECT_EQ(QApplication::focusWidget(), cbPort());
  EXPECT_FALSE(bnRead()->isEnabled());
  EXPECT_EQ(lines(), "");
}

// The device hears of each read and each write, the write with what its read-back found.
TEST_F(ZorbPanelTest, TheDeviceHearsOfEachReadAndWrite) {
  attach({"--keep-wrong=5"});
  std::vector<std::pair<DeviceExchange, std::optional<WriteCheckResult>>> heard;
  device->setExchangeListener([&](DeviceBase& d, DeviceExchange exchange, const WriteCheck* check) {
    EXPECT_EQ(&d, device.get());
    heard.emplace_back(exchange, check ? std::optional(check->result) : std::nullopt);
  });
  chooseDu("100");
  edA()->SetValue(3.6);
  edB()->SetValue(-0.2);
  click(bnWrite());
  click(bnRead());
  EXPECT_EQ(heard, (decltype(heard){{DeviceExchange::write, WriteCheckResult::mismatch},
                                    {DeviceExchange::read, std::nullopt}}));
}

}  // namespace

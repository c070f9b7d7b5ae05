// Line faults against the ZORB panel, its worker and tdservice-sim: each ends in a console line,
// the panel idle with its values kept, and the user-interface thread never waiting on the port.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <string>
#include <vector>

#include "support/userchoice.h"
#include "ui/devices/faultline.h"
#include "ui/devices/panelcontrol.h"
#include "ui/devices/panelwait.h"
#include "ui/devices/zorb/zorbdevice.h"
#include "ui/devices/zorb/zorbframe.h"
#include "ui/widgets/floatedit.h"

namespace {

class ZorbFaultTest : public FaultPanelTest {
 protected:
  void TearDown() override {
    device.reset();
    FaultPanelTest::TearDown();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }

  // A pulse-output panel (model 7) whose remembered port `port` is opened at creation.
  void attach(std::vector<std::string> options, const std::string& port = "") {
    device.reset();
    options.insert(options.begin(), "zorb");
    startSim(options, port, "ZorbComPort", 1);
    device = std::make_unique<Zorb>(7, nullptr);
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(cbPort()->currentIndex(), 1);
  }

  bool waitIdle() {
    return waitUntil([&] { return cbPort()->isEnabled(); }, 15000);
  }

  std::string click(QPushButton* button) {
    const std::string lines = clickAndWait(button, [&] { return cbPort()->isEnabled(); });
    EXPECT_TRUE(bnRead()->isEnabled());
    EXPECT_TRUE(bnWrite()->isEnabled());
    return lines;
  }

  TZorbFrame* panel() const { return device->panel(); }
  QPushButton* bnRead() const { return control<QPushButton>(panel(), "bnRead"); }
  QPushButton* bnWrite() const { return control<QPushButton>(panel(), "bnWrite"); }
  QComboBox* cbPort() const { return control<QComboBox>(panel(), "cbPort"); }
  TFloatEdit* edA() const { return control<TFloatEdit>(panel(), "edA"); }
  TFloatEdit* edB() const { return control<TFloatEdit>(panel(), "edB"); }

  std::unique_ptr<Zorb> device;
};

// The answer has 4 s to arrive in full. The read answer's sum is not examined (the device's
// answer need not carry one), so a wrong sum only shows in the echo of a write.
TEST_F(ZorbFaultTest, EveryLineFaultEndsInItsMessageWithTheValuesKept) {
  const struct {
    const char* option;
    bool write;
    const char* message;
    bool shown;  // the device's values replaced the panel's
  } cases[] = {
      {"--bad-checksum", true, "Ошибка обмена", false},
      {"--bad-checksum", false, "Параметры считаны", true},
      {"--truncate=1", false, "Прибор не отвечает", false},
      {"--reply-delay=3300", false, "Параметры считаны", true},
      {"--reply-delay=4700", false, "Прибор не отвечает", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    attach({c.option, "--frame=012710000000"});  // A 0.05, B 0 at Ду 25
    edA()->SetValue(0.15);
    edB()->SetValue(0.01);
    EXPECT_EQ(click(c.write ? bnWrite() : bnRead()), c.message);
    EXPECT_DOUBLE_EQ(edA()->GetValue(), c.shown ? 0.05 : 0.15);
    EXPECT_DOUBLE_EQ(edB()->GetValue(), c.shown ? 0 : 0.01);
  }
}

TEST_F(ZorbFaultTest, APortThatVanishesMidExchangeCanBeOpenedAgain) {
  const FaultLink link("zorb");
  attach(link.options(), link.path());
  edA()->SetValue(0.15);
  EXPECT_EQ(click(bnRead()), kHangUpText);
  EXPECT_DOUBLE_EQ(edA()->GetValue(), 0.15);

  ASSERT_TRUE(link.waitReturned(sim->path()));
  chooseItem(cbPort(), 0);
  ASSERT_TRUE(waitIdle());
  chooseItem(cbPort(), 1);
  ASSERT_TRUE(waitIdle());
  ASSERT_EQ(cbPort()->currentIndex(), 1);
  EXPECT_EQ(click(bnWrite()),
            "Параметры записаны\nЗапись подтверждена: прибор хранит записанные значения");
  EXPECT_EQ(click(bnRead()), "Параметры считаны");
  EXPECT_DOUBLE_EQ(edA()->GetValue(), 0.15);
}

// The port behind the link watched while the device goes away and comes back.
class ZorbReturnTest : public ZorbFaultTest {
 protected:
  // `deviceName` empty: the device has no name, as a pseudo-terminal has none.
  void attachWatched(const std::string& deviceName) {
    attach(link.options(WatchedLink::kReturnMs), link.path());
    if (!deviceName.empty()) watched.name(deviceName);
    watched.start();
  }

  bool waitFor(const QString& line) {
    return waitUntil([&] { return console.contains(line); }, 15000);
  }

  const FaultLink link{"zorb-back"};
  WatchedLink watched{link};
  const QString port = "Порт " + QString::fromStdString(link.path());
};

TEST_F(ZorbReturnTest, TheSameDeviceBackIsOpenedAgainByItself) {
  attachWatched("usb-Test_ZORB_SER1-if00");
  edA()->SetValue(0.15);
  EXPECT_EQ(click(bnRead()), kHangUpText);
  ASSERT_TRUE(waitFor(port + " отключён"));

  ASSERT_TRUE(link.waitReturned(sim->path()));
  watched.name("usb-Test_ZORB_SER1-if00");
  ASSERT_TRUE(waitFor(port + " снова подключён: порт открыт заново"));
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(cbPort()->currentIndex(), 1);
  EXPECT_EQ(click(bnWrite()),
            "Параметры записаны\nЗапись подтверждена: прибор хранит записанные значения");
  EXPECT_EQ(click(bnRead()), "Параметры считаны");
  EXPECT_DOUBLE_EQ(edA()->GetValue(), 0.15);
}

TEST_F(ZorbReturnTest, AnotherDeviceOnThePathIsNotOpened) {
  attachWatched("usb-Test_ZORB_SER1-if00");
  EXPECT_EQ(click(bnRead()), kHangUpText);
  ASSERT_TRUE(waitFor(port + " отключён"));

  ASSERT_TRUE(link.waitReturned(sim->path()));
  watched.name("usb-Test_ZORB_SER2-if00");
  ASSERT_TRUE(waitFor(port + " снова доступен, но к нему подключено другое устройство: Test ZORB "
                             "(SER2). Порт не открыт заново"));
  EXPECT_FALSE(console.contains(port + " снова подключён: порт открыт заново"));
  // The panel still holds the line that hung up.
  EXPECT_EQ(click(bnRead()), kHangUpText);
}

TEST_F(ZorbReturnTest, AnUnnamedDeviceBackIsLeftToTheUser) {
  attachWatched("");
  EXPECT_EQ(click(bnRead()), kHangUpText);
  ASSERT_TRUE(waitFor(port + " отключён"));
  ASSERT_TRUE(link.waitReturned(sim->path()));
  ASSERT_TRUE(
      waitFor(port + " снова доступен, но устройство на нём не опознать: откройте порт сами"));
  EXPECT_EQ(click(bnRead()), kHangUpText);
}

}  // namespace

// Line faults against the ZORB panel, its worker and tdservice-sim: each ends in a console line,
// the panel idle with its values kept, and the user-interface thread never waiting on the port.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/messagelog.h"
#include "comm/comport.h"
#include "comm/regkey.h"
#include "devices/faultline.h"
#include "devices/panelwait.h"
#include "devices/zorb/zorb.h"
#include "devices/zorb/zorbframe.h"
#include "support/simprocess.h"
#include "support/userchoice.h"
#include "widgets/floatedit.h"

namespace {

using comprt::ComPort;

class ZorbFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setMessageSink([this](const QString& text) { console << text; });
  }
  void TearDown() override {
    device.reset();
    setMessageSink({});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }

  // A pulse-output panel (model 7) with the port at `port` chosen and open.
  void attach(std::vector<std::string> options, const std::string& port = "") {
    device.reset();
    options.insert(options.begin(), "zorb");
    sim = std::make_unique<SimProcess>(options);
    ComPort::ComList::install({port.empty() ? sim->path() : port});
    RegKey key;
    key.create(kProgramKey);
    key.writeInt("ZorbComPort", 1);
    device = std::make_unique<Zorb>(7, nullptr);
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(panel()->cbPort->currentIndex(), 1);
  }

  bool waitIdle() {
    return waitUntil([&] { return panel()->cbPort->isEnabled(); }, 15000);
  }

  // Clicks, waits for the panel to be idle again and returns the console lines of the command.
  std::string click(QPushButton* button) {
    console.clear();
    UiPulse pulse;
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(waitIdle());
    pulse.expectResponsive();
    EXPECT_TRUE(panel()->bnRead->isEnabled());
    EXPECT_TRUE(panel()->bnWrite->isEnabled());
    return console.join('\n').toStdString();
  }

  TZorbFrame* panel() const { return device->panel(); }

  std::unique_ptr<SimProcess> sim;
  std::unique_ptr<Zorb> device;
  QStringList console;
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
    panel()->edA->SetValue(0.15);
    panel()->edB->SetValue(0.01);
    EXPECT_EQ(click(c.write ? panel()->bnWrite : panel()->bnRead), c.message);
    EXPECT_DOUBLE_EQ(panel()->edA->GetValue(), c.shown ? 0.05 : 0.15);
    EXPECT_DOUBLE_EQ(panel()->edB->GetValue(), c.shown ? 0 : 0.01);
  }
}

TEST_F(ZorbFaultTest, APortThatVanishesMidExchangeCanBeOpenedAgain) {
  const FaultLink link("zorb");
  attach(link.options(), link.path());
  panel()->edA->SetValue(0.15);
  EXPECT_EQ(click(panel()->bnRead), kHangUpText);
  EXPECT_DOUBLE_EQ(panel()->edA->GetValue(), 0.15);

  ASSERT_TRUE(link.waitReturned(sim->path()));
  chooseItem(panel()->cbPort, 0);
  ASSERT_TRUE(waitIdle());
  chooseItem(panel()->cbPort, 1);
  ASSERT_TRUE(waitIdle());
  ASSERT_EQ(panel()->cbPort->currentIndex(), 1);
  EXPECT_EQ(click(panel()->bnWrite), "Параметры записаны");
  EXPECT_EQ(click(panel()->bnRead), "Параметры считаны");
  EXPECT_DOUBLE_EQ(panel()->edA->GetValue(), 0.15);
}

}  // namespace

// Line faults against the RM-2.3 dialog, its worker and tdservice-sim: each ends in a console
// line, the dialog idle with nothing measured, and the user-interface thread never waiting on
// the port.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

#include "support/userchoice.h"
#include "ui/devices/faultline.h"
#include "ui/devices/panelwait.h"
#include "ui/devices/rm23/rm23controls.h"
#include "ui/devices/rm23/rm23frame.h"

namespace {

class SpprFaultTest : public FaultPanelTest {
 protected:
  void SetUp() override {
    FaultPanelTest::SetUp();
    forgetSpprChoices();
  }
  void TearDown() override {
    delete dlg.data();
    FaultPanelTest::TearDown();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }

  // A dialog whose remembered port `port` is opened at creation. Its once-a-second poll is
  // held back, so that the faults meet the commands the test gives.
  void attach(std::vector<std::string> options, const std::string& port = "") {
    delete dlg.data();
    options.insert(options.begin(), "rm23");
    startSim(options, port, "SpprComPort", 1);
    dlg = new TSpprDlg;
    ui().Timer()->setInterval(60000);
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(ui().cbPort()->currentIndex(), 1);
  }

  static bool idle() { return QApplication::overrideCursor() == nullptr; }
  static bool waitIdle() { return waitUntil(idle, 15000); }
  std::string click(QPushButton* button) { return clickAndWait(button, idle); }

  Rm23Controls ui() const { return Rm23Controls(dlg.data()); }

  QPointer<TSpprDlg> dlg;
};

// "Старт" measures the temperature first (1.5 s for each answer); a failure skips the start.
// A start that went through shows as "Стоп" enabled.
TEST_F(SpprFaultTest, EveryLineFaultEndsInItsMessageWithNothingStarted) {
  const struct {
    const char* option;
    const char* message;
    bool started;
  } cases[] = {
      {"--silent", "Прибор не отвечает", false},
      {"--truncate=1", "Прибор не отвечает", false},
      {"--bad-echo", "Ошибка обмена", false},
      {"--reply-delay=1100", "", true},
      {"--reply-delay=1900", "Прибор не отвечает", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    attach({c.option});
    EXPECT_EQ(click(ui().bnStart()), c.message);
    EXPECT_EQ(ui().bnStop()->isEnabled(), c.started);
    EXPECT_EQ(ui().bnStart()->isEnabled(), !c.started);
    EXPECT_EQ(ui().cbPort()->isEnabled(), !c.started);
    EXPECT_EQ(ui().pntq()->text(), "");
  }
}

TEST_F(SpprFaultTest, AnUnknownStateEndsTheStopWithAnExchangeError) {
  attach({"--bad-state"});
  ASSERT_EQ(click(ui().bnStart()), "");
  ASSERT_TRUE(ui().bnStop()->isEnabled());
  EXPECT_EQ(click(ui().bnStop()), "Ошибка обмена");
  EXPECT_EQ(ui().pntq()->text(), "");
}

TEST_F(SpprFaultTest, APortThatVanishesMidExchangeCanBeOpenedAgain) {
  const FaultLink link("rm23");
  attach(link.options(), link.path());
  EXPECT_EQ(click(ui().bnStart()), kHangUpText);
  EXPECT_FALSE(ui().bnStop()->isEnabled());
  EXPECT_TRUE(ui().cbPort()->isEnabled());

  ASSERT_TRUE(link.waitReturned(sim->path()));
  chooseItem(ui().cbPort(), 0);
  ASSERT_TRUE(waitIdle());
  chooseItem(ui().cbPort(), 1);
  ASSERT_TRUE(waitIdle());
  ASSERT_EQ(ui().cbPort()->currentIndex(), 1);
  EXPECT_EQ(click(ui().bnStart()), "");
  EXPECT_TRUE(ui().bnStop()->isEnabled());
}

}  // namespace

// Line faults against the KELT panel, its worker and tdservice-sim: each ends in a console line,
// the panel idle with its values kept, and the user-interface thread never waiting on the port.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <memory>
#include <string>
#include <vector>

#include "support/userchoice.h"
#include "ui/devices/faultline.h"
#include "ui/devices/kelt/keltcontrols.h"
#include "ui/devices/kelt/keltframe.h"
#include "ui/devices/panelwait.h"
#include "ui/widgets/floatedit.h"

namespace {

constexpr int kAdapterModel = 7;  // through the adapter: 4.5 s for an answer
constexpr int kDirectModel = 9;   // direct: 250 ms for an answer

class KeltFaultTest : public FaultPanelTest {
 protected:
  void TearDown() override {
    panel.reset();
    FaultPanelTest::TearDown();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }

  // A panel of the model with the port at `port` chosen and open.
  void attach(int model, std::vector<std::string> options, const std::string& port = "") {
    panel.reset();
    options.insert(options.begin(), {"kelt", "--model=" + std::to_string(model)});
    startSim(options, port, "KeltComPort", 0);
    panel = std::make_unique<TKeltFrame>(nullptr, std::chrono::milliseconds(600));
    panel->init(model);
    panel->show();
    ASSERT_TRUE(waitIdle());
    reopen();
  }

  // Chooses the port again, as a user does after the line came back.
  void reopen() {
    chooseItem(ui().cbPort(), 0);
    ASSERT_TRUE(waitIdle());
    chooseItem(ui().cbPort(), 1);
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(ui().cbPort()->currentIndex(), 1);
  }

  bool waitIdle() {
    return waitUntil([&] { return ui().cbPort()->isEnabled(); }, 15000);
  }

  std::string click(QPushButton* button) {
    const std::string lines = clickAndWait(button, [&] { return ui().cbPort()->isEnabled(); });
    EXPECT_TRUE(ui().bnRead()->isEnabled());
    EXPECT_TRUE(ui().bnWrite()->isEnabled());
    return lines;
  }

  KeltControls ui() const { return KeltControls(panel.get()); }

  std::unique_ptr<TKeltFrame> panel;
};

// A wrong sum, a wrong echo and the busy adapter are covered with the panel's own tests.
TEST_F(KeltFaultTest, EveryLineFaultEndsInItsMessageWithTheValuesKept) {
  const struct {
    int model;
    const char* option;
    const char* message;
    bool shown;  // the device's values replaced the panel's
  } cases[] = {
      {kAdapterModel, "--silent", "Прибор не отвечает", false},
      {kDirectModel, "--silent", "Прибор не отвечает", false},
      {kDirectModel, "--truncate=1", "Прибор не отвечает", false},
      {kDirectModel, "--reply-delay=120", "Параметры считаны", true},
      {kDirectModel, "--reply-delay=400", "Прибор не отвечает", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    SCOPED_TRACE(c.model);
    attach(c.model, {c.option});
    ui().edA(0)->SetValue(0.15);
    EXPECT_EQ(click(ui().bnRead()), c.message);
    EXPECT_NEAR(ui().edA(0)->GetValue(), c.shown ? 0.5 : 0.15, 1e-4);
  }
}

TEST_F(KeltFaultTest, APortThatVanishesMidExchangeCanBeOpenedAgain) {
  const FaultLink link("kelt");
  attach(kDirectModel, link.options(), link.path());
  ui().edA(0)->SetValue(0.15);
  EXPECT_EQ(click(ui().bnRead()), kHangUpText);
  EXPECT_DOUBLE_EQ(ui().edA(0)->GetValue(), 0.15);

  ASSERT_TRUE(link.waitReturned(sim->path()));
  reopen();
  EXPECT_EQ(click(ui().bnRead()), "Параметры считаны");
  EXPECT_NEAR(ui().edA(0)->GetValue(), 0.5, 1e-4);
}

}  // namespace

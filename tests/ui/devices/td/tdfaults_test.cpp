// Line faults against the TD panel, its worker and tdservice-sim: the opening reads and a button
// read each end in a console line, the values shown stay as they were, and the user-interface
// thread never waits on the port.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "ui/devices/faultline.h"
#include "ui/devices/panelcontrol.h"
#include "ui/devices/panelwait.h"
#include "ui/devices/td/tddevice.h"
#include "ui/devices/td/tdframe.h"

namespace {

const QString kSystemRead = "Системные параметры считаны";

// Opening reads of a meter whose system read failed: system, outputs, direct coefficients,
// address and integrator; a successful one adds the reverse coefficients.
constexpr int kFailedOpeningReads = 5;
constexpr int kOpeningReads = 6;

class TdFaultTest : public FaultPanelTest {
 protected:
  void TearDown() override {
    device.reset();
    FaultPanelTest::TearDown();
  }

  // A panel on the port at `port`, opened; returns once `reads` opening reads have reported.
  void attach(std::vector<std::string> options, int reads, const std::string& port = "") {
    device.reset();
    options.insert(options.begin(), "td");
    startSim(options, port, "TdComPort", 0);
    device = std::make_unique<TDx2>(nullptr);
    toggle(reads);
  }

  // Clicks "Открыть" or "Закрыть" and waits for the `reads` lines that follow.
  void toggle(int reads) {
    console.clear();
    const bool open = control<QComboBox>(panel(), "PortSelectBox")->isEnabled();
    QTest::mouseClick(control<QPushButton>(panel(), "OpenPortButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil(
        [&] { return control<QComboBox>(panel(), "PortSelectBox")->isEnabled() != open; }));
    ASSERT_TRUE(waitUntil([&] { return console.size() >= reads; })) << lines();
  }

  // A command is over with the one line it ends with; the panel left its busy state before it.
  QString click(QPushButton* button) {
    return QString::fromStdString(clickAndWait(button, [&] { return !console.isEmpty(); }));
  }
  std::string lines() const { return console.join('\n').toStdString(); }

  TTDFrame* panel() const { return device->panel(); }

  std::unique_ptr<TDx2> device;
};

// The meter has 100 ms for a reply, and 50 ms between its bytes. A reply the line damaged is
// told to the user; the unattended polls meet the same faults silently.
TEST_F(TdFaultTest, EveryLineFaultEndsInItsMessageWithTheValuesKept) {
  const struct {
    const char* option;
    const char* message;
  } cases[] = {
      {"--bad-crc", "Ошибка контрольной суммы"},
      {"--truncate=2", "Ошибка контрольной суммы"},
      {"--error=6", "Устройство занято"},
      {"--reply-delay=250", "Прибор не отвечает"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    attach({c.option}, kFailedOpeningReads);
    EXPECT_EQ(console, QStringList(kFailedOpeningReads, c.message));
    control<QComboBox>(panel(), "DuCombo")->setCurrentIndex(2);
    EXPECT_EQ(click(control<QPushButton>(panel(), "ReadParam")), c.message);
    EXPECT_EQ(control<QLineEdit>(panel(), "Serial")->text(), "");
    EXPECT_EQ(control<QComboBox>(panel(), "DuCombo")->currentIndex(), 2);
    EXPECT_EQ(control<QPushButton>(panel(), "OpenPortButton")->text(), "Закрыть");
  }
}

TEST_F(TdFaultTest, ASlowReplyJustInsideTheTimeOutIsTaken) {
  attach({"--reply-delay=45", "--serial=1234"}, kOpeningReads);
  EXPECT_EQ(console.count(kSystemRead), 1) << lines();
  control<QLineEdit>(panel(), "Serial")->clear();
  EXPECT_EQ(click(control<QPushButton>(panel(), "ReadParam")), kSystemRead);
  EXPECT_EQ(control<QLineEdit>(panel(), "Serial")->text(), "00001234");
}

TEST_F(TdFaultTest, APortThatVanishesMidExchangeCanBeOpenedAgain) {
  const FaultLink link("td");
  attach(link.options(), kFailedOpeningReads, link.path());
  EXPECT_EQ(console, QStringList(kFailedOpeningReads, kHangUpText));

  ASSERT_TRUE(link.waitReturned(sim->path()));
  toggle(0);  // closed
  toggle(kOpeningReads);
  EXPECT_EQ(console.count(kSystemRead), 1) << lines();
  EXPECT_EQ(click(control<QPushButton>(panel(), "ReadParam")), kSystemRead);
}

TEST_F(TdFaultTest, TheSameMeterBackIsOpenedAgainByItself) {
  const FaultLink link("td-back");
  WatchedLink watched(link);
  std::vector<std::string> options = link.options(WatchedLink::kReturnMs);
  options.push_back("--hangup-after=" + std::to_string(kOpeningReads));
  attach(options, kOpeningReads, link.path());
  watched.name("usb-Test_TD_SER1-if00-port0");
  watched.start();
  const QString port = "Порт " + QString::fromStdString(link.path());
  click(control<QPushButton>(panel(), "ReadParam"));
  ASSERT_TRUE(waitUntil([&] { return console.contains(port + " отключён"); }, 15000)) << lines();

  console.clear();
  ASSERT_TRUE(link.waitReturned(sim->path()));
  watched.name("usb-Test_TD_SER1-if00-port0");
  // The line that tells of it, then the lines of the opening reads.
  ASSERT_TRUE(waitUntil([&] { return console.size() >= 1 + kOpeningReads; }, 15000)) << lines();
  EXPECT_EQ(console.count(kSystemRead), 1) << lines();
  EXPECT_EQ(console.first(), port + " снова подключён: порт открыт заново") << lines();
  EXPECT_EQ(control<QPushButton>(panel(), "OpenPortButton")->text(), "Закрыть");
  EXPECT_FALSE(control<QComboBox>(panel(), "PortSelectBox")->isEnabled());
  EXPECT_EQ(click(control<QPushButton>(panel(), "ReadParam")), kSystemRead);
}

}  // namespace

#include "ui/devices/panelworker.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <memory>
#include <vector>

#include "core/base/errors.h"
#include "core/comm/comport.h"
#include "ui/base/regkey.h"
#include "ui/devices/panelwait.h"

namespace {

bool busyCursorShown() {
  const QCursor* cursor = QApplication::overrideCursor();
  return cursor && cursor->shape() == Qt::BusyCursor;
}

// A panel with two command buttons (the busy controls) and two edits the focus can move to.
class PanelBusyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&panel);
    for (QWidget* w : std::initializer_list<QWidget*>{command1, command2, edit1, edit2})
      layout->addWidget(w);
    busy->setControls({command1, command2});
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    command1->setFocus(Qt::OtherFocusReason);
  }
  void TearDown() override { EXPECT_EQ(QApplication::overrideCursor(), nullptr); }

  QWidget panel;
  QPushButton* command1 = new QPushButton("1", &panel);
  QPushButton* command2 = new QPushButton("2", &panel);
  QLineEdit* edit1 = new QLineEdit(&panel);
  QLineEdit* edit2 = new QLineEdit(&panel);
  std::unique_ptr<PanelBusyState> busy = std::make_unique<PanelBusyState>();
};

TEST_F(PanelBusyTest, DisablesTheCommandsWithABusyCursorAndGivesTheFocusBack) {
  busy->enter();
  EXPECT_FALSE(command1->isEnabled());
  EXPECT_FALSE(command2->isEnabled());
  EXPECT_TRUE(busyCursorShown());
  EXPECT_NE(QApplication::focusWidget(), command1);

  busy->leave();
  EXPECT_TRUE(command1->isEnabled());
  EXPECT_TRUE(command2->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), command1);
}

TEST_F(PanelBusyTest, FocusTheUserMovedMeanwhileStaysWhereItIs) {
  busy->enter();
  edit2->setFocus(Qt::MouseFocusReason);
  busy->leave();
  EXPECT_EQ(QApplication::focusWidget(), edit2);
}

TEST_F(PanelBusyTest, TheCursorIsSetOnceAndRestoredOnceAlsoByDestruction) {
  busy->enter();
  busy->enter();
  busy->leave();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  busy->leave();
  busy->enter();
  busy.reset();  // a panel destroyed while a command is pending
}

// Doubles even values and fails odd ones.
struct Command {
  int value = 0;
};
class DoublingThread : public QueueThread<Command> {
 public:
  ~DoublingThread() override { stop(); }

 protected:
  void execute(std::int32_t, Command& data) override {
    if (data.value % 2) throw MessageError("Прибор не отвечает");
    data.value *= 2;
  }
};

class PanelWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    busy.setControls({&command});
    worker.start(&panel, [this](auto& item, bool ok) {
      results.push_back({item.data.value, ok, busy.isBusy()});
    });
  }

  struct Result {
    int value;
    bool ok;
    bool busyWhenHandled;
  };
  QObject panel;
  QPushButton command;
  PanelBusyState busy;
  PanelWorker<DoublingThread> worker{busy};
  std::vector<Result> results;
};

TEST_F(PanelWorkerTest, ThePanelStaysBusyUntilTheLastPendingResult) {
  worker.push(0, {2});
  worker.push(0, {3}, QF_ALWAYS);
  EXPECT_TRUE(busy.isBusy());
  EXPECT_FALSE(command.isEnabled());

  ASSERT_TRUE(waitUntil([&] { return results.size() == 2; }));
  EXPECT_EQ(results[0].value, 4);
  EXPECT_TRUE(results[0].ok);
  EXPECT_TRUE(results[0].busyWhenHandled);
  EXPECT_EQ(results[1].value, 3);
  EXPECT_FALSE(results[1].ok);
  EXPECT_FALSE(results[1].busyWhenHandled);  // left before the panel handles the last result
  EXPECT_TRUE(command.isEnabled());
}

TEST_F(PanelWorkerTest, BackgroundAndRefusedPushesLeaveThePanelIdle) {
  worker.push(0, {2}, QF_BACKGROUND);  // pending until the test lets events run
  EXPECT_FALSE(busy.isBusy());
  worker.push(0, {4}, QF_BACKGROUND | QF_DROP);  // dropped: the queue is not idle
  EXPECT_FALSE(busy.isBusy());
  try {
    worker.push(0, {6}, QF_BACKGROUND);
    ADD_FAILURE() << "pushed into a busy queue";
  } catch (const MessageError& e) {
    EXPECT_STREQ(e.what(), "Queue is not empty");
  }
  EXPECT_FALSE(busy.isBusy());
  EXPECT_TRUE(command.isEnabled());

  ASSERT_TRUE(waitUntil([&] { return !results.empty(); }));
  QCoreApplication::processEvents();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].value, 4);
}

TEST(PanelPort, TheChoiceIsListedAfterNoPortAndRememberedWithinTheList) {
  comprt::ComPort::ComList::install({"ttyUSB0", "/tmp/sim"});
  QComboBox combo;
  fillPortCombo(combo, false);
  EXPECT_EQ(combo.count(), 2);
  fillPortCombo(combo, true);
  ASSERT_EQ(combo.count(), 3);
  EXPECT_EQ(combo.itemText(0), "-------");
  EXPECT_EQ(combo.itemText(2), "/tmp/sim");

  EXPECT_EQ(rememberedPort(combo, "PanelPortAbsent"), 0);
  combo.setCurrentIndex(2);
  rememberPort(combo, "PanelPort");
  EXPECT_EQ(rememberedPort(combo, "PanelPort"), 2);

  RegKey key;
  key.create(kProgramKey);
  for (int stored : {3, -1}) {
    key.writeInt("PanelPort", stored);
    EXPECT_EQ(rememberedPort(combo, "PanelPort"), 0) << stored;
  }
}

}  // namespace

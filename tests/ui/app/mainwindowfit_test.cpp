// The main window with the real device panels: however large a panel, the window can be made as
// small as a 1024 × 600 screen allows; the panel scrolls inside its page instead.

#include <gtest/gtest.h>

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "core/comm/comport.h"
#include "core/devices/devicetypes.h"
#include "core/package/approxstate.h"
#include "ui/app/doccreate.h"
#include "ui/app/mainform.h"
#include "ui/base/messageboxes.h"
#include "ui/base/regkey.h"

namespace {

constexpr int kZorb = 9;   // "ЗОРБ-ТИ1-xxx-П (КЕЛТ3-ЧИ6.52-xxx)"
constexpr int kKelt = 35;  // "КЕЛТ3-ЧИ7.96(86)-xxx": the direct link, the most controls
const QSize kSmallScreen(1024, 600);

class MainWindowFitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    comprt::ComPort::ComList::install({});
    RegKey key;
    key.create(kProgramKey);
    for (const char* port : {"TdComPort", "KeltComPort", "ZorbComPort"}) key.writeInt(port, 0);
    for (const char* name : {"MainWindowGeometry", "MainWindowSplitter"}) key.writeString(name, {});

    TMainForm::Seams seams;  // the real devices and their panels
    seams.execDialog = [this](QDialog& dialog) {
      auto* create = qobject_cast<TDocCreateDlg*>(&dialog);
      if (!create) return int(QDialog::Rejected);
      create->selectType(newType);
      return int(QDialog::Accepted);
    };
    form = std::make_unique<TMainForm>(QStringList{}, seams);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  void TearDown() override {
    form.reset();
    resetApproxState();
  }

  void newDocument(int code) {
    newType = code;
    form->ActionNew->trigger();
    ASSERT_TRUE(form->document().isOpen());
    ASSERT_EQ(form->document().device->typeCode(), code);
    QCoreApplication::processEvents();
  }

  // The window is sized to the small screen and shows the device page there.
  void expectFitsTheSmallScreen(const char* name) {
    const QSize minimum = form->minimumSize();
    EXPECT_LE(minimum.width(), kSmallScreen.width()) << name;
    EXPECT_LE(minimum.height(), kSmallScreen.height()) << name;
    form->resize(kSmallScreen);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->size(), kSmallScreen) << name;
    // The whole panel is reachable: the page is at least as large as the panel wants.
    const QWidget* page = form->PageScroll->widget();
    EXPECT_GE(page->height(), page->minimumSizeHint().height()) << name;
    EXPECT_GE(page->width(), page->minimumSizeHint().width()) << name;
  }

  std::unique_ptr<TMainForm> form;
  int newType = 0;
  ScopedMessageAnswerer noToSaving{[](const MessageBoxes::Request&) { return QMessageBox::No; }};
};

TEST_F(MainWindowFitTest, EveryPanelFitsTheSmallScreen) {
  const struct {
    const char* name;
    int code;
  } cases[] = {{"TD", kTdCode}, {"KELT", kKelt}, {"ZORB", kZorb}};
  for (const auto& c : cases) {
    newDocument(c.code);
    expectFitsTheSmallScreen(c.name);
  }
  // The TD panel is taller than that window: it scrolls.
  newDocument(kTdCode);
  form->resize(kSmallScreen);
  QCoreApplication::processEvents();
  EXPECT_GT(form->PageScroll->verticalScrollBar()->maximum(), 0);
}

TEST_F(MainWindowFitTest, MinimumSizeFollowsTheCurrentPanel) {
  newDocument(kZorb);
  const QSize zorb = form->minimumSize();
  newDocument(kTdCode);
  newDocument(kZorb);
  EXPECT_EQ(form->minimumSize(), zorb);
  form->NClose->trigger();
  EXPECT_LE(form->minimumSize().height(), zorb.height());
}

TEST_F(MainWindowFitTest, TdPanelTellsTheStatusBarWhetherItsPortIsOpen) {
  newDocument(kTdCode);
  EXPECT_TRUE(form->lbPortState->isVisible());
  EXPECT_EQ(form->lbPortState->text(), "Порт закрыт");
  newDocument(kZorb);
  EXPECT_FALSE(form->lbPortState->isVisible());
}

}  // namespace

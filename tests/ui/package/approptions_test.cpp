#include "ui/package/approptions.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "core/package/approxstate.h"
#include "core/package/packagefixture.h"
#include "ui/base/messageboxes.h"
#include "ui/widgets/floatedit.h"

namespace {

class ApprOptionsTest : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    apprSettings() = custom();
  }
  void TearDown() override {
    dlg.hide();
    PackageTest::TearDown();
  }

  // Settings far from the defaults, pulse weight included (the dialog never touches it).
  static ApprSettings custom() {
    ApprSettings s;
    s.func = 2;
    s.manual = 0;
    s.fromEntries = 0;
    s.refTemp = -12.5;
    s.maxAutoErr = 0.25;
    s.sectionScatter = 7.125;
    s.pulseWeight = 0.001;
    return s;
  }

  static void expectSettings(const ApprSettings& a, const ApprSettings& b) {
    EXPECT_EQ(a.func, b.func);
    EXPECT_EQ(a.manual, b.manual);
    EXPECT_EQ(a.fromEntries, b.fromEntries);
    EXPECT_EQ(a.refTemp, b.refTemp);
    EXPECT_EQ(a.maxAutoErr, b.maxAutoErr);
    EXPECT_EQ(a.sectionScatter, b.sectionScatter);
    EXPECT_EQ(a.pulseWeight, b.pulseWeight);
  }

  // On the indicator: a radio button stretched by its group takes no clicks right of its text.
  static void click(QRadioButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  }

  static void retype(TFloatEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Tab);
  }

  ScopedMessageAnswerer noBoxes{[](const MessageBoxes::Request& r) {
    ADD_FAILURE() << r.text.toStdString();
    return QMessageBox::Ok;
  }};
  TApprOptionsDlg dlg;
};

}  // namespace

TEST_F(ApprOptionsTest, ShowsTheSettingsEachTimeItOpens) {
  struct Case {
    uint8_t func, manual, fromEntries;
    QRadioButton* function;
    QRadioButton* mode;
    QRadioButton* source;
  } cases[] = {
      {0, 1, 1, dlg.rbPiecewiseLinear, dlg.rbManual, dlg.rbEntries},
      {1, 0, 0, dlg.rbLinear, dlg.rbAuto, dlg.rbSections},
      {2, 7, 3, dlg.rbProportional, dlg.rbManual, dlg.rbEntries},
      {9, 0, 1, dlg.rbPiecewiseLinear, dlg.rbAuto, dlg.rbEntries},  // unknown: piecewise
  };
  for (const Case& c : cases) {
    apprSettings().func = c.func;
    apprSettings().manual = c.manual;
    apprSettings().fromEntries = c.fromEntries;
    apprSettings().refTemp = c.func * 10.0;
    dlg.show();
    EXPECT_TRUE(c.function->isChecked()) << int(c.func);
    EXPECT_TRUE(c.mode->isChecked()) << int(c.func);
    EXPECT_TRUE(c.source->isChecked()) << int(c.func);
    // The mode is a choice of the piecewise-linear function only.
    const bool piecewise = c.function == dlg.rbPiecewiseLinear;
    EXPECT_EQ(dlg.rbAuto->isEnabled(), piecewise) << int(c.func);
    EXPECT_EQ(dlg.rbManual->isEnabled(), piecewise) << int(c.func);
    EXPECT_EQ(dlg.edRefTemp->GetValue(), c.func * 10.0);
    dlg.hide();
  }
  EXPECT_EQ(dlg.windowTitle(), "Параметры аппроксимации");
  EXPECT_EQ(dlg.property("helpKeyword").toString(), "approximation_params");
}

TEST_F(ApprOptionsTest, ChoosingAFunctionSwitchesTheModeButtons) {
  dlg.show();
  click(dlg.rbPiecewiseLinear);
  EXPECT_TRUE(dlg.rbAuto->isEnabled() && dlg.rbManual->isEnabled());
  click(dlg.rbLinear);
  EXPECT_FALSE(dlg.rbAuto->isEnabled() || dlg.rbManual->isEnabled());
}

TEST_F(ApprOptionsTest, OkStoresTheControlsAndKeepsThePulseWeight) {
  dlg.show();
  click(dlg.rbPiecewiseLinear);
  click(dlg.rbManual);
  click(dlg.rbEntries);
  retype(dlg.edSectionScatter, "2,5");
  retype(dlg.edMaxAutoErr, "0.125");
  retype(dlg.edRefTemp, "15");
  QTest::mouseClick(dlg.bnOK, Qt::LeftButton);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);

  ApprSettings want = custom();
  want.func = 0;
  want.manual = 1;
  want.fromEntries = 1;
  want.sectionScatter = 2.5;
  want.maxAutoErr = 0.125;
  want.refTemp = 15;
  expectSettings(apprSettings(), want);
}

TEST_F(ApprOptionsTest, FieldsKeepTheirLimits) {
  dlg.show();
  retype(dlg.edSectionScatter, "150");
  retype(dlg.edMaxAutoErr, "-3");
  retype(dlg.edRefTemp, "-300");
  QTest::mouseClick(dlg.bnOK, Qt::LeftButton);
  EXPECT_EQ(apprSettings().sectionScatter, 100);
  EXPECT_EQ(apprSettings().maxAutoErr, 0);
  EXPECT_EQ(apprSettings().refTemp, -273.15);
  dlg.show();
  retype(dlg.edRefTemp, "5000");
  QTest::mouseClick(dlg.bnOK, Qt::LeftButton);
  EXPECT_EQ(apprSettings().refTemp, 1000);
}

TEST_F(ApprOptionsTest, CancelChangesNothing) {
  dlg.show();
  click(dlg.rbLinear);
  click(dlg.rbEntries);
  retype(dlg.edRefTemp, "30");
  QTest::mouseClick(dlg.bnCancel, Qt::LeftButton);
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  expectSettings(apprSettings(), custom());
  // The next showing forgets what was typed.
  dlg.show();
  EXPECT_TRUE(dlg.rbProportional->isChecked());
  EXPECT_EQ(dlg.edRefTemp->GetValue(), -12.5);
}

TEST_F(ApprOptionsTest, DefaultsApplyAtOnceAndSurviveCancel) {
  dlg.show();
  QTest::mouseClick(dlg.bnDefault, Qt::LeftButton);
  EXPECT_TRUE(dlg.rbPiecewiseLinear->isChecked());
  EXPECT_TRUE(dlg.rbManual->isChecked() && dlg.rbManual->isEnabled());
  EXPECT_TRUE(dlg.rbEntries->isChecked());
  EXPECT_EQ(dlg.edRefTemp->GetValue(), 20);
  EXPECT_EQ(dlg.edMaxAutoErr->GetValue(), 1);
  EXPECT_EQ(dlg.edSectionScatter->GetValue(), 5);
  QTest::mouseClick(dlg.bnCancel, Qt::LeftButton);

  ApprSettings want;
  want.pulseWeight = custom().pulseWeight;
  expectSettings(apprSettings(), want);
}

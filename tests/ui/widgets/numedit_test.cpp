#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

#include "core/base/errors.h"
#include "ui/base/messageboxes.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/intedit.h"

namespace {

// A dialog with a status bar of two panels, both numeric fields, a plain edit to move on to and an
// OK button (not the default one, so Enter leaves the dialog open unless a test wants otherwise).
// Every message box is answered with OK and remembered.
class NumEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&dialog);
    for (QWidget* w : std::initializer_list<QWidget*>{intEdit, floatEdit, other, ok, bar})
      layout->addWidget(w);
    ok->setAutoDefault(false);
    bar->addWidget(panel0);
    bar->addWidget(panel1);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    intEdit->SetMax(255);
    intEdit->SetMin(1);
    intEdit->SetValue(10);
    floatEdit->SetMax(10);
    floatEdit->SetMin(-10);
    floatEdit->SetDigits(2);
    floatEdit->SetValue(2.5);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  }

  void TearDown() override { QLocale::setDefault(QLocale::c()); }

  static QWidget* focused() { return QApplication::focusWidget(); }
  static void press(Qt::Key key) { QTest::keyClick(focused(), key); }
  // Replaces the field's text by typing, as a user would.
  static void retype(QLineEdit* edit, const QString& text) {
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
  }

  QStringList complaints;
  ScopedMessageAnswerer answerer{[this](const MessageBoxes::Request& r) {
    complaints << r.caption + "|" + r.text;
    return QMessageBox::Ok;
  }};
  QDialog dialog;
  TIntEdit* intEdit = new TIntEdit(&dialog);
  TFloatEdit* floatEdit = new TFloatEdit(&dialog);
  QLineEdit* other = new QLineEdit(&dialog);
  QPushButton* ok = new QPushButton("OK", &dialog);
  QStatusBar* bar = new QStatusBar(&dialog);
  QLabel* panel0 = new QLabel("keep0");
  QLabel* panel1 = new QLabel("keep1");
};

struct IntCase {
  const char* typed;
  int value;
  const char* text;
  bool complains;
};

class IntEditAccept : public NumEditTest, public ::testing::WithParamInterface<IntCase> {};

TEST_P(IntEditAccept, EnterLimitsTheNumberOrComplains) {
  const IntCase c = GetParam();
  retype(intEdit, c.typed);
  press(Qt::Key_Return);
  EXPECT_EQ(intEdit->GetValue(), c.value);
  EXPECT_EQ(intEdit->text(), c.text);
  EXPECT_TRUE(intEdit->hasFocus());
  if (c.complains)
    EXPECT_EQ(complaints,
              QStringList{QStringLiteral("Ошибка|Неправильное значение: \"%1\"").arg(c.typed)});
  else
    EXPECT_TRUE(complaints.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, IntEditAccept,
                         ::testing::Values(IntCase{"300", 255, "255", false},
                                           IntCase{"-7", 1, "1", false},
                                           IntCase{"42", 42, "42", false},
                                           IntCase{"abc", 10, "10", true},
                                           IntCase{"", 10, "10", true},
                                           // beyond 32 bits: no number at all
                                           IntCase{"4294967296", 10, "10", true}));

TEST_F(NumEditTest, IntEditFollowsTypingAndEscapeRestoresTheValueOnEntry) {
  retype(intEdit, "300");
  EXPECT_EQ(intEdit->GetValue(), 255);
  EXPECT_EQ(intEdit->text(), "300") << "typing is not rewritten";
  QTest::keyClicks(intEdit, "x");
  EXPECT_EQ(intEdit->GetValue(), 255) << "a bad intermediate text changes nothing";
  press(Qt::Key_Escape);
  EXPECT_EQ(intEdit->GetValue(), 10);
  EXPECT_EQ(intEdit->text(), "10");
  EXPECT_TRUE(complaints.isEmpty());
}

TEST_F(NumEditTest, IntEditWheelStepsByOneWithinTheLimits) {
  auto turn = [&](int delta) {
    QWheelEvent wheel(QPointF(5, 5), intEdit->mapToGlobal(QPointF(5, 5)), {}, {0, delta},
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(intEdit, &wheel);
  };
  intEdit->SetValue(254);
  turn(120);
  turn(120);
  EXPECT_EQ(intEdit->GetValue(), 255);
  turn(-120);
  EXPECT_EQ(intEdit->text(), "254");
  intEdit->SetReadOnly(true);
  turn(-120);
  EXPECT_EQ(intEdit->GetValue(), 254);
}

TEST_F(NumEditTest, IntEditTextHooksReplaceDecimalText) {
  intEdit->OnSetText = [](TIntEdit* e) {
    e->setText(QStringLiteral("0x%1").arg(e->GetValue(), 0, 16));
  };
  intEdit->OnGetText = [](TIntEdit* e, int& value) {
    bool ok = false;
    value = e->text().mid(2).toInt(&ok, 16);
    if (!e->text().startsWith("0x") || !ok) throw ConvertError("not hex");
  };
  intEdit->SetValue(255);
  EXPECT_EQ(intEdit->text(), "0xff");
  retype(intEdit, "0x10");
  press(Qt::Key_Return);
  EXPECT_EQ(intEdit->GetValue(), 16);
  retype(intEdit, "16");
  press(Qt::Key_Return);
  EXPECT_EQ(complaints.size(), 1);
  EXPECT_EQ(intEdit->text(), "0x10");
}

// Both numeric fields keep Min <= Value <= Max whichever bound moves.
template <class Edit>
class BoundsTest : public ::testing::Test {};
using Edits = ::testing::Types<TIntEdit, TFloatEdit>;
TYPED_TEST_SUITE(BoundsTest, Edits);

TYPED_TEST(BoundsTest, MovingOneBoundAcrossTheOtherDragsItAndTheValue) {
  struct Case {
    bool setMax;
    int bound, min, max, value;
  };
  for (const Case& c : {Case{true, 0, 0, 0, 0}, Case{true, 3, 1, 3, 3}, Case{true, 8, 1, 8, 5},
                        Case{false, 20, 20, 20, 20}, Case{false, 7, 7, 10, 7}}) {
    TypeParam edit;
    edit.SetMax(10);
    edit.SetMin(1);
    edit.SetValue(5);
    c.setMax ? edit.SetMax(c.bound) : edit.SetMin(c.bound);
    EXPECT_EQ(edit.GetMin(), c.min) << c.setMax << c.bound;
    EXPECT_EQ(edit.GetMax(), c.max) << c.setMax << c.bound;
    EXPECT_EQ(edit.GetValue(), c.value) << c.setMax << c.bound;
  }
}

TEST(FloatEditText, ShowsDigitsWithTheSystemSeparator) {
  struct Case {
    QLocale::Language language;
    int digits;
    bool significant;
    double value;
    const char* text;
  };
  for (const Case& c :
       {Case{QLocale::C, 4, false, 5, "5.0000"}, Case{QLocale::German, 4, false, 5, "5,0000"},
        Case{QLocale::C, 2, false, -12.3456, "-12.35"}, Case{QLocale::C, 0, false, 2.6, "3"},
        Case{QLocale::C, 3, true, 3.14159, "3.14"}, Case{QLocale::German, 3, true, 3.14159, "3,14"},
        Case{QLocale::C, 3, true, 1234567, "1.23e+06"},
        Case{QLocale::C, 2, false, 1e20, "1e+20"}}) {
    QLocale::setDefault(QLocale(c.language));
    TFloatEdit edit;
    edit.SetMin(-1e30);
    edit.SetMax(1e30);
    edit.SetDigits(c.digits);
    edit.SetSignificant(c.significant);
    edit.SetValue(c.value);
    EXPECT_EQ(edit.text(), c.text);
    EXPECT_EQ(edit.GetValue(), c.value) << "the value keeps its full precision";
  }
  QLocale::setDefault(QLocale::c());
}

struct FloatCase {
  const char* typed;
  double value;  // NAN: rejected with a complaint, the value stays 2.5
};

class FloatEditAccept : public NumEditTest, public ::testing::WithParamInterface<FloatCase> {};

TEST_P(FloatEditAccept, LeavingReadsEitherSeparatorOrComplains) {
  const FloatCase c = GetParam();
  retype(floatEdit, c.typed);
  press(Qt::Key_Tab);
  if (std::isnan(c.value)) {
    EXPECT_EQ(complaints,
              QStringList{QStringLiteral("Ошибка|Неправильное значение: \"%1\"").arg(c.typed)});
    EXPECT_DOUBLE_EQ(floatEdit->GetValue(), 2.5);
    EXPECT_EQ(floatEdit->text(), "2.50");
    EXPECT_TRUE(floatEdit->hasFocus()) << "the focus goes back to the bad number";
  } else {
    EXPECT_TRUE(complaints.isEmpty());
    EXPECT_DOUBLE_EQ(floatEdit->GetValue(), c.value);
    EXPECT_TRUE(other->hasFocus());
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FloatEditAccept,
                         ::testing::Values(FloatCase{"1,5", 1.5}, FloatCase{"1.5", 1.5},
                                           FloatCase{"-3e-1", -0.3}, FloatCase{"1e5", 10},
                                           FloatCase{"abc", NAN}, FloatCase{"1,5.3", NAN},
                                           FloatCase{"1.2.3", NAN}, FloatCase{"inf", NAN},
                                           FloatCase{"nan", NAN}, FloatCase{"", NAN}));

TEST_F(NumEditTest, FloatEditReadsTheSystemSeparatorToo) {
  QLocale::setDefault(QLocale(QLocale::German));
  retype(floatEdit, "0.25");
  press(Qt::Key_Return);
  EXPECT_EQ(floatEdit->text(), "0,25");
  retype(floatEdit, "-0,5");
  press(Qt::Key_Return);
  EXPECT_DOUBLE_EQ(floatEdit->GetValue(), -0.5);
}

TEST_F(NumEditTest, FloatEditKeepsPrecisionUntilTheUserTypes) {
  floatEdit->SetValue(1.23456);
  EXPECT_EQ(floatEdit->text(), "1.23");
  floatEdit->setFocus(Qt::TabFocusReason);
  press(Qt::Key_Tab);
  press(Qt::Key_Return);
  EXPECT_DOUBLE_EQ(floatEdit->GetValue(), 1.23456) << "passing through must not round the value";
}

TEST_F(NumEditTest, FloatEditEscapeRestoresTheValueOnEntry) {
  retype(floatEdit, "7");
  EXPECT_DOUBLE_EQ(floatEdit->GetValue(), 7);
  press(Qt::Key_Escape);
  EXPECT_DOUBLE_EQ(floatEdit->GetValue(), 2.5);
  EXPECT_EQ(floatEdit->text(), "2.50");
}

TEST_F(NumEditTest, FloatEditChangeHookAdjustsTheValueWithinTheLimits) {
  floatEdit->OnChangeValue = [](TFloatEdit*, double& value) { value *= 2; };
  floatEdit->SetValue(4);
  EXPECT_DOUBLE_EQ(floatEdit->GetValue(), 8);
  EXPECT_EQ(floatEdit->text(), "8.00");
  floatEdit->SetValue(7);
  EXPECT_DOUBLE_EQ(floatEdit->GetValue(), 10);
  retype(floatEdit, "3");
  EXPECT_DOUBLE_EQ(floatEdit->GetValue(), 6);
  EXPECT_EQ(floatEdit->text(), "3") << "typing is not rewritten";
}

TEST_F(NumEditTest, DisabledFieldsShowNothingAndKeepTheirValues) {
  intEdit->setEnabled(false);
  floatEdit->setEnabled(false);
  EXPECT_EQ(intEdit->text(), "");
  EXPECT_EQ(floatEdit->text(), "");
  EXPECT_EQ(intEdit->GetValue(), 10);
  EXPECT_DOUBLE_EQ(floatEdit->GetValue(), 2.5);
  EXPECT_EQ(intEdit->palette().color(QPalette::Disabled, QPalette::Base),
            intEdit->palette().color(QPalette::Disabled, QPalette::Button));
  intEdit->setEnabled(true);
  floatEdit->setEnabled(true);
  EXPECT_EQ(intEdit->text(), "10");
  EXPECT_EQ(floatEdit->text(), "2.50");
  EXPECT_TRUE(complaints.isEmpty());
}

TEST_F(NumEditTest, DisablingAFocusedFieldWithBadTextDoesNotComplain) {
  retype(intEdit, "abc");
  intEdit->setEnabled(false);
  EXPECT_TRUE(complaints.isEmpty());
  EXPECT_EQ(intEdit->GetValue(), 10);
}

TEST_F(NumEditTest, EnterOnABadNumberDoesNotPressTheDefaultButton) {
  ok->setDefault(true);
  QSignalSpy accepted(&dialog, &QDialog::accepted);
  retype(intEdit, "abc");
  press(Qt::Key_Return);
  EXPECT_EQ(accepted.count(), 0);
  retype(intEdit, "5");
  press(Qt::Key_Return);
  EXPECT_EQ(accepted.count(), 1);
  EXPECT_EQ(intEdit->GetValue(), 5);
}

struct PanelCase {
  bool withBar;
  int panel;
  const char* whileFocused1;
  const char* afterLeaving1;
};

class NumEditPanel : public NumEditTest, public ::testing::WithParamInterface<PanelCase> {};

TEST_P(NumEditPanel, ShowsTheMessageOnlyWhileFocused) {
  const PanelCase c = GetParam();
  floatEdit->SetMessage("Расход, м³/ч");
  floatEdit->SetStatusPanel(c.panel);
  floatEdit->SetStatusBar(c.withBar ? bar : nullptr);
  floatEdit->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(panel1->text(), c.whileFocused1);
  press(Qt::Key_Tab);
  EXPECT_EQ(panel1->text(), c.afterLeaving1);
  EXPECT_EQ(panel0->text(), "keep0");
}

INSTANTIATE_TEST_SUITE_P(Cases, NumEditPanel,
                         ::testing::Values(PanelCase{true, 1, "Расход, м³/ч", ""},
                                           PanelCase{false, 1, "keep1", "keep1"},
                                           PanelCase{true, 2, "keep1", "keep1"},
                                           PanelCase{true, -1, "keep1", "keep1"}));

}  // namespace

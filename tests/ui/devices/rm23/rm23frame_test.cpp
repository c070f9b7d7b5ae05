#include "ui/devices/rm23/rm23frame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStringList>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "core/comm/comport.h"
#include "core/package/package.h"
#include "support/simprocess.h"
#include "support/userchoice.h"
#include "ui/app/fakepaneldevice.h"
#include "ui/app/mainform.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/devices/panelwait.h"
#include "ui/devices/rm23/rm23controls.h"
#include "ui/widgets/discombobox.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/goodtable.h"
#include "ui/widgets/intedit.h"

namespace {

using comprt::ComPort;

constexpr int kPollMs = 50;  // the dialog polls every second; the tests need not wait that long
constexpr int kKelt = 18;

QStringList items(const QComboBox* combo) {
  QStringList texts;
  for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
  return texts;
}

// The RM-2.3 dialog against tdservice-sim, the only port of the port list. Console lines are
// collected; the test acts through the dialog's controls as a user would.
class SpprDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setMessageSink([this](const QString& text) { console << text; });
    forgetSpprChoices();
  }
  void TearDown() override {
    delete dlg.data();
    setMessageSink({});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }

  static void writeRememberedPort(int position) {
    RegKey key;
    key.create(kProgramKey);
    key.writeInt("SpprComPort", position);
  }
  static int rememberedPort() {
    RegKey key;
    key.create(kProgramKey);
    return key.readInt("SpprComPort", -1);
  }

  void startSim(std::vector<std::string> options) {
    options.insert(options.begin(), "rm23");
    sim = std::make_unique<SimProcess>(options);
    ComPort::ComList::install({sim->path()});
  }

  static bool waitIdle() {
    return waitUntil([] { return QApplication::overrideCursor() == nullptr; });
  }

  // A dialog on the simulator, its remembered port opened at creation, polling quickly.
  void attach(std::vector<std::string> options) {
    startSim(std::move(options));
    writeRememberedPort(1);
    create();
    ASSERT_EQ(ui().cbPort()->currentIndex(), 1);
  }

  void create(QWidget* parent = nullptr) {
    dlg = new TSpprDlg(parent);
    ui().Timer()->setInterval(kPollMs);
    ASSERT_TRUE(waitIdle());
    console.clear();
  }

  // "Старт", then waits for the run to complete and the dialog to stop it by itself.
  void measure() {
    QTest::mouseClick(ui().bnStart(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return ui().bnStop()->isEnabled(); })) << lines();
    EXPECT_FALSE(ui().bnStart()->isEnabled());
    EXPECT_FALSE(ui().bnToPackage()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return ui().bnStart()->isEnabled(); })) << "no completion";
    EXPECT_FALSE(ui().bnStop()->isEnabled());
  }

  // Closes the shown dialog as the user does; it is gone once the event loop deleted it.
  void closeDialog() {
    dlg->close();
    ASSERT_TRUE(waitUntil([&] { return dlg.isNull(); }));
  }

  std::string lines() const { return console.join('\n').toStdString(); }

  std::unique_ptr<SimProcess> sim;
  Rm23Controls ui() const { return Rm23Controls(dlg.data()); }

  QPointer<TSpprDlg> dlg;
  QStringList console;
};

TEST_F(SpprDlgTest, ATimedRunCompletesAndBecomesOneEntry) {
  attach({"--temp=20,25"});
  const auto package = std::make_shared<Package<KeltEntry>>();
  dlg->setPackage(package);
  EXPECT_FALSE(ui().bnToPackage()->isEnabled());  // nothing measured yet
  chooseItem(ui().cbChannel1(), "3");             // 20 Hz
  chooseItem(ui().cbChannel2(), "4");             // 10 Hz
  ui().edTime()->SetValue(0.5);
  chooseItem(ui().cbTempCh(), 1);   // "ТСП 2"
  chooseItem(ui().cbTspType(), 1);  // "Pt-100 (W=1,385)", as the simulator reports

  QTest::mouseClick(ui().bnStart(), Qt::LeftButton);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  for (QWidget* control :
       {static_cast<QWidget*>(ui().cbPort()), static_cast<QWidget*>(ui().bnStart()),
        static_cast<QWidget*>(ui().bnStop()), static_cast<QWidget*>(ui().bnToPackage())})
    EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  ASSERT_TRUE(waitUntil([&] { return ui().bnStart()->isEnabled(); })) << "no completion";
  EXPECT_FALSE(ui().bnStop()->isEnabled());
  EXPECT_TRUE(ui().cbPort()->isEnabled());

  // 0.5 s: input 3 counted its pulses 0..10, input 4 its pulses 0..5.
  EXPECT_EQ(ui().pntq()->text(), "0.500");
  EXPECT_EQ(ui().pnN1()->text(), "11");
  EXPECT_EQ(ui().pnt1()->text(), "0.500");
  EXPECT_EQ(ui().pnN2()->text(), "6");
  EXPECT_NEAR(ui().pnTemp()->GetValue(), 25, 0.05);  // channel 2, measured at start and at stop
  EXPECT_EQ(lines(), "");

  ui().edVolMass()->SetValue(12.5);
  QSignalSpy added(dlg.data(), &TSpprDlg::entryAdded);
  QTest::mouseClick(ui().bnToPackage(), Qt::LeftButton);
  EXPECT_EQ(added.count(), 1);
  ASSERT_EQ(package->entryCount(), 1);
  const KeltEntry& e = package->entries().back();
  EXPECT_DOUBLE_EQ(e.refTime, 0.5);
  EXPECT_EQ(e.pulses1, 11);
  EXPECT_DOUBLE_EQ(e.pulseTime, 0.5);
  EXPECT_EQ(e.pulses2, 6);
  EXPECT_DOUBLE_EQ(e.temperature, ui().pnTemp()->GetValue());
  EXPECT_DOUBLE_EQ(e.refVolume, 12.5);
  EXPECT_FALSE(ui().bnToPackage()->isEnabled());  // the same measurement is not added twice
}

TEST_F(SpprDlgTest, PulseAndStartStopRunsReportTheChosenInputs) {
  const struct {
    const char* run;
    int mode;
    const char* refTime;
    const char* pulses1;
    const char* pulses2;
  } cases[] = {
      // 21 pulses on input 2 (50 Hz) take 0.4 s; input 1 (100 Hz) counts 41 meanwhile.
      {"--run=2000", 1, "0.400", "41", "21"},
      // Counting starts after the first half of the run; the instrument reports no results
      // while it waits.
      {"--run=400", 2, "0.200", "21", "11"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    attach({c.run});
    chooseItem(ui().cbMode(), c.mode);
    ui().edPulses()->SetValue(21);
    if (ui().cbChannel()->isEnabled()) chooseItem(ui().cbChannel(), "2");
    chooseItem(ui().cbTempCh(), kSpprNoThermometer);
    measure();
    EXPECT_EQ(ui().pntq()->text(), c.refTime);
    EXPECT_EQ(ui().pnN1()->text(), c.pulses1);
    EXPECT_EQ(ui().pnN2()->text(), c.pulses2);
    EXPECT_EQ(lines(), "");
    delete dlg.data();
  }
}

// Were the temperature measured, the uncalibrated ADC would fail it and skip the start.
TEST_F(SpprDlgTest, WithoutAThermometerTheTypedTemperatureGoesIntoThePackage) {
  attach({"--uncalibrated"});
  const auto package = std::make_shared<Package<KeltEntry>>();
  package->method = mMass;
  dlg->setPackage(package);
  EXPECT_EQ(ui().lbVolMass()->text(), "Mэт, кг:");
  chooseItem(ui().cbTempCh(), kSpprNoThermometer);
  ASSERT_FALSE(ui().pnTemp()->isReadOnly());
  ui().pnTemp()->setFocus();
  ui().pnTemp()->selectAll();
  QTest::keyClicks(ui().pnTemp(), "18.5");
  QTest::keyClick(ui().pnTemp(), Qt::Key_Return);
  ui().edTime()->SetValue(0.25);

  measure();
  EXPECT_EQ(lines(), "");
  EXPECT_DOUBLE_EQ(ui().pnTemp()->GetValue(), 18.5);
  ui().edVolMass()->SetValue(3);
  QTest::mouseClick(ui().bnToPackage(), Qt::LeftButton);
  ASSERT_EQ(package->entryCount(), 1);
  EXPECT_DOUBLE_EQ(package->entries()[0].temperature, 18.5);
  EXPECT_DOUBLE_EQ(package->entries()[0].refMass, 3);
  EXPECT_DOUBLE_EQ(package->entries()[0].refTime, 0.25);
}

TEST_F(SpprDlgTest, AFailedTemperatureSkipsTheStartQueuedAfterIt) {
  const struct {
    const char* option;
    const char* message;
  } cases[] = {
      {"--uncalibrated", "АЦП РМ не откалиброван"},
      {"--bad-sum=adc", "Ошибка контрольной суммы"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    attach({c.option});
    QTest::mouseClick(ui().bnStart(), Qt::LeftButton);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(lines(), c.message);
    EXPECT_TRUE(ui().bnStart()->isEnabled());
    EXPECT_FALSE(ui().bnStop()->isEnabled());
    EXPECT_EQ(ui().lbRun()->text(), "");  // a run that never started shows no time
    // The polls find the instrument stopped, not counting: it never got the start.
    ASSERT_TRUE(waitUntil([&] { return !ui().pnU()->text().isEmpty(); }));
    EXPECT_EQ(ui().pntq()->text(), "");
    EXPECT_FALSE(ui().bnStop()->isEnabled());
    EXPECT_EQ(lines(), c.message);
    delete dlg.data();
    console.clear();
  }
}

TEST_F(SpprDlgTest, FailedPollsAreSilentAndAFailedStopIsLogged) {
  attach({"--bad-sum=status"});
  chooseItem(ui().cbTempCh(), kSpprNoThermometer);
  QTest::mouseClick(ui().bnStart(), Qt::LeftButton);
  ASSERT_TRUE(waitUntil([&] { return ui().bnStop()->isEnabled(); }));
  waitUntil([] { return false; }, 8 * kPollMs);  // polls fail meanwhile
  EXPECT_EQ(lines(), "");
  EXPECT_EQ(ui().pnU()->text(), "");

  QTest::mouseClick(ui().bnStop(), Qt::LeftButton);
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(lines(), "Ошибка контрольной суммы");
  EXPECT_EQ(ui().pnU()->text(), "");
  EXPECT_TRUE(ui().bnStop()->isEnabled());  // still measuring: it may be stopped again
}

TEST_F(SpprDlgTest, TheSupplyVoltageIsRedBelowCode17) {
  const struct {
    int code;
    const char* text;
    bool red;
  } cases[] = {{16, "6.19 В", true}, {17, "6.58 В", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    attach({"--voltage=" + std::to_string(c.code)});
    ASSERT_TRUE(waitUntil([&] { return !ui().pnU()->text().isEmpty(); }));
    EXPECT_EQ(ui().pnU()->text(), QString::fromUtf8(c.text));
    EXPECT_EQ(ui().pnU()->palette().color(QPalette::WindowText) == QColor(Qt::red), c.red);
    delete dlg.data();
  }
}

TEST_F(SpprDlgTest, SettingsFollowTheModeTheInputsAndTheTemperatureChannel) {
  ComPort::ComList::install({"/nonexistent/ttyRM"});
  writeRememberedPort(0);
  create();

  // The criterion follows the mode; the pulse input is chosen only for a pulse stop and keeps
  // its choice while unused.
  EXPECT_EQ(ui().criterion()->currentWidget(), ui().edTime());
  EXPECT_EQ(ui().lbCriterion()->text(), "Длит. измерения, сек:");
  EXPECT_FALSE(ui().cbChannel()->isEnabled());
  chooseItem(ui().cbMode(), 1);
  EXPECT_EQ(ui().criterion()->currentWidget(), ui().edPulses());
  EXPECT_EQ(ui().lbCriterion()->text(), "Кол-во импульсов:");
  ASSERT_TRUE(ui().cbChannel()->isEnabled());
  EXPECT_EQ(ui().cbChannel()->currentText(), "1");
  chooseItem(ui().cbChannel(), "3");
  chooseItem(ui().cbMode(), 3);
  EXPECT_EQ(ui().criterion()->currentWidget(), ui().stBlank());
  EXPECT_EQ(ui().lbCriterion()->text(), "");
  EXPECT_FALSE(ui().cbChannel()->isEnabled());
  EXPECT_EQ(ui().cbChannel()->currentIndex(), -1);
  chooseItem(ui().cbMode(), 1);
  EXPECT_EQ(ui().cbChannel()->currentText(), "3");

  // The two inputs exclude each other.
  EXPECT_EQ(items(ui().cbChannel1()), QStringList({"1", "3", "4"}));
  EXPECT_EQ(items(ui().cbChannel2()), QStringList({"2", "3", "4"}));
  chooseItem(ui().cbChannel1(), "3");
  EXPECT_EQ(items(ui().cbChannel2()), QStringList({"1", "2", "4"}));
  EXPECT_EQ(ui().cbChannel2()->currentText(), "2");
  chooseItem(ui().cbChannel2(), "4");
  EXPECT_EQ(items(ui().cbChannel1()), QStringList({"1", "2", "3"}));
  EXPECT_EQ(ui().cbChannel1()->currentText(), "3");
  EXPECT_EQ(items(ui().cbChannel2()), QStringList({"1", "2", "4"}));

  // A measured temperature is shown read-only; without a thermometer it is typed.
  EXPECT_TRUE(ui().cbTspType()->isEnabled());
  EXPECT_TRUE(ui().pnTemp()->isReadOnly());
  const QColor measuredLook = ui().pnTemp()->palette().color(QPalette::Base);
  chooseItem(ui().cbTempCh(), kSpprNoThermometer);
  EXPECT_FALSE(ui().cbTspType()->isEnabled());
  EXPECT_FALSE(ui().pnTemp()->isReadOnly());
  EXPECT_NE(ui().pnTemp()->palette().color(QPalette::Base), measuredLook);

  // Without a port nothing is polled or started; the package field comes with a package.
  EXPECT_EQ(ui().cbPort()->currentIndex(), 0);
  EXPECT_FALSE(ui().lbVolMass()->isVisibleTo(dlg));
  EXPECT_FALSE(ui().bnToPackage()->isEnabled());
  auto package = std::make_shared<Package<KeltEntry>>();
  package->method = mReference;
  dlg->setPackage(package);
  EXPECT_TRUE(ui().lbVolMass()->isVisibleTo(dlg));
  EXPECT_EQ(ui().lbVolMass()->text(), "gэт, м3/ч:");
  EXPECT_FALSE(ui().bnToPackage()->isEnabled());  // no run finished
  EXPECT_EQ(lines(), "");
}

TEST_F(SpprDlgTest, AMeasurementGoesIntoThePackageOnceAndOnlyWithAQuantityAboveZero) {
  attach({});
  dlg->show();  // Enter reaches the default button of a shown dialog only
  auto package = std::make_shared<Package<KeltEntry>>();
  dlg->setPackage(package);
  chooseItem(ui().cbTempCh(), kSpprNoThermometer);
  ui().edTime()->SetValue(0.2);
  QSignalSpy added(dlg.data(), &TSpprDlg::entryAdded);
  measure();
  ASSERT_TRUE(ui().bnToPackage()->isEnabled());

  // Nothing typed: refused with a console line, the package as it was, the button still there.
  EXPECT_EQ(ui().edVolMass()->GetValue(), 0);
  QTest::mouseClick(ui().bnToPackage(), Qt::LeftButton);
  EXPECT_EQ(lines(), "Измерение не добавлено в пакет: значение Vэт должно быть больше нуля");
  EXPECT_EQ(package->entryCount(), 0);
  EXPECT_EQ(added.count(), 0);
  EXPECT_TRUE(ui().bnToPackage()->isEnabled());
  // Below zero the field itself does not go.
  ui().edVolMass()->SetValue(-2);
  EXPECT_EQ(ui().edVolMass()->GetValue(), 0);

  // Enter after the quantity confirms it and nothing else: no new run over the finished one.
  ui().edVolMass()->setFocus();
  ui().edVolMass()->selectAll();
  QTest::keyClicks(ui().edVolMass(), "2.5");
  QTest::keyClick(ui().edVolMass(), Qt::Key_Return);
  waitUntil([] { return false; }, 4 * kPollMs);
  EXPECT_TRUE(ui().bnStart()->isEnabled());
  EXPECT_FALSE(ui().bnStop()->isEnabled());
  QTest::mouseClick(ui().bnToPackage(), Qt::LeftButton);
  ASSERT_EQ(package->entryCount(), 1);
  EXPECT_DOUBLE_EQ(package->entries()[0].refVolume, 2.5);
  EXPECT_EQ(added.count(), 1);
  EXPECT_FALSE(ui().bnToPackage()->isEnabled());

  // A package the document has dropped meanwhile is no longer offered.
  measure();
  ASSERT_TRUE(ui().bnToPackage()->isEnabled());
  const std::weak_ptr<PackageBase> dropped = package;
  package.reset();
  QTest::mouseClick(ui().bnToPackage(), Qt::LeftButton);
  EXPECT_TRUE(dropped.expired());
  EXPECT_FALSE(ui().bnToPackage()->isEnabled());
  EXPECT_FALSE(ui().lbVolMass()->isVisibleTo(dlg));
  EXPECT_EQ(added.count(), 1);
}

// A timed run counts its time down with a bar of the part done; a run without a set time counts
// the time since "Старт". Both go when the run ends.
TEST_F(SpprDlgTest, ARunShowsItsTimeUntilItEnds) {
  const struct {
    int mode;
    const char* prefix;
    bool bar;
  } cases[] = {{0, "Осталось: ", true}, {2, "Прошло: ", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    attach({"--run=3000"});
    chooseItem(ui().cbMode(), c.mode);
    ui().edTime()->SetValue(3);
    chooseItem(ui().cbTempCh(), kSpprNoThermometer);
    EXPECT_EQ(ui().lbRun()->text(), "");
    EXPECT_TRUE(ui().pbRun()->isHidden());

    QTest::mouseClick(ui().bnStart(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return ui().bnStop()->isEnabled(); }));
    QStringList shown;
    int lastPart = -1;
    for (QDeadlineTimer end(8000); !ui().bnStart()->isEnabled() && !end.hasExpired();) {
      const QString text = ui().lbRun()->text();
      if (!text.isEmpty() && (shown.isEmpty() || shown.back() != text)) shown << text;
      EXPECT_EQ(!ui().pbRun()->isHidden(), c.bar);
      if (c.bar) {
        EXPECT_GE(ui().pbRun()->value(), lastPart);
        lastPart = ui().pbRun()->value();
      }
      waitUntil([] { return false; }, 50);
    }
    ASSERT_TRUE(ui().bnStart()->isEnabled()) << "no completion";
    EXPECT_EQ(ui().lbRun()->text(), "");
    EXPECT_TRUE(ui().pbRun()->isHidden());
    EXPECT_FALSE(ui().RunTimer()->isActive());

    // The seconds of the run, each shown once, counting the right way.
    ASSERT_GE(shown.size(), 3) << shown.join(" | ").toStdString();
    for (qsizetype i = 0; i < shown.size(); ++i) {
      ASSERT_TRUE(shown[i].startsWith(QString::fromUtf8(c.prefix))) << shown[i].toStdString();
      if (i == 0) continue;
      const int step = shown[i].section(':', 2).toInt() - shown[i - 1].section(':', 2).toInt();
      EXPECT_GT(c.bar ? -step : step, 0) << shown.join(" | ").toStdString();
    }
    EXPECT_EQ(lines(), "");
    delete dlg.data();
  }
}

TEST_F(SpprDlgTest, TheChoicesOutliveTheDialog) {
  ComPort::ComList::install({"/nonexistent/ttyRM"});
  writeRememberedPort(0);
  create();
  dlg->show();
  chooseItem(ui().cbChannel1(), "4");
  chooseItem(ui().cbChannel2(), "3");
  chooseItem(ui().cbMode(), 1);
  chooseItem(ui().cbChannel(), "2");
  ui().edPulses()->SetValue(1234);
  ui().edTime()->SetValue(0.1);  // no exact binary fraction
  chooseItem(ui().cbTspType(), 1);
  chooseItem(ui().cbTempCh(), kSpprNoThermometer);
  closeDialog();

  create();
  dlg->show();
  EXPECT_EQ(ui().cbChannel1()->currentText(), "4");
  EXPECT_EQ(items(ui().cbChannel1()), QStringList({"1", "2", "4"}));
  EXPECT_EQ(ui().cbChannel2()->currentText(), "3");
  EXPECT_EQ(items(ui().cbChannel2()), QStringList({"1", "2", "3"}));
  EXPECT_EQ(ui().cbMode()->currentIndex(), 1);
  EXPECT_EQ(ui().criterion()->currentWidget(), ui().edPulses());
  EXPECT_TRUE(ui().cbChannel()->isEnabled());
  EXPECT_EQ(ui().cbChannel()->currentText(), "2");
  EXPECT_EQ(ui().edPulses()->GetValue(), 1234);
  EXPECT_EQ(ui().edTime()->GetValue(), 0.1);
  EXPECT_EQ(ui().cbTempCh()->currentIndex(), kSpprNoThermometer);
  EXPECT_FALSE(ui().cbTspType()->isEnabled());
  EXPECT_FALSE(ui().pnTemp()->isReadOnly());
  EXPECT_EQ(ui().cbTspType()->currentIndex(), 1);

  // The unused pulse input is kept too.
  chooseItem(ui().cbMode(), 3);
  closeDialog();
  create();
  dlg->show();
  EXPECT_EQ(ui().cbMode()->currentIndex(), 3);
  EXPECT_FALSE(ui().cbChannel()->isEnabled());
  chooseItem(ui().cbMode(), 1);
  EXPECT_EQ(ui().cbChannel()->currentText(), "2");
  EXPECT_EQ(lines(), "");
}

TEST_F(SpprDlgTest, StoredChoicesThatDoNotFitFallBackToTheDefaultsSilently) {
  ComPort::ComList::install({"/nonexistent/ttyRM"});
  writeRememberedPort(0);
  const struct {
    const char* name;
    const char* text;
  } stored[] = {
      {"SpprInput1", "2"},       {"SpprInput2", "2"},  // the same input twice
      {"SpprMode", "4"},         {"SpprTime", "5 сек"},     {"SpprPulses", "-1"},
      {"SpprPulseInput", "1e3"}, {"SpprTempChannel", "-1"}, {"SpprSensor", "2"},
  };
  for (const auto& s : stored) storeSpprChoice(s.name, s.text);
  create();
  EXPECT_EQ(ui().cbChannel1()->currentText(), "1");
  EXPECT_EQ(ui().cbChannel2()->currentText(), "2");
  EXPECT_EQ(ui().cbMode()->currentIndex(), 0);
  EXPECT_EQ(ui().criterion()->currentWidget(), ui().edTime());
  EXPECT_EQ(ui().edTime()->GetValue(), kSpprDefaultTime);
  EXPECT_EQ(ui().edPulses()->GetValue(), kSpprDefaultPulses);
  EXPECT_EQ(ui().cbChannel()->GetItemIndex(), 0);
  EXPECT_EQ(ui().cbTempCh()->currentIndex(), 0);
  EXPECT_EQ(ui().cbTspType()->currentIndex(), 0);
  EXPECT_EQ(lines(), "");
}

// The main window creates the dialog once, keeps handing it the selected package, redraws its
// table after an entry was added, and forgets the dialog once the user closed it.
TEST_F(SpprDlgTest, TheMainWindowOpensFeedsAndForgetsTheDialog) {
  startSim({});
  writeRememberedPort(0);
  TMainForm form;
  form.document().device = std::make_unique<FakePanelDevice>(kKelt, form.PageArea);
  const PackagePtr package = std::make_shared<Package<KeltEntry>>();
  form.document().packages.push_back(package);
  form.rebuildTabs();

  form.ActionNewEntryRM->trigger();
  dlg = form.findChild<TSpprDlg*>();
  ASSERT_TRUE(dlg);
  EXPECT_TRUE(dlg->isVisible());
  ASSERT_TRUE(waitIdle());
  chooseItem(ui().cbPort(), 1);
  ASSERT_TRUE(waitIdle());
  ui().Timer()->setInterval(kPollMs);
  chooseItem(ui().cbTempCh(), kSpprNoThermometer);
  ui().edTime()->SetValue(0.2);
  measure();
  EXPECT_FALSE(ui().bnToPackage()->isEnabled());  // the device tab

  form.TabControl->setCurrentIndex(1);
  EXPECT_TRUE(ui().lbVolMass()->isVisible());
  ui().edVolMass()->SetValue(1);
  QTest::mouseClick(ui().bnToPackage(), Qt::LeftButton);
  EXPECT_EQ(package->entryCount(), 1);
  EXPECT_EQ(form.Table->GetRowCount(), 1);
  EXPECT_TRUE(form.ActionDeleteEntry->isEnabled());

  form.ActionNewEntryRM->trigger();
  EXPECT_EQ(form.findChildren<TSpprDlg*>().size(), 1);
  form.TabControl->setCurrentIndex(0);
  EXPECT_FALSE(ui().bnToPackage()->isEnabled());

  ASSERT_EQ(ui().cbPort()->currentIndex(), 1);
  dlg->close();
  ASSERT_TRUE(waitUntil([&] { return dlg.isNull(); }));
  EXPECT_EQ(rememberedPort(), 1);

  // The next one opens the port the last one used.
  form.ActionNewEntryRM->trigger();
  dlg = form.findChild<TSpprDlg*>();
  ASSERT_TRUE(dlg);
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(ui().cbPort()->currentIndex(), 1);
}

}  // namespace

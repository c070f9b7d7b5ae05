#include "ui/devices/kelt/keltframe.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStringList>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "core/comm/comport.h"
#include "core/document/devicebase.h"
#include "support/simprocess.h"
#include "support/userchoice.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/devices/kelt/keltcontrols.h"
#include "ui/devices/panelwait.h"
#include "ui/widgets/discombobox.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/intedit.h"

namespace {

constexpr const char* kWrittenAndKept =
    "Параметры записаны\nЗапись подтверждена: прибор хранит записанные значения";

using comprt::ComPort;
using std::chrono::milliseconds;

constexpr milliseconds kShortPause{600};

// The KELT panel against tdservice-sim, which is the only port of the port list. Console lines
// are collected; the test acts through the panel's controls as a user would.
class KeltPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setMessageSink([this](const QString& text) { console << text; });
  }
  void TearDown() override {
    panel.reset();
    setMessageSink({});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }

  static void writeRememberedPort(int position) {
    RegKey key;
    key.create(kProgramKey);
    key.writeInt("KeltComPort", position);
  }

  void startSim(int model, std::vector<std::string> options = {}) {
    options.insert(options.begin(), {"kelt", "--model=" + std::to_string(model)});
    sim = std::make_unique<SimProcess>(options);
    ComPort::ComList::install({sim->path()});
  }

  // The panel is idle again when its port selector is enabled.
  bool waitIdle(int timeoutMs = 15000) {
    return waitUntil([&] { return ui().cbPort()->isEnabled(); }, timeoutMs);
  }

  void create(int model) {
    writeRememberedPort(0);
    panel.reset();
    panel = std::make_unique<TKeltFrame>(nullptr, kShortPause);
    panel->init(model);
    panel->show();  // laid out, so that clicks land on the buttons
    ASSERT_TRUE(waitIdle());
  }

  // A panel of the model on the simulator with its port chosen and open.
  void attach(int model, std::vector<std::string> options = {}) {
    panel.reset();
    startSim(model, std::move(options));
    create(model);
    chooseItem(ui().cbPort(), 1);
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(ui().cbPort()->currentIndex(), 1);
    console.clear();
  }

  // Clicks and waits until the panel is idle again; returns the console lines it printed.
  std::string click(QPushButton* button) {
    console.clear();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(waitIdle());
    return lines();
  }
  std::string lines() const { return console.join('\n').toStdString(); }

  static void type(QLineEdit* edit, const char* text) {
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromUtf8(text));
    QTest::keyClick(edit, Qt::Key_Return);
  }

  KeltControls ui() const { return KeltControls(panel.get()); }

  std::unique_ptr<SimProcess> sim;
  std::unique_ptr<TKeltFrame> panel;
  QStringList console;
};

// One model of each block format, through the adapter and direct (models 15..17 at 4800 baud
// with the line-break wake-up). The simulated device starts at Ду 50, A_i = 0.5 + 0.1 (i - 1),
// F12 = 100 Hz; format 4 also with the factory number 1234.
TEST_F(KeltPanelTest, ReadsAndWritesEachFormatOnBothLinks) {
  const int models[] = {0, 3, 7, 9, 12, 15};
  for (int model : models) {
    SCOPED_TRACE(model);
    attach(model);
    EXPECT_EQ(click(ui().bnRead()), "Параметры считаны");
    EXPECT_EQ(ui().cbDu()->currentText(), "50");
    EXPECT_EQ(ui().cbOutType()->currentIndex(), 0);
    EXPECT_NEAR(ui().edA(0)->GetValue(), 0.5, 1e-4);
    EXPECT_NEAR(ui().edA(3)->GetValue(), 0.8, 1e-4);
    EXPECT_NEAR(ui().edF(0)->GetValue(), 100, 0.5);
    if (model == 3) {
      EXPECT_EQ(ui().edOffset()->GetValue(), 2);
    }
    if (model >= 12) {
      EXPECT_EQ(ui().edDevNum()->text().toStdString(), formatSerialNumber(1234, 5));
    }

    ui().edA(0)->SetValue(0.75);
    ui().edOffset()->SetValue(-4);
    ui().edDevNum()->setText("4321");
    EXPECT_EQ(click(ui().bnWrite()), kWrittenAndKept);

    ui().edA(0)->SetValue(0.3);
    ui().edOffset()->SetValue(0);
    EXPECT_EQ(click(ui().bnRead()), "Параметры считаны");
    EXPECT_NEAR(ui().edA(0)->GetValue(), 0.75, 1e-4);
    if (model != 0) {
      EXPECT_EQ(ui().edOffset()->GetValue(), -4);
    }
    if (model >= 12) {
      EXPECT_EQ(ui().edDevNum()->text().toStdString(), formatSerialNumber(4321, 5));
    }
  }
}

// The read-back of a write: its line follows "Параметры записаны"; models 1..6 write parameters
// and offset as two items and get one line for both. The pulse output of model 3 goes out with
// n = 0, which the device keeps as 1.
TEST_F(KeltPanelTest, AWriteIsFollowedByWhatTheDeviceKept) {
  const struct {
    int model;
    const char* option;
    const char* check;
  } cases[] = {
      {3, "--keep-wrong=0",
       "ВНИМАНИЕ! Запись не подтверждена: Делитель частоты: записано 0, в приборе 1; Смещение "
       "температуры, °C: записано -2, в приборе -1.5"},
      {12, "--bad-checksum=data",
       "ВНИМАНИЕ! Запись не удалось проверить (значения могли быть записаны): Ошибка контрольной "
       "суммы"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model);
    attach(c.model, {c.option});
    ui().edOffset()->SetValue(-4);
    EXPECT_EQ(click(ui().bnWrite()), std::string("Параметры записаны\n") + c.check);
    EXPECT_EQ(ui().edOffset()->GetValue(), -4);
  }
}

TEST_F(KeltPanelTest, FailuresReachTheConsoleOnceAndKeepTheValues) {
  const struct {
    int model;
    const char* option;
    bool write;
    const char* message;
  } cases[] = {
      // The offset read after a failed parameter read is passed over.
      {3, "--bad-checksum=data", false, "Ошибка контрольной суммы"},
      {7, "--bad-echo", true, "Ошибка обмена"},
      {17, "", true, "Прибор не поддерживает Ду20"},  // refused before anything is sent
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model);
    attach(c.model, *c.option ? std::vector<std::string>{c.option} : std::vector<std::string>{});
    ui().edA(0)->SetValue(0.15);
    ui().edOffset()->SetValue(5);
    EXPECT_EQ(click(c.write ? ui().bnWrite() : ui().bnRead()), c.message);
    EXPECT_DOUBLE_EQ(ui().edA(0)->GetValue(), 0.15);
    EXPECT_EQ(ui().edOffset()->GetValue(), 5);
    EXPECT_EQ(ui().cbDu()->currentText(), "20");
    EXPECT_TRUE(ui().bnRead()->isEnabled());
  }
}

TEST_F(KeltPanelTest, ABusyAdapterHoldsThePanelForThePauseAndTheFocusReturns) {
  attach(7, {"--busy=1"});
  panel->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
  ui().bnRead()->setFocus();
  QTest::mouseClick(ui().bnRead(), Qt::LeftButton);
  ASSERT_TRUE(waitUntil([&] { return !console.isEmpty(); }));
  QElapsedTimer sinceNotice;
  sinceNotice.start();
  EXPECT_EQ(lines(), "Ошибка обмена. Подождите 12 секунд");
  EXPECT_FALSE(ui().bnRead()->isEnabled());
  EXPECT_FALSE(ui().cbPort()->isEnabled());
  EXPECT_NE(QApplication::focusWidget(), ui().bnRead());
  ASSERT_TRUE(waitIdle());
  EXPECT_GE(sinceNotice.elapsed(), kShortPause.count() - 50);
  EXPECT_EQ(lines(), "Ошибка обмена. Подождите 12 секунд");  // the pause prints nothing
  EXPECT_EQ(QApplication::focusWidget(), ui().bnRead());     // back where the user left it
  EXPECT_EQ(click(ui().bnRead()), "Параметры считаны");
}

// The simulated adapter's coupling parameter is 90, 50, 20, 10 at threshold levels 0..3.
TEST_F(KeltPanelTest, TheAdapterControlsSetTheThresholdAndShowTheCoupling) {
  attach(7);
  const auto ampColor = [&] { return ui().lbAmp()->palette().color(QPalette::WindowText); };
  EXPECT_EQ(ui().lbAmp()->text(), "0");
  EXPECT_EQ(ampColor(), QColor(Qt::red));

  EXPECT_EQ(click(ui().bnAuto()), "");  // tuning stops at the first good level from the top
  EXPECT_EQ(ui().tbLevel()->value(), 1);
  EXPECT_EQ(ui().lbAmp()->text(), "50");
  EXPECT_EQ(ampColor(), QColor(Qt::darkGreen));

  ui().tbLevel()->setValue(0);
  EXPECT_EQ(click(ui().bnSetLevel()), "");
  EXPECT_EQ(click(ui().bnGetAmp()), "");
  EXPECT_EQ(ui().lbAmp()->text(), "90");
  EXPECT_EQ(ampColor(), QColor(Qt::red));

  ui().tbLevel()->setValue(3);
  EXPECT_EQ(click(ui().bnSetLevel()), "");
  EXPECT_EQ(ui().tbLevel()->value(), 3);
  EXPECT_EQ(click(ui().bnReset()), "");
  EXPECT_EQ(ui().tbLevel()->value(), 0);

  EXPECT_EQ(click(ui().bnGetU()), "Напряжение батареи: 3,3..3,45В");
  const std::string measured = click(ui().bnGetT());
  EXPECT_EQ(measured.rfind("\r\n  Температура: ", 0), 0u) << measured;
  EXPECT_NE(measured.find("\r\n  Качество сигнала: удовлетворительное\r\n  Частота: "),
            std::string::npos)
      << measured;
}

TEST_F(KeltPanelTest, TemperatureOfTheModelsWithoutFrequency) {
  attach(3);
  EXPECT_EQ(click(ui().bnGetT()), "Температура: 23.0°C");
}

TEST_F(KeltPanelTest, TheModelLaysOutThePanel) {
  ComPort::ComList::install({});
  const struct {
    int model;
    int outputTypes;
    bool offset;
    const char* temperatureCaption;
    bool fifthSegment;
    bool adapter;
    int nMax;
    double fMax;
  } cases[] = {
      {0, 2, false, "Считать T", false, true, 255, 32768},
      {3, 2, true, "Считать T", true, true, 127, 32768},
      {8, 6, true, "Считать T/F", true, true, 255, 32768},
      {11, 6, false, "Считать T", true, false, 255, 32768},
      {13, 6, true, "Считать T", true, false, 255, 8192},
      {17, 6, false, "Считать T", true, false, 255, 8192},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model);
    create(c.model);
    const KeltControls p(panel.get());
    EXPECT_EQ(p.cbOutType()->count(), c.outputTypes);
    EXPECT_EQ(p.cbOutType()->currentText(), "Импульсный Vp");
    EXPECT_EQ(p.edOffset()->isVisibleTo(panel.get()), c.offset);
    EXPECT_EQ(p.lbOffset()->isVisibleTo(panel.get()), c.offset);
    EXPECT_EQ(p.bnGetT()->isVisibleTo(panel.get()), c.offset);
    EXPECT_EQ(p.bnGetT()->text(), QString::fromUtf8(c.temperatureCaption));
    EXPECT_EQ(p.edA(4)->isVisibleTo(panel.get()), c.fifthSegment);
    EXPECT_EQ(p.lbB(4)->isVisibleTo(panel.get()), c.fifthSegment);
    EXPECT_EQ(p.edF(3)->isVisibleTo(panel.get()), c.fifthSegment);
    EXPECT_EQ(p.gbAdapter()->isVisibleTo(panel.get()), c.adapter);
    EXPECT_EQ(p.bnGetU()->isVisibleTo(panel.get()), c.adapter);
    EXPECT_EQ(p.edN()->GetMax(), c.nMax);
    EXPECT_EQ(p.edF(0)->GetMax(), c.fMax);
    EXPECT_EQ(p.edF(3)->GetValue(), c.fMax);
    EXPECT_EQ(p.cbDu()->currentText(), "20");
    EXPECT_EQ(p.cbWeight()->currentText(), "0,0001");
    EXPECT_TRUE(p.cbWeight()->isVisibleTo(panel.get()));
    EXPECT_FALSE(p.edN()->isVisibleTo(panel.get()));
  }
}

TEST_F(KeltPanelTest, FrequencyOutputsSwapOrDisableThePulseControls) {
  ComPort::ComList::install({});
  create(0);
  chooseItem(ui().cbOutType(), "Частотный Vf/n");
  EXPECT_FALSE(ui().cbWeight()->isVisibleTo(panel.get()));
  EXPECT_FALSE(ui().lbWeight()->isVisibleTo(panel.get()));
  EXPECT_TRUE(ui().edN()->isVisibleTo(panel.get()));
  EXPECT_TRUE(ui().lbN()->isVisibleTo(panel.get()));
  EXPECT_TRUE(ui().edA(0)->isEnabled());

  create(8);
  ui().cbWeight()->setCurrentIndex(2);
  chooseItem(ui().cbOutType(), "Частотный Vf/4");
  EXPECT_TRUE(ui().cbWeight()->isVisibleTo(panel.get()));
  for (QWidget* w : {static_cast<QWidget*>(ui().cbWeight()), static_cast<QWidget*>(ui().edTauOut()),
                     static_cast<QWidget*>(ui().edA(0)), static_cast<QWidget*>(ui().edB(4)),
                     static_cast<QWidget*>(ui().edF(3))}) {
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  }
  chooseItem(ui().cbOutType(), "Импульсный Vp");
  EXPECT_TRUE(ui().edA(0)->isEnabled());
  EXPECT_EQ(ui().cbWeight()->currentIndex(), 2);  // kept while disabled
}

// A frequency output of model 0 travels as output code 0 with n; one of model 8 carries no
// characteristic, so reading it sets only the type and the Ду.
TEST_F(KeltPanelTest, FrequencyOutputsTravelWithoutThePulseWeight) {
  attach(0);
  EXPECT_EQ(click(ui().bnRead()), "Параметры считаны");
  chooseItem(ui().cbOutType(), "Частотный Vf/n");
  ui().edN()->SetValue(7);
  EXPECT_EQ(click(ui().bnWrite()), kWrittenAndKept);
  chooseItem(ui().cbOutType(), "Импульсный Vp");
  ui().edN()->SetValue(1);
  EXPECT_EQ(click(ui().bnRead()), "Параметры считаны");
  EXPECT_EQ(ui().cbOutType()->currentIndex(), 1);
  EXPECT_EQ(ui().edN()->GetValue(), 7);
  EXPECT_TRUE(ui().edN()->isVisibleTo(panel.get()));

  attach(8);
  EXPECT_EQ(click(ui().bnRead()), "Параметры считаны");
  chooseItem(ui().cbDu(), "80");
  chooseItem(ui().cbOutType(), "Частотный Vf/4");
  EXPECT_EQ(click(ui().bnWrite()), kWrittenAndKept);
  chooseItem(ui().cbDu(), "25");
  chooseItem(ui().cbOutType(), "Импульсный Vp");
  ui().edA(0)->SetValue(0.3);
  EXPECT_EQ(click(ui().bnRead()), "Параметры считаны");
  EXPECT_EQ(ui().cbOutType()->currentText(), "Частотный Vf/4");
  EXPECT_EQ(ui().cbDu()->currentText(), "80");
  EXPECT_DOUBLE_EQ(ui().edA(0)->GetValue(), 0.3);
  EXPECT_FALSE(ui().edA(0)->isEnabled());
}

TEST_F(KeltPanelTest, ThePulseDurationSnapsToWhatTheModelCanHold) {
  ComPort::ComList::install({});
  const struct {
    int model;
    const char* typed;
    double shown;
  } typedCases[] = {
      {12, "10", 9.5},  {14, "200", 114}, {3, "10", 7.808}, {3, "1", 1.0065}, {9, "30", 31.232},
      {16, "10", 11.7}, {3, "0", 0.0305}, {15, "0,5", 3.9},  // the edit's and the code's lower
                                                             // limits
  };
  for (const auto& c : typedCases) {
    SCOPED_TRACE(std::to_string(c.model) + " " + c.typed);
    create(c.model);
    type(ui().edTauOut(), c.typed);
    EXPECT_NEAR(ui().edTauOut()->GetValue(), c.shown, 1e-9);
  }

  // Pulse weight position 3 brings the default duration of 30 ms.
  const struct {
    int model;
    double shown;
  } weightCases[] = {{12, 30.4}, {15, 31.2}, {3, 31.232}};
  for (const auto& c : weightCases) {
    SCOPED_TRACE(c.model);
    create(c.model);
    chooseItem(ui().cbWeight(), 3);
    EXPECT_NEAR(ui().edTauOut()->GetValue(), c.shown, 1e-9);
    // A new Ду keeps the weight position and the duration.
    chooseItem(ui().cbDu(), "100");
    EXPECT_EQ(ui().cbWeight()->currentText(), "0,05");
    EXPECT_NEAR(ui().edTauOut()->GetValue(), c.shown, 1e-9);
  }
}

TEST_F(KeltPanelTest, TheOffsetIsShownAndTypedInDegrees) {
  ComPort::ComList::install({});
  create(3);
  EXPECT_EQ(ui().edOffset()->text(), "0.0");
  ui().edOffset()->SetValue(-7);
  EXPECT_EQ(ui().edOffset()->text(), "-3.5");
  const struct {
    const char* typed;
    int steps;
    const char* shown;
  } cases[] = {{"1,3", 3, "1.5"}, {"-0.25", -1, "-0.5"}, {"9", 7, "3.5"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    type(ui().edOffset(), c.typed);
    EXPECT_EQ(ui().edOffset()->GetValue(), c.steps);
    EXPECT_EQ(ui().edOffset()->text().toStdString(), c.shown);
  }
}

TEST_F(KeltPanelTest, TheChosenPortIsOpenedAtCreationAndRememberedAtDestruction) {
  startSim(15);
  writeRememberedPort(1);
  panel = std::make_unique<TKeltFrame>(nullptr, kShortPause);
  panel->init(15);
  EXPECT_FALSE(ui().bnRead()->isEnabled());  // busy opening the port
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(ui().cbPort()->currentIndex(), 1);
  EXPECT_EQ(click(ui().bnRead()), "Параметры считаны");

  chooseItem(ui().cbPort(), 0);
  ASSERT_TRUE(waitIdle());
  panel.reset();
  RegKey key;
  key.create(kProgramKey);
  EXPECT_EQ(key.readInt("KeltComPort", -1), 0);
}

TEST_F(KeltPanelTest, APortThatDoesNotOpenIsDeselectedWithoutAMessage) {
  ComPort::ComList::install({"/nonexistent/ttyKELT"});
  create(7);
  ui().tbLevel()->setValue(2);
  console.clear();
  chooseItem(ui().cbPort(), 1);
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(ui().cbPort()->currentIndex(), 0);
  EXPECT_EQ(ui().tbLevel()->value(), 0);
  EXPECT_EQ(lines(), "");
}

// The device hears of each read and each write once, also where they take two items (model 3:
// the block and the offset), the write with its one check.
TEST_F(KeltPanelTest, TheDeviceHearsOfEachReadAndWriteOnce) {
  for (int model : {3, 12}) {
    SCOPED_TRACE(model);
    attach(model);
    std::vector<std::pair<DeviceExchange, std::optional<WriteCheckResult>>> heard;
    panel->setExchangeSink([&](DeviceExchange exchange, const WriteCheck* check) {
      heard.emplace_back(exchange, check ? std::optional(check->result) : std::nullopt);
    });
    click(ui().bnRead());
    ui().edA(0)->SetValue(0.75);
    click(ui().bnWrite());
    EXPECT_EQ(heard, (decltype(heard){{DeviceExchange::read, std::nullopt},
                                      {DeviceExchange::write, WriteCheckResult::verified}}));
  }
}
}  // namespace

#include "ui/devices/rm23/rm23frame.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/devices/exchangemonitor.h"
#include "ui/widgets/buddylabel.h"
#include "ui/widgets/discombobox.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/intedit.h"

namespace {

constexpr char kPortValue[] = "SpprComPort";
constexpr char kInput1Value[] = "SpprInput1";
constexpr char kInput2Value[] = "SpprInput2";
constexpr char kModeValue[] = "SpprMode";
constexpr char kTimeValue[] = "SpprTime";
constexpr char kPulsesValue[] = "SpprPulses";
constexpr char kPulseInputValue[] = "SpprPulseInput";
constexpr char kTempChannelValue[] = "SpprTempChannel";
constexpr char kSensorValue[] = "SpprSensor";

// Often enough that the shown seconds never skip one.
constexpr int kRunRedrawMs = 250;
constexpr int kRunPermille = 1000;

// A read-only value field: a sunken panel with an accessible name, since it has no text of its
// own until a result arrives.
QLabel* valuePanel(const char* name, const QString& accessibleName, QWidget* parent) {
  auto* panel = new QLabel(parent);
  panel->setObjectName(name);
  panel->setAccessibleName(accessibleName);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setMinimumWidth(90);
  panel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return panel;
}

QComboBox* listBox(const char* name, const QStringList& items, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->addItems(items);
  combo->setCurrentIndex(0);
  return combo;
}

// Enter only confirms a typed number here: were a button the dialog's default, Enter after the
// reference quantity would start a new run over the measurement about to be added.
QPushButton* button(const char* name, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

QStringList inputNames(int other) {
  QStringList names;
  for (int input : spprInputChoices(other)) names << QString::number(input);
  return names;
}

// An input choice lists the inputs the other one leaves, with its own input selected.
void fillInputs(QComboBox* combo, int chosen, int other) {
  combo->clear();
  combo->addItems(inputNames(other));
  combo->setCurrentIndex(combo->findText(QString::number(chosen)));
}

QString qtext(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TSpprDlg::TSpprDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("SpprDlg");
  setWindowTitle("РМ-2.3");
  setProperty("helpKeyword", "rm23_input");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  buildControls();
  restoreChoices();
  busy_.setControls({cbPort, bnStart, bnStop, bnToPackage});
  connectHandlers();

  worker_.start(this, [this](SpprThread::QueueItem& item, bool ok) { SpprResult(item, ok); });
  cbModeChange();
  cbTempChChange();
  fillPortCombo(*cbPort, true);
  cbPort->setCurrentIndex(rememberedPort(*cbPort, kPortValue));
  guarded([this] { cbPortChange(); });
  new PortChoice(*cbPort, [this] { cbPortChange(); });
  updateControls();
  Timer->start();
}

TSpprDlg::~TSpprDlg() {
  Timer->stop();
  rememberPort(*cbPort, kPortValue);
  storeChoices();
  worker_.stop();
}

void TSpprDlg::buildControls() {
  cbPort = new QComboBox(this);
  cbPort->setObjectName("cbPort");
  pnU = valuePanel("pnU", "Напряжение питания, В", this);
  Timer = new QTimer(this);
  Timer->setObjectName("Timer");
  Timer->setInterval(kSpprPollMs);
  RunTimer = new QTimer(this);
  RunTimer->setObjectName("RunTimer");
  RunTimer->setInterval(kRunRedrawMs);

  auto* top = new QFormLayout;
  auto* portRow = new QHBoxLayout;
  portRow->addWidget(cbPort, 1);
  portRow->addWidget(exchangeMonitorButton(this));
  top->addRow(labelFor("COM-порт:", cbPort, this), portRow);
  top->addRow(labelFor("Напряжение питания, В:", pnU, this), pnU);

  auto* column = new QVBoxLayout(this);
  column->addLayout(top);
  column->addWidget(buildSettingsGroup());
  column->addWidget(buildDataGroup());
  column->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* TSpprDlg::buildSettingsGroup() {
  auto* group = new QGroupBox("Настройки", this);
  // Input 1 starts on 1 and input 2 on 2, each listing what the other leaves.
  cbChannel1 = listBox("cbChannel1", inputNames(2), group);
  cbChannel2 = listBox("cbChannel2", inputNames(1), group);
  QStringList modes;
  for (const SpprMode& mode : spprModes()) modes << mode.name;
  cbMode = listBox("cbMode", modes, group);

  edTime = new TFloatEdit(group);
  edTime->setObjectName("edTime");
  edTime->setAccessibleName("Длительность измерения, сек");
  edTime->SetDigits(kSpprTimeDigits);
  edTime->SetMax(kSpprMaxTime);
  edTime->SetMin(kSpprMinTime);
  edTime->SetValue(kSpprDefaultTime);
  edPulses = new TIntEdit(group);
  edPulses->setObjectName("edPulses");
  edPulses->setAccessibleName("Количество импульсов");
  edPulses->SetMax(kSpprMaxPulses);
  edPulses->SetValue(kSpprDefaultPulses);
  stBlank = new QWidget(group);
  stBlank->setObjectName("stBlank");
  criterion = new QStackedWidget(group);
  criterion->setObjectName("criterion");
  criterion->addWidget(edTime);
  criterion->addWidget(edPulses);
  criterion->addWidget(stBlank);
  lbCriterion = new QLabel(group);
  lbCriterion->setObjectName("lbCriterion");

  cbChannel = new TDisComboBox(group);
  cbChannel->setObjectName("cbChannel");
  for (int input = 1; input <= kSpprInputs; ++input) cbChannel->addItem(QString::number(input));
  cbChannel->setCurrentIndex(0);
  QStringList channels;
  for (const char* channel : spprTempChannels()) channels << channel;
  cbTempCh = listBox("cbTempCh", channels, group);
  QStringList sensors;
  for (const SpprSensor& sensor : spprSensors()) sensors << sensor.name;
  cbTspType = listBox("cbTspType", sensors, group);

  bnStart = button("bnStart", "Старт", group);
  bnStop = button("bnStop", "Стоп", group);
  // Both keep their room while no run is shown, so the fixed-size dialog does not jump.
  lbRun = new QLabel(group);
  lbRun->setObjectName("lbRun");
  lbRun->setAccessibleName("Ход измерения");
  lbRun->setMinimumWidth(lbRun->fontMetrics().horizontalAdvance("Осталось: 0:00:00"));
  pbRun = new QProgressBar(group);
  pbRun->setObjectName("pbRun");
  pbRun->setAccessibleName("Выполненная часть измерения");
  pbRun->setRange(0, kRunPermille);
  pbRun->setTextVisible(false);
  QSizePolicy keepRoom = pbRun->sizePolicy();
  keepRoom.setRetainSizeWhenHidden(true);
  pbRun->setSizePolicy(keepRoom);
  pbRun->hide();

  auto* form = new QFormLayout;
  form->addRow(labelFor("Вход 1 (N1, t1):", cbChannel1, group), cbChannel1);
  form->addRow(labelFor("Вход 2 (N2):", cbChannel2, group), cbChannel2);
  form->addRow(labelFor("Режим:", cbMode, group), cbMode);
  form->addRow(lbCriterion, criterion);
  form->addRow(labelFor("Вход №:", cbChannel, group), cbChannel);
  form->addRow(labelFor("Канал температуры:", cbTempCh, group), cbTempCh);
  form->addRow(labelFor("Датчик температуры:", cbTspType, group), cbTspType);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bnStart);
  buttons->addWidget(bnStop);
  auto* run = new QHBoxLayout;
  run->addWidget(lbRun);
  run->addWidget(pbRun, 1);
  auto* column = new QVBoxLayout(group);
  column->addLayout(form);
  column->addLayout(buttons);
  column->addLayout(run);
  return group;
}

QWidget* TSpprDlg::buildDataGroup() {
  auto* group = new QGroupBox("Данные", this);
  pntq = valuePanel("pntq", "Tэт, сек", group);
  pnN1 = valuePanel("pnN1", "N1, имп", group);
  pnt1 = valuePanel("pnt1", "T1, сек", group);
  pnN2 = valuePanel("pnN2", "N2, имп", group);
  pnTemp = new TFloatEdit(group);
  pnTemp->setObjectName("pnTemp");
  pnTemp->setAccessibleName("Температура, °C");
  pnTemp->SetDigits(kSpprValueDigits);
  pnTemp->SetMax(kSpprMaxTemperature);
  edVolMass = new TFloatEdit(group);
  edVolMass->setObjectName("edVolMass");
  edVolMass->setAccessibleName("Эталонное количество");
  edVolMass->SetDigits(kSpprValueDigits);
  edVolMass->SetMax(kSpprMaxVolMass);
  bnToPackage = button("bnToPackage", "Добавить в пакет", group);

  auto* form = new QFormLayout(group);
  form->addRow(labelFor("Tэт, сек:", pntq, group), pntq);
  form->addRow(labelFor("N1, имп:", pnN1, group), pnN1);
  form->addRow(labelFor("T1, сек:", pnt1, group), pnt1);
  form->addRow(labelFor("N2, имп:", pnN2, group), pnN2);
  form->addRow(labelFor("t, °C:", pnTemp, group), pnTemp);
  lbVolMass = labelFor(spprVolMassCaption(0), edVolMass, group);
  lbVolMass->setObjectName("lbVolMass");
  form->addRow(lbVolMass, edVolMass);
  form->addRow(bnToPackage);
  lbVolMass->hide();
  edVolMass->hide();
  return group;
}

// Only what the user does runs a handler; the dialog's own selections do not.
void TSpprDlg::connectHandlers() {
  auto handle = [this](void (TSpprDlg::*handler)()) {
    return [this, handler] { guarded([this, handler] { (this->*handler)(); }); };
  };
  connect(cbPort, &QComboBox::activated, this, handle(&TSpprDlg::cbPortChange));
  connect(cbMode, &QComboBox::activated, this, handle(&TSpprDlg::cbModeChange));
  connect(cbChannel1, &QComboBox::activated, this, handle(&TSpprDlg::cbChannelsChange));
  connect(cbChannel2, &QComboBox::activated, this, handle(&TSpprDlg::cbChannelsChange));
  connect(cbTempCh, &QComboBox::activated, this, handle(&TSpprDlg::cbTempChChange));
  connect(bnStart, &QPushButton::clicked, this, handle(&TSpprDlg::bnStartClick));
  connect(bnStop, &QPushButton::clicked, this, handle(&TSpprDlg::bnStopClick));
  connect(bnToPackage, &QPushButton::clicked, this, handle(&TSpprDlg::bnToPackageClick));
  connect(Timer, &QTimer::timeout, this, handle(&TSpprDlg::TimerTimer));
  connect(RunTimer, &QTimer::timeout, this, handle(&TSpprDlg::RunTimerTimer));
}

// A stored choice that no longer fits the dialog is dropped without a word: the default is what
// the user saw before ever choosing.
void TSpprDlg::restoreChoices() {
  SpprChoices stored;
  guarded([&stored] {
    RegKey key;
    key.create(kProgramKey);
    stored.input1 = key.readInt(kInput1Value, stored.input1);
    stored.input2 = key.readInt(kInput2Value, stored.input2);
    SpprStartSettings& run = stored.run;
    run.mode = key.readInt(kModeValue, run.mode);
    bool isNumber = false;
    const double time = key.readString(kTimeValue).toDouble(&isNumber);
    if (isNumber) run.time = time;
    run.pulses = key.readInt(kPulsesValue, run.pulses);
    run.pulseInput = key.readInt(kPulseInputValue, run.pulseInput);
    run.tempChannel = key.readInt(kTempChannelValue, run.tempChannel);
    run.sensor = key.readInt(kSensorValue, run.sensor);
  });
  const SpprChoices choices = spprValidChoices(stored);
  fillInputs(cbChannel1, choices.input1, choices.input2);
  fillInputs(cbChannel2, choices.input2, choices.input1);
  cbMode->setCurrentIndex(choices.run.mode);
  edTime->SetValue(choices.run.time);
  edPulses->SetValue(choices.run.pulses);
  cbChannel->setCurrentIndex(choices.run.pulseInput);
  cbTempCh->setCurrentIndex(choices.run.tempChannel);
  cbTspType->setCurrentIndex(choices.run.sensor);
}

void TSpprDlg::storeChoices() const {
  guarded([this] {
    RegKey key;
    key.create(kProgramKey);
    key.writeInt(kInput1Value, input1());
    key.writeInt(kInput2Value, input2());
    key.writeInt(kModeValue, cbMode->currentIndex());
    key.writeString(kTimeValue,
                    QString::number(edTime->GetValue(), 'g', QLocale::FloatingPointShortest));
    key.writeInt(kPulsesValue, edPulses->GetValue());
    key.writeInt(kPulseInputValue, cbChannel->GetItemIndex());
    key.writeInt(kTempChannelValue, cbTempCh->currentIndex());
    key.writeInt(kSensorValue, cbTspType->currentIndex());
  });
}

void TSpprDlg::setPackage(const PackagePtr& package) {
  package_ = package;
  if (package) lbVolMass->setText(spprVolMassCaption(package->method));
  lbVolMass->setVisible(package != nullptr);
  edVolMass->setVisible(package != nullptr);
  updateControls();
}

void TSpprDlg::cbPortChange() {
  const SpprPush open = spprOpenCommand(cbPort->currentIndex());
  worker_.push(open.type, open.data, open.flags);
  updateControls();
}

// The pulse input means something only when the pulses end the run; disabled, the choice keeps
// the input for the next time.
void TSpprDlg::cbModeChange() {
  const SpprMode& mode = spprModes().at(static_cast<std::size_t>(cbMode->currentIndex()));
  lbCriterion->setText(mode.caption);
  switch (mode.criterion) {
    case SpprCriterion::time:
      criterion->setCurrentWidget(edTime);
      lbCriterion->setBuddy(edTime);
      break;
    case SpprCriterion::pulses:
      criterion->setCurrentWidget(edPulses);
      lbCriterion->setBuddy(edPulses);
      break;
    case SpprCriterion::none:
      criterion->setCurrentWidget(stBlank);
      lbCriterion->setBuddy(nullptr);
      break;
  }
  cbChannel->setEnabled(mode.criterion == SpprCriterion::pulses);
}

void TSpprDlg::cbChannelsChange() {
  const int one = input1();
  const int two = input2();
  fillInputs(cbChannel1, one, two);
  fillInputs(cbChannel2, two, one);
}

// Without a thermometer the temperature is typed by hand; with one it is measured and the field
// looks like a read-only panel.
void TSpprDlg::cbTempChChange() {
  const bool typed = cbTempCh->currentIndex() == kSpprNoThermometer;
  cbTspType->setEnabled(!typed);
  pnTemp->SetReadOnly(!typed);
  QPalette look = pnTemp->palette();
  look.setBrush(QPalette::Active, QPalette::Base,
                palette().brush(typed ? QPalette::Base : QPalette::Button));
  look.setBrush(QPalette::Inactive, QPalette::Base, look.brush(QPalette::Active, QPalette::Base));
  pnTemp->setPalette(look);
}

void TSpprDlg::bnStartClick() {
  SpprStartSettings settings;
  settings.mode = cbMode->currentIndex();
  settings.time = edTime->GetValue();
  settings.pulses = edPulses->GetValue();
  settings.pulseInput = cbChannel->GetItemIndex();
  settings.tempChannel = cbTempCh->currentIndex();
  settings.sensor = cbTspType->currentIndex();
  pushAll(session_.start(settings));
}

void TSpprDlg::bnStopClick() {
  pushAll(spprStopCommands(cbTempCh->currentIndex(), cbTspType->currentIndex()));
}

void TSpprDlg::bnToPackageClick() {
  const PackagePtr package = package_.lock();
  if (!package) {  // the document dropped it
    setPackage(nullptr);
    return;
  }
  try {
    spprAddToPackage(*package, session_.readings(), pnTemp->GetValue(), edVolMass->GetValue());
  } catch (const MessageError&) {
    // Refused for its reference quantity: that is the field to correct.
    edVolMass->setFocus(Qt::OtherFocusReason);
    edVolMass->selectAll();
    throw;
  }
  session_.resultTaken();
  updateControls();
  emit entryAdded();
}

void TSpprDlg::TimerTimer() {
  if (cbPort->currentIndex() <= 0) return;
  const SpprPush poll = spprPollCommand();
  worker_.push(poll.type, poll.data, poll.flags);
}

void TSpprDlg::pushAll(const std::vector<SpprPush>& items) {
  for (const SpprPush& item : items) worker_.push(item.type, item.data, item.flags);
  updateControls();
}

void TSpprDlg::SpprResult(SpprThread::QueueItem& item, bool ok) {
  const SpprReaction reaction =
      session_.finished(item, ok, input1(), input2(), localeHook().decimalSeparator);
  if (!reaction.log.empty()) logMessage(qtext(reaction.log));
  if (reaction.port) cbPort->setCurrentIndex(*reaction.port);
  if (reaction.voltage) showVoltage(*reaction.voltage);
  if (reaction.temperatureChanged) pnTemp->SetValue(session_.temperature().value_or(0));
  if (reaction.readingsChanged) showReadings();
  if (reaction.restartTimer) {
    Timer->start();
    runClock_.start();
    RunTimer->start();
  }
  if (reaction.stopNow) {
    // A refused push is no failure of the poll: the next poll sees the completion again.
    try {
      bnStopClick();
    } catch (const MessageError&) {
    }
  }
  showRun();
  updateControls();
}

void TSpprDlg::RunTimerTimer() { showRun(); }

// A run the dialog did not start (the instrument was already counting) has no known start: it
// shows nothing.
void TSpprDlg::showRun() {
  if (!session_.measuring() || !runClock_.isValid()) {
    RunTimer->stop();
    runClock_.invalidate();
    lbRun->clear();
    pbRun->hide();
    return;
  }
  const SpprRunProgress run =
      spprRunProgress(session_.runTime(), static_cast<double>(runClock_.elapsed()) / 1000);
  lbRun->setText(qtext(run.text));
  pbRun->setVisible(run.permille.has_value());
  if (run.permille) pbRun->setValue(*run.permille);
}

void TSpprDlg::showVoltage(const SpprVoltage& voltage) {
  pnU->setText(qtext(voltage.text));
  QPalette look = pnU->palette();
  look.setColor(QPalette::WindowText,
                voltage.low ? QColor(Qt::red) : palette().color(QPalette::WindowText));
  pnU->setPalette(look);
}

void TSpprDlg::showReadings() {
  const SpprReadingTexts texts =
      spprReadingTexts(session_.readings(), localeHook().decimalSeparator);
  pntq->setText(qtext(texts.refTime));
  pnt1->setText(qtext(texts.time1));
  pnN1->setText(qtext(texts.pulses1));
  pnN2->setText(qtext(texts.pulses2));
}

int TSpprDlg::input1() const { return cbChannel1->currentText().toInt(); }
int TSpprDlg::input2() const { return cbChannel2->currentText().toInt(); }

void TSpprDlg::updateControls() {
  const SpprControls enabled =
      spprControls(busy_.isBusy(), session_.measuring(), !package_.expired(), session_.hasResult());
  cbPort->setEnabled(enabled.port);
  bnStart->setEnabled(enabled.start);
  bnStop->setEnabled(enabled.stop);
  bnToPackage->setEnabled(enabled.toPackage);
}

#include "ui/devices/kelt/keltframe.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/errors.h"
#include "core/devices/kelt/keltmodels.h"
#include "ui/base/messagelog.h"
#include "ui/devices/exchangemonitor.h"
#include "ui/widgets/buddylabel.h"
#include "ui/widgets/discombobox.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/intedit.h"

namespace {

constexpr char kPortValue[] = "KeltComPort";
constexpr double kTauMin = 0.0305;
constexpr double kTauMax = 203.008;
constexpr int kOffsetSteps = 7;

QString text(const std::string& s) { return QString::fromStdString(s); }

QPushButton* button(const QString& caption, const char* name, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

template <class W>
W* named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

TFloatEdit* floatEdit(QWidget* parent, const QString& name, int digits, double min, double max,
                      double value) {
  auto* edit = new TFloatEdit(parent);
  edit->setObjectName(name);
  edit->setAccessibleName(name.mid(2));
  edit->SetDigits(digits);
  edit->SetMax(max);
  edit->SetMin(min);
  edit->SetValue(value);
  return edit;
}

void setTextColor(QLabel* label, const QColor& color) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
}

// Typed degrees, either "," or "." as the decimal separator.
int offsetStepsOf(const QString& typed) {
  QString number = typed.trimmed();
  number.replace(QLatin1Char(','), QLatin1Char('.'));
  bool ok = false;
  const double degrees = QLocale::c().toDouble(number, &ok);
  if (!ok) throw ConvertError("offset");
  return keltOffsetSteps(degrees);
}

}  // namespace

TKeltFrame::TKeltFrame(QWidget* parent, std::chrono::milliseconds busyPause)
    : QFrame(parent), worker_(busy_, busyPause) {
  setObjectName("KeltFrame");
  setProperty("helpKeyword", "kelt_main");
  buildControls();
  busy_.setControls(
      {cbPort, bnSetLevel, bnGetAmp, bnReset, bnAuto, bnRead, bnWrite, bnGetU, bnGetT});
  connectHandlers();
}

TKeltFrame::~TKeltFrame() {
  rememberPort(*cbPort, kPortValue);
  worker_.stop();
}

void TKeltFrame::buildControls() {
  cbPort = new QComboBox(this);
  cbPort->setObjectName("cbPort");
  edDevNum = new QLineEdit(this);
  edDevNum->setObjectName("edDevNum");
  edDevNum->setAccessibleName("Зав. № КЕЛТ");

  auto* top = new QFormLayout;
  auto* portRow = new QHBoxLayout;
  portRow->addWidget(cbPort, 1);
  portRow->addWidget(exchangeMonitorButton(this));
  top->addRow(labelFor("COM-порт:", cbPort, this), portRow);
  top->addRow(labelFor("Зав. № КЕЛТ:", edDevNum, this), edDevNum);

  bnRead = button("Считать", "bnRead", this);
  bnWrite = button("Записать", "bnWrite", this);
  bnGetU = button("Считать Ubat", "bnGetU", this);
  bnGetT = button("Считать T", "bnGetT", this);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {bnRead, bnWrite, bnGetU, bnGetT}) buttons->addWidget(button);
  buttons->addStretch();

  // Kept for the format 4 block; this panel never offers them.
  DisableRestore = named(new QCheckBox("Отключить восстановление ", this), "DisableRestore");
  DisableThermocorrection =
      named(new QCheckBox("Отключить термокоррекцию", this), "DisableThermocorrection");
  DisableRestore->hide();
  DisableThermocorrection->hide();

  auto* column = new QVBoxLayout;
  column->addLayout(top);
  column->addWidget(buildAdapterGroup());
  column->addWidget(buildParameterGroup());
  column->addLayout(buttons);
  column->addStretch();
  auto* page = new QHBoxLayout(this);
  page->addLayout(column);
  page->addStretch();
}

QWidget* TKeltFrame::buildAdapterGroup() {
  gbAdapter = named(new QGroupBox("Адаптер ОМБ-КЕЛТ", this), "gbAdapter");
  tbLevel = new QSlider(Qt::Horizontal, gbAdapter);
  tbLevel->setObjectName("tbLevel");
  tbLevel->setRange(0, 3);
  tbLevel->setPageStep(1);
  tbLevel->setTickPosition(QSlider::TicksAbove);
  bnSetLevel = button("Установить", "bnSetLevel", gbAdapter);
  lbAmp = new QLabel("0", gbAdapter);
  lbAmp->setObjectName("lbAmp");
  setTextColor(lbAmp, Qt::red);
  bnGetAmp = button("Контроль", "bnGetAmp", gbAdapter);
  bnReset = button("Сброс", "bnReset", gbAdapter);
  bnAuto = button("Автонастройка", "bnAuto", gbAdapter);

  auto* grid = new QGridLayout(gbAdapter);
  grid->addWidget(labelFor("Порог выделения сигнала от КЕЛТ:", tbLevel, gbAdapter), 0, 0);
  grid->addWidget(tbLevel, 0, 1);
  grid->addWidget(bnSetLevel, 0, 2);
  grid->addWidget(labelFor("Параметр связи (25..80):", lbAmp, gbAdapter), 1, 0);
  grid->addWidget(lbAmp, 1, 1);
  grid->addWidget(bnGetAmp, 1, 2);
  auto* actions = new QHBoxLayout;
  actions->addWidget(bnReset);
  actions->addWidget(bnAuto);
  actions->addStretch();
  grid->addLayout(actions, 2, 0, 1, 3);
  return gbAdapter;
}

QWidget* TKeltFrame::buildParameterGroup() {
  gbParameters = named(new QGroupBox("Параметры КЕЛТ", this), "gbParameters");
  QWidget* g = gbParameters;
  cbDu = new QComboBox(g);
  cbDu->setObjectName("cbDu");
  for (const char* du : keltDuItems()) cbDu->addItem(du);
  cbDu->setCurrentIndex(0);
  cbOutType = new QComboBox(g);
  cbOutType->setObjectName("cbOutType");
  cbWeight = new TDisComboBox(g);
  cbWeight->setObjectName("cbWeight");
  edN = new TIntEdit(g);
  edN->setObjectName("edN");
  edN->setAccessibleName("Коэффициент n");
  edN->SetMax(255);
  edN->SetMin(1);
  edN->SetValue(1);
  edTauOut = floatEdit(g, "edTauOut", 2, kTauMin, kTauMax, 1.0);
  edTauOut->setAccessibleName("Длительность импульса, мс");
  edOffset = new TIntEdit(g);
  edOffset->setObjectName("edOffset");
  edOffset->setAccessibleName("Коррекция температуры, °C");
  edOffset->OnSetText = [](TIntEdit* edit) {
    edit->setText(text(keltOffsetText(edit->GetValue())));
  };
  edOffset->OnGetText = [](TIntEdit* edit, int& value) { value = offsetStepsOf(edit->text()); };
  edOffset->SetMax(kOffsetSteps);
  edOffset->SetMin(-kOffsetSteps);
  edOffset->SetValue(0);

  // The pulse weight and n share one place: the output type shows one of them.
  lbWeight = named(labelFor("Цена импульса, м3:", cbWeight, g), "lbWeight");
  lbN = named(labelFor("Коэффициент n:", edN, g), "lbN");
  lbOffset = named(labelFor("Коррекция температуры, °C:", edOffset, g), "lbOffset");
  auto* settings = new QGridLayout;
  settings->addWidget(labelFor("Ду:", cbDu, g), 0, 0);
  settings->addWidget(cbDu, 0, 1);
  settings->addWidget(labelFor("Тип выхода:", cbOutType, g), 1, 0);
  settings->addWidget(cbOutType, 1, 1);
  settings->addWidget(lbWeight, 2, 0);
  settings->addWidget(lbN, 2, 0);
  settings->addWidget(cbWeight, 2, 1);
  settings->addWidget(edN, 2, 1);
  settings->addWidget(labelFor("Длительность импульса, мс:", edTauOut, g), 3, 0);
  settings->addWidget(edTauOut, 3, 1);
  settings->addWidget(lbOffset, 4, 0);
  settings->addWidget(edOffset, 4, 1);

  auto* coefficients = new QGridLayout;
  static const char* const kBoundaries[] = {"12", "23", "34", "45"};
  for (int i = 0; i < 5; ++i) {
    const QString digit = QString::number(i + 1);
    edA[i] = floatEdit(g, "edA" + digit, 7, 0, 36, 0.12);
    edB[i] = floatEdit(g, "edB" + digit, 7, -558, 558, 0);
    lbA[i] = named(labelFor("A" + digit + ":", edA[i], g), "lbA" + digit);
    lbB[i] = named(labelFor("B" + digit + ":", edB[i], g), "lbB" + digit);
    coefficients->addWidget(lbA[i], i, 0);
    coefficients->addWidget(edA[i], i, 1);
    coefficients->addWidget(lbB[i], i, 2);
    coefficients->addWidget(edB[i], i, 3);
    if (i == 4) break;
    edF[i] = floatEdit(g, QString("edF") + kBoundaries[i], 6, 0.5, 32768, 32768);
    lbF[i] = named(labelFor(QString("F") + kBoundaries[i] + ", Гц:", edF[i], g),
                   QString("lbF") + kBoundaries[i]);
    coefficients->addWidget(lbF[i], i, 4);
    coefficients->addWidget(edF[i], i, 5);
  }

  auto* layout = new QVBoxLayout(g);
  layout->addLayout(settings);
  layout->addLayout(coefficients);
  return gbParameters;
}

// Only what the user does runs a handler; the panel's own selections do not.
void TKeltFrame::connectHandlers() {
  const auto on = [this](auto* sender, auto signal, void (TKeltFrame::*handler)()) {
    connect(sender, signal, this,
            [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
  };
  on(cbPort, &QComboBox::activated, &TKeltFrame::cbPortChange);
  on(cbDu, &QComboBox::activated, &TKeltFrame::cbDuChange);
  on(cbOutType, &QComboBox::activated, &TKeltFrame::cbOutTypeChange);
  on(cbWeight, &QComboBox::activated, &TKeltFrame::cbWeightChange);
  on(bnSetLevel, &QPushButton::clicked, &TKeltFrame::bnSetLevelClick);
  on(bnGetAmp, &QPushButton::clicked, &TKeltFrame::bnGetAmpClick);
  on(bnAuto, &QPushButton::clicked, &TKeltFrame::bnAutoClick);
  on(bnReset, &QPushButton::clicked, &TKeltFrame::bnResetClick);
  on(bnRead, &QPushButton::clicked, &TKeltFrame::bnReadClick);
  on(bnWrite, &QPushButton::clicked, &TKeltFrame::bnWriteClick);
  on(bnGetU, &QPushButton::clicked, &TKeltFrame::bnGetUClick);
  on(bnGetT, &QPushButton::clicked, &TKeltFrame::bnGetTClick);
}

void TKeltFrame::init(int model) {
  keltModel(model);  // can throw: no panel for an unknown model
  model_ = model;
  // The pulse duration the model's block can hold, also for values the program sets.
  edTauOut->OnChangeValue = [this](TFloatEdit*, double& value) {
    value = keltSnapPulseDuration(value, model_);
  };
  worker_.start(this, [this](KeltThread::QueueItem& item, bool ok) { KeltResult(item, ok); });
  fillPortCombo(*cbPort, true);
  cbPort->setCurrentIndex(0);
  cbPort->setCurrentIndex(rememberedPort(*cbPort, kPortValue));
  guarded([this] { cbPortChange(); });
  new PortChoice(*cbPort, [this] { cbPortChange(); });
  cbDu->setCurrentIndex(0);
  cbDuChange();
  cbWeightChange();
  applyLayout();
}

void TKeltFrame::applyLayout() {
  cbOutType->clear();
  for (const char* type : keltOutputTypes(model_)) cbOutType->addItem(type);
  cbOutType->setCurrentIndex(0);
  cbOutTypeChange();

  const KeltLayout layout = keltLayout(model_);
  lbOffset->setVisible(layout.offset);
  edOffset->setVisible(layout.offset);
  bnGetT->setVisible(layout.offset);
  bnGetT->setText(layout.temperatureCaption);
  for (QWidget* w : {static_cast<QWidget*>(lbA[4]), static_cast<QWidget*>(edA[4]),
                     static_cast<QWidget*>(lbB[4]), static_cast<QWidget*>(edB[4]),
                     static_cast<QWidget*>(lbF[3]), static_cast<QWidget*>(edF[3])}) {
    w->setVisible(layout.fifthSegment);
  }
  gbAdapter->setVisible(layout.adapter);
  bnGetU->setVisible(layout.adapter);
  edN->SetMax(layout.nMax);
  for (TFloatEdit* f : edF) {
    f->SetMax(layout.fMax);
    f->SetValue(layout.fMax);
  }
}

void TKeltFrame::cbDuChange() {
  const int position = std::clamp(cbWeight->GetItemIndex(), 0, 4);
  cbWeight->clear();
  for (const char* weight : keltPulseWeights(cbDu->currentIndex() + 1)) cbWeight->addItem(weight);
  cbWeight->SetItemIndex(position);
}

void TKeltFrame::cbOutTypeChange() {
  const KeltOutputState state = keltOutputState(model_, cbOutType->currentIndex());
  lbWeight->setVisible(state.showWeight);
  cbWeight->setVisible(state.showWeight);
  lbN->setVisible(!state.showWeight);
  edN->setVisible(!state.showWeight);
  cbWeight->setEnabled(state.characteristicEnabled);
  edTauOut->setEnabled(state.characteristicEnabled);
  for (TFloatEdit* e : edA) e->setEnabled(state.characteristicEnabled);
  for (TFloatEdit* e : edB) e->setEnabled(state.characteristicEnabled);
  for (TFloatEdit* e : edF) e->setEnabled(state.characteristicEnabled);
}

void TKeltFrame::cbWeightChange() {
  edTauOut->SetValue(keltDefaultPulseDuration(cbWeight->GetItemIndex()));
}

void TKeltFrame::characteristic(double (&A)[5], double (&B)[5], double (&F)[4]) const {
  for (int i = 0; i < 5; ++i) {
    A[i] = edA[i]->GetValue();
    B[i] = edB[i]->GetValue();
  }
  for (int j = 0; j < 4; ++j) F[j] = edF[j]->GetValue();
}

void TKeltFrame::setCharacteristic(const double (&A)[5], const double (&B)[5],
                                   const double (&F)[4]) {
  for (int i = 0; i < 5; ++i) {
    edA[i]->SetValue(A[i]);
    edB[i]->SetValue(B[i]);
  }
  for (int j = 0; j < 4; ++j) edF[j]->SetValue(F[j]);
}

void TKeltFrame::setIdentity(const KeltPanelIdentity& identity) {
  edDevNum->setText(text(identity.serialText));
  cbDu->setCurrentIndex(identity.duPosition);
  cbDuChange();
}

void TKeltFrame::setOutputSettings(const KeltOutputSettings& s) {
  cbOutType->setCurrentIndex(s.outputPosition);
  cbOutTypeChange();
  cbWeight->SetItemIndex(s.weightPosition);
  edN->SetValue(s.n);
  edTauOut->SetValue(s.pulseDuration);
  edOffset->SetValue(s.offset);
}

void TKeltFrame::cbPortChange() {
  KeltCommon data;
  data.command = static_cast<uint8_t>(cbPort->currentIndex());
  worker_.push(keltOpenTask(model_), data);
}

void TKeltFrame::pushExchange(uint8_t command) {
  KeltCommon data;
  data.command = command;
  data.model = model_;
  worker_.push(KELT_EXCHANGE, data);
}

void TKeltFrame::bnSetLevelClick() {
  pushExchange(static_cast<uint8_t>(KELT_LEVEL_0 + tbLevel->value()));
}

void TKeltFrame::bnGetAmpClick() { pushExchange(KELT_COUPLING); }

void TKeltFrame::bnAutoClick() {
  KeltCommon data;
  data.model = model_;
  worker_.push(KELT_AUTOTUNE, data);
}

void TKeltFrame::bnResetClick() { worker_.push(KELT_RESET, KeltCommon{}); }

void TKeltFrame::bnReadClick() {
  for (const KeltRequest& request : keltReadRequests(model_)) {
    worker_.push(KELT_EXCHANGE, request.data, request.flags);
  }
}

void TKeltFrame::bnWriteClick() {
  for (const KeltRequest& request : keltWriteRequests(values(), model_)) {  // can throw
    worker_.push(KELT_EXCHANGE, request.data, request.flags);
  }
}

void TKeltFrame::bnGetUClick() { pushExchange(KELT_BATTERY); }

// The models without a temperature command do not show the button.
void TKeltFrame::bnGetTClick() {
  const uint8_t command = keltModel(model_).temperatureCommand;
  if (command != 0) pushExchange(command);
}

KeltPanelValues TKeltFrame::values() const {
  KeltPanelValues v;
  v.duPosition = cbDu->currentIndex();
  v.outputPosition = cbOutType->currentIndex();
  v.weightPosition = cbWeight->GetItemIndex();
  v.n = edN->GetValue();
  v.pulseDuration = edTauOut->GetValue();
  v.offset = edOffset->GetValue();
  characteristic(v.A, v.B, v.F);
  v.serialText = edDevNum->text().trimmed().toStdString();
  v.disableRestoration = DisableRestore->isVisibleTo(this) && DisableRestore->isChecked();
  v.disableThermalCorrection =
      DisableThermocorrection->isVisibleTo(this) && DisableThermocorrection->isChecked();
  v.weightText = cbWeight->itemText(cbWeight->GetItemIndex()).toStdString();
  return v;
}

void TKeltFrame::showParameters(const KeltShownParameters& s) {
  cbOutType->setCurrentIndex(s.outputPosition);
  cbOutTypeChange();
  if (s.offset) edOffset->SetValue(*s.offset);
  if (s.weightPosition) cbWeight->SetItemIndex(*s.weightPosition);
  if (s.n) edN->SetValue(*s.n);
  if (s.pulseDuration) edTauOut->SetValue(*s.pulseDuration);
  cbDu->setCurrentIndex(s.duPosition);
  cbDuChange();
  for (int i = 0; i < s.segments; ++i) {
    edA[i]->SetValue(s.A[i]);
    edB[i]->SetValue(s.B[i]);
  }
  for (int j = 0; j < s.boundaries; ++j) edF[j]->SetValue(s.F[j]);
  if (s.disableRestoration) DisableRestore->setChecked(*s.disableRestoration);
  if (s.disableThermalCorrection) DisableThermocorrection->setChecked(*s.disableThermalCorrection);
  if (s.serialText) edDevNum->setText(text(*s.serialText));
}

void TKeltFrame::showCoupling(int value) {
  lbAmp->setText(QString::number(value));
  setTextColor(lbAmp, keltCouplingGood(value) ? Qt::darkGreen : Qt::red);
}

void TKeltFrame::KeltResult(KeltThread::QueueItem& item, bool ok) {
  switch (item.type) {
    case KELT_OPEN_4800:
    case KELT_OPEN_9600:
      // A port that did not open is only deselected; the user sees it in the selector.
      if (!ok) cbPort->setCurrentIndex(0);
      tbLevel->setValue(0);
      break;
    case KELT_EXCHANGE:
    case KELT_AUTOTUNE:
      if (ok) {
        exchangeResult(item);
      } else {
        // A busy adapter: nothing goes out until it is ready again.
        if (keltAdapterBusy(item.failure)) worker_.push(KELT_PAUSE, KeltCommon{}, QF_ALWAYS);
        logMessage(text(item.message));
        // The parameters went in before the offset failed: that write is complete as it is.
        if (const std::optional<WriteCheck> held = writeChecks_.checkAfterFailure()) {
          logMessage(text(writeCheckLine(*held)));
          exchangeCompleted(DeviceExchange::write, &*held);
        }
      }
      break;
    case KELT_RESET:
      if (ok) {
        tbLevel->setValue(0);
      } else {
        logMessage(text(item.message));
      }
      break;
    default:  // the pause, and items the worker passed over
      break;
  }
}

void TKeltFrame::exchangeResult(const KeltThread::QueueItem& item) {
  const KeltCommon& data = item.data;
  switch (data.command) {
    case KELT_COUPLING:
      showCoupling(data.value);
      break;
    case KELT_READ_1:
    case KELT_READ_2:
    case KELT_READ_3:
    case KELT_READ_4:
      showParameters(keltShownParameters(data, model_));
      break;
    case KELT_READ_OFFSET:
      edOffset->SetValue(data.offset);
      break;
    default:
      if (data.command >= KELT_LEVEL_0 && data.command <= KELT_LEVEL_3) {
        tbLevel->setValue(data.command - KELT_LEVEL_0);
        if (item.type == KELT_AUTOTUNE) showCoupling(data.value);
      }
      break;
  }
  const std::string result = keltResultText(data);
  if (!result.empty()) logMessage(text(result));
  if (keltCompletesRead(data.command)) exchangeCompleted(DeviceExchange::read);
  if (const std::optional<WriteCheck> check = writeChecks_.checkAfter(data)) {
    logMessage(text(writeCheckLine(*check)));
    exchangeCompleted(DeviceExchange::write, &*check);
  }
}

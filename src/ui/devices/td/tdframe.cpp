#include "ui/devices/td/tdframe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <variant>

#include "core/base/writecheck.h"
#include "core/comm/comport.h"
#include "core/document/devicebase.h"
#include "ui/base/messagelog.h"
#include "ui/base/portwatcher.h"
#include "ui/devices/exchangemonitor.h"
#include "ui/devices/td/tdportsetup.h"
#include "ui/devices/td/tdreadingspage.h"
#include "ui/devices/td/tdstartstopforms.h"

namespace {

constexpr char kPortValue[] = "TdComPort";
constexpr int kTimerMs = 50;
constexpr int kStatusTicks = 30;    // 1.5 s
constexpr int kReadingsTicks = 4;   // 200 ms
constexpr int kIndicatorTicks = 2;  // how long RX and TX stay yellow

const char* const kIndicatorOff = "background-color: green; color: white;";
const char* const kIndicatorOn = "background-color: yellow;";

struct LampInfo {
  const char* name;
  const char* text;
  const char* hint;
  const char* colour;
};
constexpr LampInfo kLamps[] = {
    {"Bit0", "Проливка", "Индикатор проливки", "olive"},
    {"Bit1", "Сброс имп.", "Обнулять счетчик импульсов при начале проливки", "olive"},
    {"Bit2", "g < 0", "Обратное направление расхода", "olive"},
    {"Bit3", "g < gпор", "Расход меньше порога чувствительности", "olive"},
    {"Bit4", "g > gmax", "Расход больше максимального", "olive"},
    {"Bit5", "Неиспр.", "Аппаратная неисправность", "red"},
};

// Grid columns: code threshold, A, B; rows 1..5 (row 5 has no threshold).
enum GridColumn { GC_CODE, GC_A, GC_B };
constexpr int kGridRows = 5;

template <class T>
T* named(T* widget, const char* name, const QString& hint = {}) {
  widget->setObjectName(name);
  if (!hint.isEmpty()) {
    widget->setToolTip(hint);
    widget->setAccessibleName(hint);
  }
  return widget;
}

QLineEdit* readOnlyField(const char* name, QWidget* parent) {
  auto* edit = named(new QLineEdit(parent), name);
  edit->setReadOnly(true);
  return edit;
}

QSpinBox* spin(const char* name, int min, int max, int value, QWidget* parent) {
  auto* box = named(new QSpinBox(parent), name);
  box->setRange(min, max);
  box->setValue(value);
  return box;
}

// A labelled row whose label names the field for screen readers.
void addRow(QFormLayout* form, const QString& label, QWidget* field) {
  auto* text = new QLabel(label, field->parentWidget());
  text->setBuddy(field);
  if (field->accessibleName().isEmpty()) field->setAccessibleName(label);
  form->addRow(text, field);
}

constexpr int kDesignedWidths[] = {77, 99, 96};

// Each column as wide as its widest text, never narrower than designed: a coefficient is shown
// whole on one line, never wrapped or cut.
void fitGridColumns(QTableWidget* grid) {
  for (int col = GC_CODE; col <= GC_B; ++col) {
    grid->resizeColumnToContents(col);
    grid->setColumnWidth(col, std::max(kDesignedWidths[col], grid->columnWidth(col)));
  }
}

QTableWidget* makeGrid(const char* name, QWidget* parent) {
  auto* grid = named(new QTableWidget(kGridRows, 3, parent), name,
                     "Коэффициенты кусочно-линейной апроксимации");
  grid->setHorizontalHeaderLabels({"Код", "A", "B"});
  grid->setVerticalHeaderLabels({"1", "2", "3", "4", "5"});
  grid->verticalHeader()->setFixedWidth(30);
  grid->setWordWrap(false);
  for (int row = 0; row < kGridRows; ++row) {
    for (int col = GC_CODE; col <= GC_B; ++col) grid->setItem(row, col, new QTableWidgetItem);
  }
  // The last row applies above every threshold, so it has none.
  auto* none = grid->item(kGridRows - 1, GC_CODE);
  none->setFlags(none->flags() & ~Qt::ItemIsEditable);
  // Empty cells and the short headers fit the designed widths; the columns are fitted when a
  // text arrives.
  for (int col = GC_CODE; col <= GC_B; ++col) grid->setColumnWidth(col, kDesignedWidths[col]);
  QObject::connect(grid, &QTableWidget::itemChanged, grid, [grid] { fitGridColumns(grid); });
  return grid;
}

QString cellText(const QTableWidget* grid, int row, int col) {
  return grid->item(row, col)->text();
}
void setCellText(QTableWidget* grid, int row, int col, const std::string& text) {
  grid->item(row, col)->setText(QString::fromStdString(text));
}

void showAllItems(QComboBox* combo) { combo->setMaxVisibleItems(combo->count() + 1); }

}  // namespace

TTDFrame::TTDFrame(QWidget* parent) : QFrame(parent) {
  setObjectName("TDFrame");
  setProperty("helpKeyword", "tidemark_main");
  auto* column = new QVBoxLayout(this);
  column->addWidget(buildTopBar());
  PageControl = named(new QTabWidget(this), "PageControl");
  PageControl->addTab(buildMainPage(), "Основные параметры");
  PageControl->addTab(buildSetupPage(), "Настройка");
  Readings = new TTDReadingsPage(this);
  PageControl->addTab(Readings, "Показания");
  PageControl->setCurrentIndex(0);
  column->addWidget(PageControl, 1);
  SystemTimer = new QTimer(this);
  SystemTimer->setObjectName("SystemTimer");
  SystemTimer->setInterval(kTimerMs);
  busy_.setControls({OpenPortButton, Bits[TL_POUR], Bits[TL_RESET_PULSES], ReadParam, GetNetAddr,
                     SetNetAddr, GetIntegrator, SetIntegrator, Advanced_Info, ClearMeasure,
                     ReadImpulseOut, SetImpulseOut, ReadCalibr, SetCalibr, SetStSt});
  connectHandlers();
}

TTDFrame::~TTDFrame() {
  SystemTimer->stop();
  worker_.stop();
}

QWidget* TTDFrame::buildTopBar() {
  auto* bar = new QWidget(this);
  PortSelectBox = named(new QComboBox(bar), "PortSelectBox", "Com-порт");
  OpenPortButton = named(new QPushButton("Открыть", bar), "OpenPortButton");
  PortParams = named(new QPushButton("...", bar), "PortParams", "Параметры подключения");
  RxPanel = named(new QLabel("RX", bar), "RxPanel");
  TxPanel = named(new QLabel("TX", bar), "TxPanel");
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(PortSelectBox);
  row->addWidget(OpenPortButton);
  row->addWidget(PortParams);
  for (QLabel* indicator : {RxPanel, TxPanel}) {
    indicator->setAlignment(Qt::AlignCenter);
    indicator->setStyleSheet(kIndicatorOff);
    indicator->setMinimumWidth(28);
    row->addWidget(indicator);
  }
  for (int i = 0; i < 6; ++i) {
    Bits[i] = named(new QPushButton(kLamps[i].text, bar), kLamps[i].name, kLamps[i].hint);
    row->addWidget(Bits[i]);
  }
  row->addStretch();
  row->addWidget(exchangeMonitorButton(bar));
  return bar;
}

QWidget* TTDFrame::buildMainPage() {
  auto* page = new QWidget(this);
  page->setProperty("helpKeyword", "tidemark_main_param");

  auto* system = new QGroupBox("Системные параметры", page);
  Serial = named(new QLineEdit(system), "Serial", "Заводской номер");
  DuCombo = named(new QComboBox(system), "DuCombo", "Диаметр канала");
  DuCombo->addItems({"15", "20", "25", "32", "40", "50", "80", "100", "150", "65"});
  Version = named(new QLineEdit(system), "Version", "Версия прошивки");
  Version->setReadOnly(true);
  ReadParam = named(new QPushButton("Считать", system), "ReadParam");
  auto* systemForm = new QFormLayout(system);
  addRow(systemForm, "Заводской номер", Serial);
  addRow(systemForm, "Ду, мм", DuCombo);
  addRow(systemForm, "Версия ПО", Version);
  systemForm->addRow(ReadParam);

  auto* pour = new QGroupBox("Проливка", page);
  Integrator = readOnlyField("Integrator", pour);
  NMeasure = readOnlyField("NMeasure", pour);
  MiddleCode = readOnlyField("MiddleCode", pour);
  Volume = readOnlyField("Volume", pour);
  Volume->setToolTip("Объем полученный по накопленным импульсам");
  ImpulseVolume = readOnlyField("ImpulseVolume", pour);
  ImpulseVolume->setToolTip("Внутренний счетчик выходных импульсов");
  MiddleNoise = readOnlyField("MiddleNoise", pour);
  NoiseSignal = readOnlyField("NoiseSignal", pour);
  auto* pourForm = new QFormLayout(pour);
  addRow(pourForm, "Суммарный код", Integrator);
  addRow(pourForm, "Число измерений", NMeasure);
  addRow(pourForm, "Средний код", MiddleCode);
  addRow(pourForm, "Объем по имп., л", Volume);
  addRow(pourForm, "Счетчик импульсов", ImpulseVolume);
  addRow(pourForm, "Средний шум", MiddleNoise);
  addRow(pourForm, "Шум/сигнал", NoiseSignal);

  auto* extra = new QGroupBox("Дополнительно", page);
  NetAddress = spin("NetAddress", 1, 255, 1, extra);
  GetNetAddr = named(new QPushButton("Считать", extra), "GetNetAddr");
  SetNetAddr = named(new QPushButton("Установить", extra), "SetNetAddr");
  FlowIntegrator = spin("FlowIntegrator", 1, 255, 1, extra);
  GetIntegrator = named(new QPushButton("Считать", extra), "GetIntegrator");
  SetIntegrator = named(new QPushButton("Установить", extra), "SetIntegrator");
  Advanced_Info =
      named(new QPushButton("Дополнительно", extra), "Advanced_Info", "Дополнительная информация");
  auto* extraGrid = new QGridLayout(extra);
  auto* netLabel = new QLabel("Сетевой адрес", extra);
  netLabel->setBuddy(NetAddress);
  NetAddress->setAccessibleName("Сетевой адрес");
  auto* integratorLabel = new QLabel("Интегратор расхода", extra);
  integratorLabel->setBuddy(FlowIntegrator);
  FlowIntegrator->setAccessibleName("Интегратор расхода");
  extraGrid->addWidget(netLabel, 0, 0);
  extraGrid->addWidget(NetAddress, 0, 1);
  extraGrid->addWidget(GetNetAddr, 0, 2);
  extraGrid->addWidget(SetNetAddr, 0, 3);
  extraGrid->addWidget(integratorLabel, 1, 0);
  extraGrid->addWidget(FlowIntegrator, 1, 1);
  extraGrid->addWidget(GetIntegrator, 1, 2);
  extraGrid->addWidget(SetIntegrator, 1, 3);
  extraGrid->addWidget(Advanced_Info, 2, 0, 1, 4);

  auto* current = new QGroupBox("Текущие значения", page);
  Expenditure = readOnlyField("Expenditure", current);
  VolumeDir = readOnlyField("VolumeDir", current);
  VolumeRev = readOnlyField("VolumeRev", current);
  WorkTime = readOnlyField("WorkTime", current);
  ClearMeasure = named(new QPushButton("Обнулить текущие значения", current), "ClearMeasure");
  auto* currentForm = new QFormLayout(current);
  addRow(currentForm, "Расход (м3/ч)", Expenditure);
  addRow(currentForm, "Объем V+ (м3)", VolumeDir);
  addRow(currentForm, "Объем V- (м3)", VolumeRev);
  addRow(currentForm, "Время работы", WorkTime);
  currentForm->addRow(ClearMeasure);

  auto* grid = new QGridLayout(page);
  grid->addWidget(system, 0, 0);
  grid->addWidget(pour, 0, 1, 2, 1);
  grid->addWidget(extra, 1, 0);
  grid->addWidget(current, 2, 0, 1, 2);
  grid->setRowStretch(3, 1);
  grid->setColumnStretch(2, 1);
  return page;
}

QWidget* TTDFrame::buildSetupPage() {
  auto* page = new QWidget(this);
  page->setProperty("helpKeyword", "tidemark_setup");
  auto* grid = new QGridLayout(page);
  grid->addWidget(buildOutputsGroup(page), 0, 0);
  grid->addWidget(buildStartStopGroup(page), 1, 0);
  grid->addWidget(buildCoefficientsGroup(page), 0, 1, 2, 1);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(2, 1);
  return page;
}

QWidget* TTDFrame::buildOutputsGroup(QWidget* parent) {
  auto* group = new QGroupBox("Параметры внешних выходов", parent);
  ImpulseWeight = named(new QComboBox(group), "ImpulseWeight");
  ImpulseWeight->setEditable(true);
  ImpulseWeight->addItems({"0.00001", "0.00005", "0.0001", "0.0005", "0.001", "0.005", "0.01",
                           "0.05", "0.1", "0.5", "1"});
  ImpulseWeight->setCurrentIndex(-1);
  ImpulseLen = spin("ImpulseLen", 1, 255, 1, group);
  ImpulseLenLabel = named(new QLabel(group), "ImpulseLenLabel");
  Meandr = named(new QCheckBox("Меандр", group), "Meandr", "Форма сигнала меандр");
  PluginCard = named(new QComboBox(group), "PluginCard", "Тип внешней платы расширения");
  PluginCard->addItems({"RS-485", "Токовый выход"});
  PluginCard->setCurrentIndex(-1);
  ReverseType = named(new QComboBox(group), "ReverseType",
                      "Режим выхода R  для реверсивного исполнения прибора");
  ReverseType->addItems({"Режим 0 (Имп. выход + сигнал обр. направления)",
                         "Режим 1 (Имп. выход + сигнал прям. направления)",
                         "Режим 2 (Имп. выход прям. и обр. направления)"});
  ReverseType->setCurrentIndex(-1);
  NoFilterThereshold =
      named(new QCheckBox("Оптимизировать для дозатора", group), "NoFilterThereshold",
            "Снизить время реакции прибора для оптимизации работы с дозатором");
  ReadImpulseOut = named(new QPushButton("Считать", group), "ReadImpulseOut");
  SetImpulseOut = named(new QPushButton("Установить", group), "SetImpulseOut");

  auto* length = new QHBoxLayout;
  length->addWidget(ImpulseLen);
  length->addWidget(ImpulseLenLabel);
  length->addWidget(Meandr);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ReadImpulseOut);
  buttons->addWidget(SetImpulseOut);
  auto* form = new QFormLayout(group);
  addRow(form, "Цена импульса,  м³", ImpulseWeight);
  auto* lengthLabel = new QLabel("Длительность", group);
  lengthLabel->setBuddy(ImpulseLen);
  ImpulseLen->setAccessibleName("Длительность");
  form->addRow(lengthLabel, length);
  addRow(form, "Внешняя плата", PluginCard);
  addRow(form, "Режим выхода R", ReverseType);
  form->addRow(NoFilterThereshold);
  form->addRow(buttons);
  refreshImpulseLenLabel();
  return group;
}

QWidget* TTDFrame::buildCoefficientsGroup(QWidget* parent) {
  auto* group = new QGroupBox("Коэффициенты", parent);
  CoefficientPages = named(new QTabWidget(group), "CoefficientPages");
  CalibrGrid = makeGrid("CalibrGrid", CoefficientPages);
  ReverseCalibrGrid = makeGrid("ReverseCalibrGrid", CoefficientPages);
  CoefficientPages->addTab(CalibrGrid, "Прямые");
  CoefficientPages->addTab(ReverseCalibrGrid, "Реверсивные");
  CoefficientPages->setTabVisible(1, false);
  ReverseCalibrGrid->setEnabled(false);
  LoLimit = named(new QLineEdit(group), "LoLimit", "Порог чувствительности (gпор)");
  HiLimit = named(new QLineEdit(group), "HiLimit", "Максимальный расход (gmax)");
  ReadCalibr = named(new QPushButton("Считать", group), "ReadCalibr");
  SetCalibr = named(new QPushButton("Установить", group), "SetCalibr");

  auto* limits = new QHBoxLayout;
  auto* limitsLabel = new QLabel("Пороги м3/ч", group);
  limitsLabel->setBuddy(LoLimit);
  limits->addWidget(limitsLabel);
  limits->addWidget(LoLimit);
  limits->addWidget(HiLimit);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ReadCalibr);
  buttons->addWidget(SetCalibr);
  auto* column = new QVBoxLayout(group);
  column->addWidget(CoefficientPages);
  column->addLayout(limits);
  column->addLayout(buttons);
  return group;
}

QWidget* TTDFrame::buildStartStopGroup(QWidget* parent) {
  auto* group = new QGroupBox("Старт-стоп", parent);
  // One button per start-stop signal form, top to bottom, each with the picture of its form; the
  // meter numbers the forms differently (see tdStartStopMode).
  auto* column = new QVBoxLayout(group);
  for (int i = 0; i < kStartStopFormCount; ++i) {
    StartStop[i] = new QRadioButton(QString("Форма %1").arg(i + 1), group);
    StartStop[i]->setObjectName(QString("StartStop%1").arg(i));
    StartStop[i]->setIcon(
        startStopPicture(i, palette().color(QPalette::WindowText), devicePixelRatioF()));
    StartStop[i]->setIconSize(startStopPictureSize());
    StartStop[i]->setToolTip(startStopHint(i));
    StartStop[i]->setAccessibleDescription(startStopHint(i));
    column->addWidget(StartStop[i]);
  }
  StartStop[0]->setChecked(true);
  NoiseCancelStSt = spin("NoiseCancelStSt", 0, 255, 5, group);
  NoiseCancelStSt->setAccessibleName("Антидребезг");
  NoiseStStLabel = named(new QLabel(group), "NoiseStStLabel");
  NoiseStStLabel->setText(QString::fromStdString(tdStepsText(NoiseCancelStSt->value())));
  SetStSt = named(new QPushButton("Установить", group), "SetStSt");
  auto* row = new QHBoxLayout;
  auto* label = new QLabel("Антидребезг", group);
  label->setBuddy(NoiseCancelStSt);
  row->addWidget(label);
  row->addWidget(NoiseCancelStSt);
  row->addWidget(NoiseStStLabel);
  row->addWidget(SetStSt);
  column->addLayout(row);
  return group;
}

void TTDFrame::connectHandlers() {
  const auto onClick = [this](QPushButton* button, auto handler) {
    connect(button, &QPushButton::clicked, this,
            [this, handler] { guarded([this, handler] { handler(this); }); });
  };
  const auto read = [this](TdFunction function) {
    return [function](TTDFrame* f) { f->push(tdReadRequest(f->address(), function)); };
  };
  onClick(OpenPortButton, [](TTDFrame* f) { f->togglePort(); });
  onClick(PortParams, [](TTDFrame* f) { f->editLineSettings(); });
  onClick(ReadParam, read(TF_SYSTEM));
  onClick(ReadImpulseOut, read(TF_OUTPUTS));
  onClick(SetImpulseOut, [](TTDFrame* f) { f->writeOutputs(); });
  onClick(ReadCalibr, [](TTDFrame* f) { f->readCoefficients(); });
  onClick(SetCalibr, [](TTDFrame* f) { f->writeCoefficients(); });
  onClick(GetNetAddr, read(TF_NET_ADDRESS));
  onClick(SetNetAddr, [](TTDFrame* f) {
    f->push(tdWriteNetAddress(f->address(), static_cast<std::uint8_t>(f->NetAddress->value())));
  });
  onClick(GetIntegrator, read(TF_INTEGRATOR));
  onClick(SetIntegrator, [](TTDFrame* f) {
    f->push(tdWriteIntegrator(f->address(), static_cast<std::uint8_t>(f->FlowIntegrator->value())));
  });
  onClick(SetStSt, [](TTDFrame* f) { f->writeStartStop(); });
  onClick(Advanced_Info, read(TF_ADDITIONAL));
  onClick(ClearMeasure, [](TTDFrame* f) { f->push(tdClearCurrent(f->address())); });
  onClick(Bits[TL_POUR], [](TTDFrame* f) { f->toggleLamp(TL_POUR); });
  onClick(Bits[TL_RESET_PULSES], [](TTDFrame* f) { f->toggleLamp(TL_RESET_PULSES); });

  connect(ImpulseLen, &QSpinBox::valueChanged, this, [this] { refreshImpulseLenLabel(); });
  connect(NoiseCancelStSt, &QSpinBox::valueChanged, this, [this](int value) {
    NoiseStStLabel->setText(QString::fromStdString(tdStepsText(value)));
  });
  connect(Meandr, &QCheckBox::clicked, this, [this] { refreshPulseLength(); });
  connect(NoFilterThereshold, &QCheckBox::clicked, this, [this] { refreshPulseLength(); });
  connect(SystemTimer, &QTimer::timeout, this, [this] { guarded([this] { tick(); }); });
}

void TTDFrame::init() {
  worker_.start(
      this, [this](TDx2Thread::QueueItem& item, bool ok) { handleResult(item, ok); },
      [this](int word) { lightIndicator(word); });
  fillPortCombo(*PortSelectBox, false);
  PortSelectBox->setCurrentIndex(rememberedPort(*PortSelectBox, kPortValue));
  showAllItems(PortSelectBox);
  auto* ports = new PortChoice(
      *PortSelectBox, false, [this] { return portOpen(); }, [this] { openPort(); });
  connect(&PortWatcher::instance(), &PortWatcher::portsChanged, ports,
          [this] { showAllItems(PortSelectBox); });
  showAllItems(ImpulseWeight);
  showAllItems(DuCombo);
  SystemTimer->start();
}

// The port selector is locked exactly while the port is open.
bool TTDFrame::portOpen() const { return !PortSelectBox->isEnabled(); }

std::uint8_t TTDFrame::address() const { return TPortSetupForm::instance().address(); }

void TTDFrame::push(const TdRequest& request) {
  const auto flags = tdQueueFlags(request.type, pending_);
  if (!flags) return;
  worker_.push(request.type, request.common, *flags);
  ++pending_;
}

void TTDFrame::togglePort() {
  if (portOpen()) {
    push(tdCloseRequest());
    return;
  }
  openPort();
  rememberPort(*PortSelectBox, kPortValue);
}

void TTDFrame::openPort() {
  const int position = PortSelectBox->currentIndex();
  push(tdOpenRequest(static_cast<std::uint8_t>(position + 1),
                     TPortSetupForm::instance().baudRate()));
  litresPerPulse_ = 0;
  major_ = 0;
}

void TTDFrame::editLineSettings() {
  if (!portOpen()) TPortSetupForm::instance().execCentredOn(this);
}

void TTDFrame::readCoefficients() {
  for (const TdRequest& read : tdCoefficientReads(address(), major_, minor_)) push(read);
}

void TTDFrame::writeCoefficients() {
  const bool direct = CoefficientPages->currentIndex() == 0;
  const TdCoefficients block = readGrid(direct ? CalibrGrid : ReverseCalibrGrid, direct);
  push(tdWriteCoefficients(address(), !direct, block));
}

void TTDFrame::writeOutputs() {
  push(tdWriteOutputs(address(), tdStrictOutputs(outputsFields(), major_, minor_)));  // can throw
}

void TTDFrame::writeStartStop() {
  int radio = 0;
  for (int i = 0; i < 4; ++i) {
    if (StartStop[i]->isChecked()) radio = i;
  }
  push(tdWriteStartStop(address(), tdStartStopMode(radio),
                        static_cast<std::uint8_t>(NoiseCancelStSt->value())));
}

void TTDFrame::toggleLamp(TdLamp lamp) { push(tdToggleLamp(address(), lamp, lamps_[lamp])); }

void TTDFrame::refreshPulseLength() {
  ImpulseLen->setEnabled(!Meandr->isChecked());
  refreshImpulseLenLabel();
}

void TTDFrame::refreshImpulseLenLabel() {
  ImpulseLenLabel->setText(
      Meandr->isChecked() ? QString() : QString::fromStdString(tdStepsText(ImpulseLen->value())));
}

void TTDFrame::tick() {
  if (--statusCountdown_ == 0) {
    statusCountdown_ = kStatusTicks;
    if (portOpen()) push(tdPollCurrent(address(), minor_));
  }
  if (--readingsCountdown_ <= 0) {
    readingsCountdown_ = kReadingsTicks;
    if (portOpen() && Readings->observing()) push(tdReadRequest(address(), TF_READING));
  }
  for (auto [countdown, indicator] :
       {std::pair{&rxCountdown_, RxPanel}, {&txCountdown_, TxPanel}}) {
    if (*countdown != 0 && --*countdown == 0) indicator->setStyleSheet(kIndicatorOff);
  }
}

// Word 0: a reply arrived; 1: a request went out.
void TTDFrame::lightIndicator(int word) {
  QLabel* indicator = word == 0 ? RxPanel : TxPanel;
  (word == 0 ? rxCountdown_ : txCountdown_) = kIndicatorTicks;
  indicator->setStyleSheet(kIndicatorOn);
}

void TTDFrame::handleResult(TDx2Thread::QueueItem& item, bool ok) {
  --pending_;
  switch (item.type) {
    case TD_OPEN:
      if (!ok) {
        logMessage(QString::fromStdString(item.message));
        break;
      }
      OpenPortButton->setText("Закрыть");
      PortSelectBox->setEnabled(false);
      for (const TdRequest& read : tdOpeningReads(address(), major_, minor_)) push(read);
      break;
    case TD_CLOSE:
      if (!ok) {
        logMessage(QString::fromStdString(item.message));
        break;
      }
      OpenPortButton->setText("Открыть");
      PortSelectBox->setEnabled(true);
      break;
    case TD_EXCHANGE:
    case TD_POLL: {
      if (!ok) {
        if (item.type == TD_EXCHANGE) logMessage(QString::fromStdString(item.message));
        break;
      }
      const TdReply reply = tdDecodeReply(item.data);
      // The polls run unattended: what they meet is not worth a console line.
      if (item.type == TD_EXCHANGE) {
        for (const std::string& message : reply.messages)
          logMessage(QString::fromStdString(message));
        if (reply.damaged) logMessage(comprt::messages[comprt::msgChecksumError]);
        if (item.data.check) logMessage(QString::fromStdString(writeCheckLine(*item.data.check)));
      }
      showReply(reply);
      if (item.type == TD_EXCHANGE) reportExchange(reply, item.data);
      break;
    }
    default:
      break;
  }
}

// Reads of the meter's settings and every write that was read back are the panel's exchanges;
// the other replies only show the meter's state.
void TTDFrame::reportExchange(const TdReply& reply, const TDx2Common& data) {
  if (data.check) {
    exchangeCompleted(DeviceExchange::write, &*data.check);
  } else if (std::holds_alternative<TdSystemParameters>(reply.value) ||
             std::holds_alternative<TdCoefficientsRead>(reply.value) ||
             std::holds_alternative<TdOutputs>(reply.value)) {
    exchangeCompleted(DeviceExchange::read);
  }
}

void TTDFrame::showReply(const TdReply& reply) {
  std::visit(
      [this](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, TdSystemParameters>) {
          showSystem(value);
        } else if constexpr (std::is_same_v<T, TdCoefficientsRead>) {
          showGrid(value.reverse ? ReverseCalibrGrid : CalibrGrid, value.block, !value.reverse);
        } else if constexpr (std::is_same_v<T, TdOutputs>) {
          setOutputs(value);
        } else if constexpr (std::is_same_v<T, TdStatusByte>) {
          showStatus(value.status);
        } else if constexpr (std::is_same_v<T, TdNetAddress>) {
          NetAddress->setValue(value.value);
        } else if constexpr (std::is_same_v<T, TdIntegrator>) {
          FlowIntegrator->setValue(value.value);
        } else if constexpr (std::is_same_v<T, TdCurrentValues>) {
          showCurrent(value);
        } else if constexpr (std::is_same_v<T, TdReading>) {
          showStatus(value.status);
          Readings->addReading(value.code);
        }
      },
      reply.value);
}

void TTDFrame::showSystem(const TdSystemParameters& p) {
  // The version is unknown after opening until this reply; a meter that keeps a reverse table
  // then gets it read too, since the reads queued on opening could not know to ask for it.
  const bool firstSinceOpening = major_ == 0;
  major_ = p.major;
  minor_ = p.minor;
  Serial->setText(QString::fromStdString(
      formatSerialNumber(static_cast<int32_t>(p.serial), tdDuCode(p.diameterIndex))));
  DuCombo->setCurrentIndex(p.diameterIndex < DuCombo->count() ? p.diameterIndex : -1);
  Version->setText(QString::fromStdString(tdVersionText(p.major, p.minor)));
  const TdVersionTraits traits = tdVersionTraits(p.major, p.minor);
  NoFilterThereshold->setEnabled(traits.batcherFlag);
  CoefficientPages->setTabVisible(1, false);
  ReverseCalibrGrid->setEnabled(false);
  ReverseType->setEnabled(traits.reverseOutputs);
  if (!traits.reverseOutputs) ReverseType->setCurrentIndex(-1);
  if (traits.reverseCoefficients) {
    CoefficientPages->setTabVisible(1, true);
    ReverseCalibrGrid->setEnabled(true);
    if (firstSinceOpening) push(tdReadRequest(address(), TF_REVERSE_COEFFICIENTS));
  }
}

void TTDFrame::showCurrent(const TdCurrentValues& values) {
  const TdCurrentView view = tdCurrentView(values, meander_, litresPerPulse_);
  showStatus(values.status);
  const std::pair<QLineEdit*, const std::string*> fields[] = {
      {Integrator, &view.integrator},    {NMeasure, &view.measureCount},
      {MiddleCode, &view.middleCode},    {MiddleNoise, &view.middleNoise},
      {NoiseSignal, &view.noiseSignal},  {WorkTime, &view.workTime},
      {VolumeDir, &view.volumeDir},      {VolumeRev, &view.volumeRev},
      {ImpulseVolume, &view.pulseCount}, {Volume, &view.volume},
      {Expenditure, &view.flow}};
  for (const auto& [edit, text] : fields) edit->setText(QString::fromStdString(*text));
  if (view.average) lastAverage_ = *view.average;
  lastPulses_ = view.pulses;
}

void TTDFrame::showStatus(std::uint8_t status) {
  lamps_ = tdStatusLamps(status);
  for (int i = 0; i < 6; ++i) {
    Bits[i]->setStyleSheet(lamps_[i] ? QString("background-color: %1;").arg(kLamps[i].colour)
                                     : QString());
  }
}

void TTDFrame::setOutputs(const TdOutputs& outputs) {
  const TdOutputsView view = tdOutputsView(outputs, major_);
  ImpulseLen->setValue(view.pulseLength);
  ImpulseLen->setEnabled(!view.meander);
  Meandr->setChecked(view.meander);
  meander_ = view.meander;
  litresPerPulse_ = view.litresPerPulse;
  PluginCard->setCurrentIndex(view.cardPosition);
  NoFilterThereshold->setChecked(view.noFilter);
  ReverseType->setCurrentIndex(view.reversePosition);
  ImpulseWeight->setEditText(QString::fromStdString(view.weightText));
  refreshImpulseLenLabel();
}

TdPanelValues TTDFrame::values() const {
  TdPanelValues values;
  values.serialText = Serial->text().toStdString();
  values.duPosition = DuCombo->currentIndex();
  values.outputs = outputsFields();
  values.gporText = LoLimit->text().toStdString();
  values.gmaxText = HiLimit->text().toStdString();
  values.major = major_;
  values.minor = minor_;
  return values;
}

void TTDFrame::setIdentity(const std::string& serialText, int duPosition) {
  Serial->setText(QString::fromStdString(serialText));
  DuCombo->setCurrentIndex(duPosition);
}

TdOutputsFields TTDFrame::outputsFields() const {
  TdOutputsFields fields;
  fields.weightText = ImpulseWeight->currentText().toStdString();
  fields.meander = Meandr->isChecked();
  fields.pulseLength = ImpulseLen->value();
  fields.cardPosition = PluginCard->currentIndex();
  fields.noFilter = NoFilterThereshold->isChecked();
  fields.reversePosition = ReverseType->currentIndex();
  return fields;
}

void TTDFrame::showGrid(QTableWidget* grid, const TdCoefficients& block, bool direct) {
  const TdGridText text = tdGridText(block);  // can throw
  {
    // The view still hears every cell; only the fitting waits for the whole table.
    const QSignalBlocker quiet(grid);
    for (int row = 0; row < kGridRows; ++row) {
      setCellText(grid, row, GC_CODE, text.code[row]);
      setCellText(grid, row, GC_A, text.a[row]);
      setCellText(grid, row, GC_B, text.b[row]);
    }
  }
  fitGridColumns(grid);
  if (direct) {
    LoLimit->setText(QString::fromStdString(text.lo));
    HiLimit->setText(QString::fromStdString(text.hi));
  }
}

TdCoefficients TTDFrame::readGrid(QTableWidget* grid, bool direct) {
  TdGridText text;
  for (int row = 0; row < kGridRows; ++row) {
    text.code[row] = cellText(grid, row, GC_CODE).toStdString();
    text.a[row] = cellText(grid, row, GC_A).toStdString();
    text.b[row] = cellText(grid, row, GC_B).toStdString();
  }
  if (direct) {
    text.lo = LoLimit->text().toStdString();
    text.hi = HiLimit->text().toStdString();
  }
  const TdGridBlock read = tdReadGrid(text, direct);
  if (read.corrected) showGrid(grid, read.block, direct);
  return read.block;
}

TdCoefficients TTDFrame::readDirectGrid() { return readGrid(CalibrGrid, true); }
void TTDFrame::setDirectGrid(const TdCoefficients& block) { showGrid(CalibrGrid, block, true); }

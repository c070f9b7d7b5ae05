#include "ui/devices/zorb/zorbframe.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>
#include <string_view>

#include "core/document/devicebase.h"
#include "ui/base/messagelog.h"
#include "ui/devices/exchangemonitor.h"
#include "ui/widgets/buddylabel.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/intedit.h"

namespace {

constexpr char kPortValue[] = "ZorbComPort";

// 7 decimals; A from 0 to 36, B from -36 to 36.
void setUpCoefficientEdit(TFloatEdit* edit, double min, double value) {
  edit->SetDigits(7);
  edit->SetMax(36);
  edit->SetMin(min);
  edit->SetValue(value);
}

}  // namespace

TZorbFrame::TZorbFrame(QWidget* parent) : QFrame(parent) {
  setObjectName("ZorbFrame");
  setProperty("helpKeyword", "zorb_main");
  buildControls();
  busy_.setControls({cbPort, bnRead, bnWrite});
  connectHandlers();
}

TZorbFrame::~TZorbFrame() {
  rememberPort(*cbPort, kPortValue);
  worker_.stop();
}

void TZorbFrame::buildControls() {
  cbPort = new QComboBox(this);
  edDevNum = new TIntEdit(this);
  cbOutType = new QComboBox(this);
  cbDu = new QComboBox(this);
  edA = new TFloatEdit(this);
  edB = new TFloatEdit(this);
  bnRead = new QPushButton("Считать", this);
  bnWrite = new QPushButton("Записать", this);

  cbPort->setObjectName("cbPort");
  cbPort->setAccessibleName("Com-порт");
  edDevNum->setObjectName("edDevNum");
  edDevNum->setAccessibleName("Заводской №");
  edDevNum->SetMax(std::numeric_limits<int>::max());
  cbOutType->setObjectName("cbOutType");
  cbOutType->setAccessibleName("Цена импульса, м3");
  cbDu->setObjectName("cbDu");
  cbDu->setAccessibleName("Ду");
  for (int position = 0; position < kZorbDuCount; ++position) {
    const std::string_view du = DuText(zorbDuCode(position));
    cbDu->addItem(QString::fromUtf8(du.data(), qsizetype(du.size())));
  }
  cbDu->setCurrentIndex(0);
  edA->setObjectName("edA");
  edA->setAccessibleName("Коэффициент A");
  setUpCoefficientEdit(edA, 0, 0.12);
  edB->setObjectName("edB");
  edB->setAccessibleName("Коэффициент B");
  setUpCoefficientEdit(edB, -36, 0);
  bnRead->setObjectName("bnRead");
  bnWrite->setObjectName("bnWrite");

  auto* top = new QFormLayout;
  auto* portRow = new QHBoxLayout;
  portRow->addWidget(cbPort, 1);
  portRow->addWidget(exchangeMonitorButton(this));
  top->addRow(labelFor("Com-порт:", cbPort, this), portRow);
  top->addRow(labelFor("Заводской №:", edDevNum, this), edDevNum);
  lbOutType = labelFor("Цена импульса, м3:", cbOutType, this);
  lbOutType->setObjectName("lbOutType");
  top->addRow(lbOutType, cbOutType);

  auto* group = new QGroupBox("Параметры ЗОРБ-Т(И)", this);
  auto* params = new QFormLayout(group);
  params->addRow(labelFor("Ду:", cbDu, group), cbDu);
  params->addRow(labelFor("Коэффициент A:", edA, group), edA);
  params->addRow(labelFor("Коэффициент B:", edB, group), edB);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bnRead);
  buttons->addWidget(bnWrite);
  buttons->addStretch();

  auto* column = new QVBoxLayout;
  column->addLayout(top);
  column->addWidget(group);
  column->addLayout(buttons);
  column->addStretch();
  auto* page = new QHBoxLayout(this);
  page->addLayout(column);
  page->addStretch();
}

// Only what the user does runs a handler; the panel's own selections do not.
void TZorbFrame::connectHandlers() {
  connect(cbPort, &QComboBox::activated, this, [this] { guarded([this] { cbPortChange(); }); });
  connect(cbDu, &QComboBox::activated, this, [this] { guarded([this] { cbDuChange(); }); });
  connect(bnRead, &QPushButton::clicked, this, [this] { guarded([this] { bnReadClick(); }); });
  connect(bnWrite, &QPushButton::clicked, this, [this] { guarded([this] { bnWriteClick(); }); });
}

void TZorbFrame::init(int model) {
  model_ = model;
  worker_.start(this, [this](ZorbThread::QueueItem& item, bool ok) { ZorbResult(item, ok); });
  fillPortCombo(*cbPort, true);
  cbPort->setCurrentIndex(0);
  cbPort->setCurrentIndex(rememberedPort(*cbPort, kPortValue));
  guarded([this] { cbPortChange(); });
  new PortChoice(*cbPort, [this] { cbPortChange(); });
  updateButtons();
  cbDuChange();
  cbOutType->setCurrentIndex(0);
}

ZorbPanelValues TZorbFrame::values() const {
  ZorbPanelValues v;
  v.portPosition = cbPort->currentIndex();
  v.serial = edDevNum->GetValue();
  v.duPosition = cbDu->currentIndex();
  v.weightPosition = cbOutType->currentIndex();
  v.A = edA->GetValue();
  v.B = edB->GetValue();
  return v;
}

void TZorbFrame::setCoefficients(double a, double b) {
  edA->SetValue(a);
  edB->SetValue(b);
}

void TZorbFrame::setIdentity(int32_t serial, int duCode) {
  edDevNum->SetValue(serial);
  cbDu->setCurrentIndex(zorbDuPosition(duCode));
  cbDuChange();
}

void TZorbFrame::setWeightPosition(int position) { cbOutType->setCurrentIndex(position); }

void TZorbFrame::push(const ZorbRequest& request) { worker_.push(request.type, request.data); }

void TZorbFrame::cbPortChange() { push(zorbOpenCommand(cbPort->currentIndex())); }

void TZorbFrame::bnWriteClick() { push(zorbWriteCommand(values())); }

void TZorbFrame::bnReadClick() { push(zorbReadCommand(values())); }

// The three weights of every Ду group sit at the same positions, so the chosen position is kept.
void TZorbFrame::cbDuChange() {
  const int position = cbOutType->currentIndex();
  cbOutType->clear();
  const auto duCode = static_cast<std::uint8_t>(zorbDuCode(cbDu->currentIndex()));
  for (const char* weight : zorbPulseWeights(duCode)) cbOutType->addItem(weight);
  cbOutType->setCurrentIndex(position);
}

void TZorbFrame::ZorbResult(ZorbThread::QueueItem& item, bool ok) {
  const ZorbOutcome outcome =
      zorbOutcome(static_cast<ZorbCommand>(item.type), item.data, ok, item.message);
  if (outcome.portPosition) {
    cbPort->setCurrentIndex(*outcome.portPosition);
    cbPort->setFocus(Qt::OtherFocusReason);
  }
  if (outcome.text) logMessage(QString::fromStdString(*outcome.text));
  if (outcome.checkText) logMessage(QString::fromStdString(*outcome.checkText));
  if (outcome.shown) setCoefficients(outcome.shown->A, outcome.shown->B);
  updateButtons();
  if (ok && item.type == ZORB_READ) exchangeCompleted(DeviceExchange::read);
  if (ok && item.type == ZORB_WRITE)
    exchangeCompleted(DeviceExchange::write, item.data.check ? &*item.data.check : nullptr);
}

void TZorbFrame::updateButtons() {
  const ZorbControlState state = zorbControlState(model_, cbPort->currentIndex(), busy_.isBusy());
  bnRead->setEnabled(state.exchange);
  bnWrite->setEnabled(state.exchange);
  lbOutType->setVisible(state.showWeight);
  cbOutType->setVisible(state.showWeight);
}

#include "ui/devices/zorb/zorbframe.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

#include "core/devices/zorb/zorbmodels.h"
#include "core/document/devicebase.h"
#include "ui/base/messagelog.h"
#include "ui/widgets/buddylabel.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/intedit.h"

namespace {

// The ZORB Ду list starts at Ду 25, whose diameter code is 2.
constexpr int kFirstDuCode = 2;
constexpr int kLastDuCode = 11;
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
  bnRead = new QPushButton("C\u0447\u0438\u0442\u0430\u0442\u044c", this);  // "Cчитать", Latin C
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
  for (int code = kFirstDuCode; code <= kLastDuCode; ++code)
    cbDu->addItem(QString::fromUtf8(DuText(code).data(), qsizetype(DuText(code).size())));
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
  top->addRow(labelFor("Com-порт:", cbPort, this), cbPort);
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
  updateButtons();
  cbDuChange();
  cbOutType->setCurrentIndex(0);
}

std::uint8_t TZorbFrame::duCode() const {
  return static_cast<std::uint8_t>(cbDu->currentIndex() + kFirstDuCode);
}

void TZorbFrame::setDuCode(int code) {
  const int position = code - kFirstDuCode;
  cbDu->setCurrentIndex(position >= 0 && position < cbDu->count() ? position : -1);
  cbDuChange();
}

void TZorbFrame::cbPortChange() {
  ZorbCommon data;
  data.port = static_cast<std::uint8_t>(cbPort->currentIndex());
  worker_.push(ZORB_OPEN, data);
}

void TZorbFrame::bnWriteClick() {
  ZorbCommon data;
  data.A = edA->GetValue();
  data.B = edB->GetValue();
  data.Du = duCode();
  worker_.push(ZORB_WRITE, data);
}

void TZorbFrame::bnReadClick() {
  ZorbCommon data;
  data.Du = duCode();
  worker_.push(ZORB_READ, data);
}

// The three weights of every Ду group sit at the same positions, so the chosen position is kept.
void TZorbFrame::cbDuChange() {
  const int position = cbOutType->currentIndex();
  cbOutType->clear();
  for (const char* weight : zorbPulseWeights(duCode())) cbOutType->addItem(weight);
  cbOutType->setCurrentIndex(position);
}

void TZorbFrame::ZorbResult(ZorbThread::QueueItem& item, bool ok) {
  switch (item.type) {
    case ZORB_OPEN:
      // A port that did not open is only deselected; the user sees it in the selector.
      cbPort->setCurrentIndex(ok ? item.data.port : 0);
      cbPort->setFocus(Qt::OtherFocusReason);
      break;
    case ZORB_WRITE:
      logMessage(ok ? QString("Параметры записаны") : QString::fromStdString(item.message));
      break;
    case ZORB_READ:
      if (ok) {
        logMessage("Параметры считаны");
        edA->SetValue(item.data.A);
        edB->SetValue(item.data.B);
      } else {
        logMessage(QString::fromStdString(item.message));
      }
      break;
    default:
      break;
  }
  updateButtons();
}

void TZorbFrame::updateButtons() {
  const bool pulseOutput = zorbHasPulseOutput(model_);
  const bool canExchange = pulseOutput && cbPort->currentIndex() > 0 && !busy_.isBusy();
  bnRead->setEnabled(canExchange);
  bnWrite->setEnabled(canExchange);
  lbOutType->setVisible(pulseOutput);
  cbOutType->setVisible(pulseOutput);
}

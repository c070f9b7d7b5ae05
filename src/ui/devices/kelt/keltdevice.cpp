#include "ui/devices/kelt/keltdevice.h"

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <cstring>

#include "core/devices/kelt/keltmodels.h"
#include "ui/base/messagelog.h"
#include "ui/widgets/discombobox.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/intedit.h"

Kelt::Kelt(int model, QWidget* parent, std::chrono::milliseconds busyPause)
    : PanelDevice(new TKeltFrame(parent, busyPause)) {
  panel_->init(model);
}

uint8_t Kelt::typeCode() const { return static_cast<uint8_t>(kFirstKeltCode + panel_->model()); }

void Kelt::readLines(std::vector<files::Line>& lines) {
  double A[5], B[5], F[4];
  panel_->characteristic(A, B, F);
  lines = keltReadLines(A, B, F, panel_->model());
}

// Values the device cannot hold are reported but still shown, where the edits limit them.
void Kelt::writeLines(const std::vector<files::Line>& lines) {
  const KeltLineEdits edits = keltWriteLines(lines, panel_->model());
  for (const std::string& warning : edits.warnings) logMessage(QString::fromStdString(warning));
  panel_->setCharacteristic(edits.A, edits.B, edits.F);
}

void Kelt::getIdentity(DeviceIdentity& identity) {
  identity.serialNumber = keltSerialFromText(panel_->edDevNum->text().trimmed().toStdString());
  identity.duCode = static_cast<uint8_t>(panel_->cbDu->currentIndex() + 1);
}

void Kelt::setIdentity(const DeviceIdentity& identity) {
  panel_->edDevNum->setText(
      QString::fromStdString(formatSerialNumber(identity.serialNumber, identity.duCode)));
  panel_->cbDu->setCurrentIndex(keltDuPosition(identity.duCode));
  panel_->cbDuChange();
}

uint32_t Kelt::getParameters(uint8_t* buffer) {
  if (buffer) {
    KeltDocParameters p;
    p.outputPosition = panel_->cbOutType->currentIndex();
    p.weightPosition = panel_->cbWeight->GetItemIndex();
    p.n = panel_->edN->GetValue();
    p.pulseDuration = panel_->edTauOut->GetValue();
    p.offset = panel_->edOffset->GetValue();
    std::memcpy(buffer, &p, sizeof p);
  }
  return kParameterSize;
}

bool Kelt::setParameters(const uint8_t* data, uint32_t length) {
  const auto p = keltReadDocParameters(data, length, panel_->model());
  if (!p) return false;
  panel_->cbOutType->setCurrentIndex(p->outputPosition);
  panel_->cbOutTypeChange();
  panel_->cbWeight->SetItemIndex(p->weightPosition);
  panel_->edN->SetValue(p->n);
  panel_->edTauOut->SetValue(p->pulseDuration);
  panel_->edOffset->SetValue(p->offset);
  return true;
}

std::string Kelt::name() const { return keltModel(panel_->model()).name; }

// The selected weight also while a frequency output disables (and blanks) the selector.
double Kelt::pulseWeight() const {
  const TDisComboBox* weights = panel_->cbWeight;
  return keltPulseWeightValue(weights->itemText(weights->GetItemIndex()).toStdString());
}

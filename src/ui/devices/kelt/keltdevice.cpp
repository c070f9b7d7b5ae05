#include "ui/devices/kelt/keltdevice.h"

#include <cstring>

#include "core/devices/devicetypes.h"
#include "core/devices/kelt/keltmodels.h"
#include "ui/base/messagelog.h"

Kelt::Kelt(int model, QWidget* parent, std::chrono::milliseconds busyPause)
    : PanelDevice(new TKeltFrame(parent, busyPause)) {
  panel_->init(model);
}

uint8_t Kelt::typeCode() const { return deviceTypeCode(dfKelt, panel_->model()); }

void Kelt::readLines(std::vector<files::Line>& lines) {
  const KeltPanelValues v = panel_->values();
  lines = keltReadLines(v.A, v.B, v.F, panel_->model());
}

// Values the device cannot hold are reported but still shown, where the edits limit them.
void Kelt::writeLines(const std::vector<files::Line>& lines) {
  const KeltLineEdits edits = keltWriteLines(lines, panel_->model());
  for (const std::string& warning : edits.warnings) logMessage(QString::fromStdString(warning));
  panel_->setCharacteristic(edits.A, edits.B, edits.F);
}

void Kelt::getIdentity(DeviceIdentity& identity) {
  const KeltPanelValues v = panel_->values();
  identity.serialNumber = keltSerialFromText(v.serialText);
  identity.duCode = static_cast<uint8_t>(v.duPosition + 1);
}

void Kelt::setIdentity(const DeviceIdentity& identity) {
  panel_->setIdentity({formatSerialNumber(identity.serialNumber, identity.duCode),
                       keltDuPosition(identity.duCode)});
}

uint32_t Kelt::getParameters(uint8_t* buffer) {
  if (buffer) {
    const KeltPanelValues v = panel_->values();
    KeltDocParameters p;
    p.outputPosition = v.outputPosition;
    p.weightPosition = v.weightPosition;
    p.n = v.n;
    p.pulseDuration = v.pulseDuration;
    p.offset = v.offset;
    std::memcpy(buffer, &p, sizeof p);
  }
  return kParameterSize;
}

bool Kelt::setParameters(const uint8_t* data, uint32_t length) {
  const auto p = keltReadDocParameters(data, length, panel_->model());
  if (!p) return false;
  panel_->setOutputSettings(
      {p->outputPosition, p->weightPosition, p->n, p->pulseDuration, p->offset});
  return true;
}

std::string Kelt::name() const { return keltModel(panel_->model()).name; }

// The selected weight also while a frequency output disables (and blanks) the selector.
double Kelt::pulseWeight() const { return keltPulseWeightValue(panel_->values().weightText); }

#include "ui/devices/zorb/zorbdevice.h"

#include <algorithm>
#include <utility>

#include "core/devices/devicetypes.h"
#include "core/devices/zorb/zorbmodels.h"
#include "ui/base/messagelog.h"

Zorb::Zorb(int model, QWidget* parent) : PanelDevice(new TZorbFrame(parent)) {
  panel_->init(model);
}

uint8_t Zorb::typeCode() const { return deviceTypeCode(dfZorb, panel_->model()); }

void Zorb::readLines(std::vector<files::Line>& lines) {
  const ZorbPanelValues v = panel_->values();
  lines = zorbReadLines(std::move(lines), v.A, v.B);
}

// Values out of the transducer's range are reported but still shown, where the edits limit them.
void Zorb::writeLines(const std::vector<files::Line>& lines) {
  const ZorbLineEdits edits = zorbWriteLines(lines);
  for (const std::string& warning : edits.warnings) logMessage(QString::fromStdString(warning));
  if (edits.values) panel_->setCoefficients(edits.values->A, edits.values->B);
}

void Zorb::getIdentity(DeviceIdentity& identity) {
  const ZorbPanelValues v = panel_->values();
  identity.serialNumber = v.serial;
  identity.duCode = static_cast<uint8_t>(zorbDuCode(v.duPosition));
}

void Zorb::setIdentity(const DeviceIdentity& identity) {
  panel_->setIdentity(identity.serialNumber, identity.duCode);
}

uint32_t Zorb::getParameters(uint8_t* buffer) {
  if (buffer) {
    const auto block = zorbDocBlock(panel_->values().weightPosition);
    std::copy(block.begin(), block.end(), buffer);
  }
  return kParameterSize;
}

bool Zorb::setParameters(const uint8_t* data, uint32_t length) {
  const auto position = zorbWeightPositionOf(data, length);
  if (!position) return false;
  panel_->setWeightPosition(*position);
  return true;
}

std::string Zorb::name() const { return zorbModel(panel_->model()).name; }

double Zorb::pulseWeight() const { return zorbPulseWeight(panel_->values()); }

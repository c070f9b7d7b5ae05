#include "ui/devices/td/tddevice.h"

#include <cstring>

#include "core/devices/td/tddocblock.h"
#include "core/devices/td/tdpanelmodel.h"
#include "ui/base/messagelog.h"

TDx2::TDx2(QWidget* parent) : PanelDevice(new TTDFrame(parent)) { panel_->init(); }

uint8_t TDx2::typeCode() const { return kTdCode; }

void TDx2::readLines(std::vector<files::Line>& lines) {
  lines = tdLinesOfTable(panel_->readDirectGrid());
}

// More lines than the meter holds change nothing; the warning says why.
void TDx2::writeLines(const std::vector<files::Line>& lines) {
  const TdTableLines result = tdTableWithLines(panel_->readDirectGrid(), lines);
  for (const std::string& warning : result.warnings) logMessage(QString::fromStdString(warning));
  if (result.table) panel_->setDirectGrid(*result.table);
}

void TDx2::getIdentity(DeviceIdentity& identity) {
  const TdPanelValues values = panel_->values();
  identity.serialNumber = tdSerialOfText(values.serialText);
  identity.duCode = static_cast<uint8_t>(tdDuCode(values.duPosition));
}

void TDx2::setIdentity(const DeviceIdentity& identity) {
  panel_->setIdentity(formatSerialNumber(identity.serialNumber, identity.duCode),
                      tdDuPosition(identity.duCode));
}

uint32_t TDx2::getParameters(uint8_t* buffer) {
  if (buffer) {
    const TdPanelValues values = panel_->values();
    const TdOutputs outputs = tdLenientOutputs(values.outputs, values.major, values.minor);
    const auto block =
        tdEncodeParameters(tdParametersOf(outputs, values.gmaxText, values.gporText));
    std::memcpy(buffer, block.data(), block.size());
  }
  return kTdParametersSize;
}

bool TDx2::setParameters(const uint8_t* data, uint32_t length) {
  if (!data) return false;
  const auto parameters = tdDecodeParameters(std::span<const uint8_t>(data, length));
  if (!parameters) return false;
  panel_->setOutputs(tdOutputsOf(*parameters));
  TdCoefficients table = panel_->readDirectGrid();
  table.gmax = parameters->gmax;
  table.gpor = parameters->gpor;
  panel_->setDirectGrid(table);
  return true;
}

std::string TDx2::name() const {
  const TdPanelValues values = panel_->values();
  return tdDeviceName(values.major, tdNumberOrZero(values.gporText), values.duPosition);
}

double TDx2::pulseWeight() const { return tdNumberOrZero(panel_->values().outputs.weightText); }

std::optional<bool> TDx2::portOpen() const { return panel()->portOpen(); }

std::optional<DeviceReading> TDx2::lastReading() const {
  return DeviceReading{panel_->lastAverageCode(), panel_->lastPulseCount()};
}

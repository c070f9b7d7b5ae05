#include "ui/devices/td/tddevice.h"

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
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
  if (result.table) panel_->showDirectGrid(*result.table);
}

void TDx2::getIdentity(DeviceIdentity& identity) {
  identity.serialNumber = tdSerialOfText(panel_->Serial->text().toStdString());
  identity.duCode = static_cast<uint8_t>(tdDuCode(panel_->DuCombo->currentIndex()));
}

void TDx2::setIdentity(const DeviceIdentity& identity) {
  panel_->Serial->setText(
      QString::fromStdString(formatSerialNumber(identity.serialNumber, identity.duCode)));
  panel_->DuCombo->setCurrentIndex(tdDuPosition(identity.duCode));
}

uint32_t TDx2::getParameters(uint8_t* buffer) {
  if (buffer) {
    const TdOutputs outputs =
        tdLenientOutputs(panel_->outputsFields(), panel_->versionMajor(), panel_->versionMinor());
    const auto block = tdEncodeParameters(tdParametersOf(
        outputs, panel_->HiLimit->text().toStdString(), panel_->LoLimit->text().toStdString()));
    std::memcpy(buffer, block.data(), block.size());
  }
  return kTdParametersSize;
}

bool TDx2::setParameters(const uint8_t* data, uint32_t length) {
  if (!data) return false;
  const auto parameters = tdDecodeParameters(std::span<const uint8_t>(data, length));
  if (!parameters) return false;
  panel_->showOutputs(tdOutputsOf(*parameters));
  TdCoefficients table = panel_->readDirectGrid();
  table.gmax = parameters->gmax;
  table.gpor = parameters->gpor;
  panel_->showDirectGrid(table);
  return true;
}

std::string TDx2::name() const {
  return tdDeviceName(panel_->versionMajor(), tdNumberOrZero(panel_->LoLimit->text().toStdString()),
                      panel_->DuCombo->currentIndex());
}

double TDx2::pulseWeight() const {
  return tdNumberOrZero(panel_->ImpulseWeight->currentText().toStdString());
}

std::optional<DeviceReading> TDx2::lastReading() const {
  return DeviceReading{panel_->lastAverageCode(), panel_->lastPulseCount()};
}

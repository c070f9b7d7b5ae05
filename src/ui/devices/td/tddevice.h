#pragma once
// The device of a TD document (type code 0): what the document, the file and the approximation
// read from and write to the TD panel. The parameter block is TdParameters (14 bytes).

#include <cstdint>

#include "ui/devices/paneldevice.h"
#include "ui/devices/td/tdframe.h"

class TDx2 : public PanelDevice<TTDFrame> {
 public:
  // Creates the panel as a child of `parent` (in its layout, when it has one) and initialises it.
  explicit TDx2(QWidget* parent);

  uint8_t typeCode() const override;
  void readLines(std::vector<files::Line>& lines) override;
  void writeLines(const std::vector<files::Line>& lines) override;
  void getIdentity(DeviceIdentity& identity) override;
  void setIdentity(const DeviceIdentity& identity) override;
  uint32_t getParameters(uint8_t* buffer) override;
  bool setParameters(const uint8_t* data, uint32_t length) override;
  std::string name() const override;
  double pulseWeight() const override;

  // The meter's last average signal code and output pulse count (halved for a meander), both
  // from the current-values polls; 0 until the first one.
  std::optional<DeviceReading> lastReading() const override;
  std::optional<bool> portOpen() const override;
};

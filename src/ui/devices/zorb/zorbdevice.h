#pragma once
// The device of a ZORB document (type codes 1..17): what the document, the file and the
// approximation read from and write to the ZORB panel. The parameter block is laid out in
// core/devices/zorb/zorbdocblock.h.

#include "core/devices/zorb/zorbdocblock.h"
#include "ui/devices/paneldevice.h"
#include "ui/devices/zorb/zorbframe.h"

class Zorb : public PanelDevice<TZorbFrame> {
 public:
  static constexpr uint32_t kParameterSize = kZorbParameterSize;

  // Creates the panel as a child of `parent` (in its layout, when it has one) for the model
  // index 0..16 and initialises it.
  Zorb(int model, QWidget* parent);

  uint8_t typeCode() const override;
  void readLines(std::vector<files::Line>& lines) override;
  void writeLines(const std::vector<files::Line>& lines) override;
  void getIdentity(DeviceIdentity& identity) override;
  void setIdentity(const DeviceIdentity& identity) override;
  uint32_t getParameters(uint8_t* buffer) override;
  bool setParameters(const uint8_t* data, uint32_t length) override;
  std::string name() const override;
  double pulseWeight() const override;
};

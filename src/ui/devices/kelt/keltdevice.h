#pragma once
// The device of a KELT document (type codes 18..35): what the document, the file and the
// approximation read from and write to the KELT panel, which holds all of the device's data.

#include <chrono>

#include "core/devices/kelt/keltdocblock.h"
#include "ui/devices/kelt/keltframe.h"
#include "ui/devices/paneldevice.h"

class Kelt : public PanelDevice<TKeltFrame> {
 public:
  static constexpr uint32_t kParameterSize = sizeof(KeltDocParameters);

  // Creates the panel as a child of `parent` (in its layout, when it has one) for the model
  // index 0..17 and initialises it. busyPause: see TKeltFrame.
  Kelt(int model, QWidget* parent, std::chrono::milliseconds busyPause = kKeltBusyPause);

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

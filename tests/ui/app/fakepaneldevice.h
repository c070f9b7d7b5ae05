#pragma once
// A device for main-window tests: a label as its panel, lines, identity and a 4-byte parameter
// block kept in memory, and counters of what the window asked of it.

#include <QLabel>
#include <QLayout>
#include <cstring>

#include "core/devices/devicetypes.h"

class FakePanelDevice : public DeviceBase {
 public:
  FakePanelDevice(int typeCode, QWidget* parent)
      : code_(static_cast<uint8_t>(typeCode)), panel(new QLabel("Панель прибора", parent)) {
    parent->layout()->addWidget(panel);
  }
  ~FakePanelDevice() override { delete panel; }

  uint8_t typeCode() const override { return code_; }
  void readLines(std::vector<files::Line>& out) override {
    out = lines;
    ++readLinesCount;
  }
  void writeLines(const std::vector<files::Line>& in) override {
    lines = in;
    ++writeLinesCount;
  }
  void getIdentity(DeviceIdentity& out) override { out = identity; }
  void setIdentity(const DeviceIdentity& in) override { identity = in; }
  uint32_t getParameters(uint8_t* buffer) override {
    if (buffer) std::memcpy(buffer, parameters, sizeof parameters);
    return sizeof parameters;
  }
  bool setParameters(const uint8_t* data, uint32_t length) override {
    if (length < sizeof parameters) return false;
    std::memcpy(parameters, data, sizeof parameters);
    return true;
  }
  std::string name() const override {
    const DeviceTypeInfo* type = deviceType(code_);
    return type && type->name ? type->name : "Тайдмарк";
  }
  double pulseWeight() const override { return weight; }
  void showPanel(bool show) override { panel->setVisible(show); }

  std::vector<files::Line> lines;
  DeviceIdentity identity;
  uint8_t parameters[4] = {1, 2, 3, 4};
  double weight = 0.001;
  int readLinesCount = 0;
  int writeLinesCount = 0;

 private:
  uint8_t code_;

 public:
  QLabel* panel;
};

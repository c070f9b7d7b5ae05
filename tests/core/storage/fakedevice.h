#pragma once
// A device for the document tests: it keeps what the document gives it, has a parameter block of
// its family's size (TD 14, ZORB 8, KELT 32 bytes) and counts the calls that change it.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/document/devicebase.h"
#include "core/storage/files.h"

class FakeDevice : public DeviceBase {
 public:
  explicit FakeDevice(uint8_t code) : parameters(blockSize(code), 0xee), code_(code) {}
  ~FakeDevice() override {
    if (destroyed) *destroyed = true;
  }

  static size_t blockSize(uint8_t code) {
    switch (deviceFamily(code)) {
      case dfTd:
        return 14;
      case dfKelt:
        return 32;
      default:
        return 8;
    }
  }

  uint8_t typeCode() const override { return code_; }
  void readLines(std::vector<files::Line>& out) override { out = lines; }
  void writeLines(const std::vector<files::Line>& in) override {
    lines = in;
    ++changes;
  }
  void getIdentity(DeviceIdentity& out) override { out = identity; }
  void setIdentity(const DeviceIdentity& in) override {
    identity = in;
    ++changes;
  }
  uint32_t getParameters(uint8_t* buffer) override {
    if (buffer) std::copy(parameters.begin(), parameters.end(), buffer);
    return uint32_t(parameters.size());
  }
  bool setParameters(const uint8_t* data, uint32_t length) override {
    ++changes;
    if (length < parameters.size()) return false;
    std::copy(data, data + parameters.size(), parameters.begin());
    return true;
  }
  std::string name() const override { return "fake"; }
  double pulseWeight() const override { return weight; }
  void showPanel(bool) override {}

  DeviceIdentity identity;
  std::vector<files::Line> lines;
  std::vector<uint8_t> parameters;
  double weight = 0;
  int changes = 0;  // calls of setIdentity, setParameters and writeLines
  bool* destroyed = nullptr;

 private:
  uint8_t code_;
};

// Makes fake devices and counts how many it made.
struct FakeDeviceFactory {
  int made = 0;
  files::DeviceFactory factory() {
    return [this](uint8_t code) {
      ++made;
      return std::make_unique<FakeDevice>(code);
    };
  }
};

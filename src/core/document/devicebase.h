#pragma once
// The device of a document as the rest of the program sees it, and the device type codes.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/writecheck.h"
#include "core/package/line.h"

// Serial number and nominal diameter; 5 bytes in documents.
#pragma pack(push, 1)
struct DeviceIdentity {
  int32_t serialNumber = 0;  // 0 when the panel's text is not a number
  uint8_t duCode = 0;        // nominal-diameter code, see DuText
};
#pragma pack(pop)
static_assert(sizeof(DeviceIdentity) == 5);

// Nominal diameter (Ду, mm) of a diameter code 0..11; "" for any other code.
std::string_view DuText(int code);
inline constexpr int kDuCodeCount = 12;

// The last average signal code and output pulse count of a device's readings.
struct DeviceReading {
  double code = 0;
  uint32_t pulses = 0;
};

class DeviceBase;

// An exchange of a panel with its device that completed: the device's values read, or values
// written to it.
enum class DeviceExchange { read, write };
// `check`: after a write, what reading the device back showed; null when it was not read back.
using ExchangeListener =
    std::function<void(DeviceBase& device, DeviceExchange exchange, const WriteCheck* check)>;

// Abstract device: one concrete class per family, each owning its service panel. The slots are in
// this order.
class DeviceBase {
 public:
  virtual uint8_t typeCode() const = 0;
  // Replaces `lines` with the lines shown on the panel.
  virtual void readLines(std::vector<files::Line>& lines) = 0;
  // Shows the lines; a family that holds fewer writes what it can and logs
  // "Слишком много прямых аппроксимации".
  virtual void writeLines(const std::vector<files::Line>& lines) = 0;
  virtual void getIdentity(DeviceIdentity& identity) = 0;
  virtual void setIdentity(const DeviceIdentity& identity) = 0;
  // With null gives the size of the family's parameter block; otherwise fills a buffer of that
  // size.
  virtual uint32_t getParameters(uint8_t* buffer) = 0;
  // False, changing nothing, when length is below the family's block size.
  virtual bool setParameters(const uint8_t* data, uint32_t length) = 0;
  // Display name, UTF-8.
  virtual std::string name() const = 0;
  // Volume per output pulse, m³; 0 when the panel's text is not a number.
  virtual double pulseWeight() const = 0;
  virtual void showPanel(bool show) = 0;
  // What a new table entry takes from the device's own readings: the last average signal code and
  // output pulse count a TD meter reported. None for the families that report no readings.
  virtual std::optional<DeviceReading> lastReading() const { return std::nullopt; }
  // Whether the panel's port is open, for the status bar; none for the families whose panel
  // does not keep that state (their port opens with the choice).
  virtual std::optional<bool> portOpen() const { return std::nullopt; }
  virtual ~DeviceBase() = default;

  // Whoever keeps the calibration history hears of every read and write the panel completes.
  void setExchangeListener(ExchangeListener listener) { listener_ = std::move(listener); }
  // The panel's call, once its values show what was read or what was sent.
  void exchangeCompleted(DeviceExchange exchange, const WriteCheck* check = nullptr) {
    if (listener_) listener_(*this, exchange, check);
  }

 private:
  ExchangeListener listener_;
};

// Family codes; they equal the entry kinds of the family's packages.
enum DeviceFamily : uint8_t { dfZorb = 0, dfKelt = 1, dfTd = 2 };

// Type codes: 0 TD, 1..17 ZORB models, 18..35 KELT models; the type table that maps them to the
// families' models is core/devices/devicetypes.h.
inline constexpr int kTdCode = 0;
inline constexpr int kFirstZorbCode = 1;
inline constexpr int kFirstKeltCode = 18;
inline constexpr int kLastTypeCode = 35;

// 1 for KELT (18..35), 2 for TD (0), 0 (ZORB) for every other code.
int deviceFamily(int typeCode);

// Serial number text for panels and file names: at least 8 digits, and one more leading zero for
// diameters up to 80 mm (codes below 8) when the digits do not already start with one.
std::string formatSerialNumber(int32_t serial, int duCode);

// TD electromagnetic meter: frames of address, operation, function, data and CRC-16. The meter
// answers requests to its own address or to address 0, from its own address. A request is taken
// as complete when its CRC checks out at one of the lengths requests have; a request with a wrong
// CRC is ignored, as the meter does.
//
// Options: --address=N        network address (default 1)
//          --version=MAJ.MIN  firmware version (default 3.6)
//          --serial=N         serial number (default 12345678)
//          --du=INDEX         diameter index in the meter's order (default 6, 80 mm)
//          --code=N           mean signal code of the readings (default 100000)
//          --jitter=N         readings vary by up to ±N around it (default 20)
//          --uptime=S         operating time at start, seconds (default 0)
//          --error=CODE       answer every request with this error code ...
//          --error-function=F ... or only the requests of function F
//          --bad-crc          every answer carries a wrong CRC
//          --keep-wrong=N     a written coefficient table, output block or integrator is kept
//                             with its data byte N one higher; the write is still acknowledged

#include <chrono>
#include <cstring>
#include <optional>
#include <string>

#include "core/comm/crc16.h"
#include "core/devices/td/tddocblock.h"
#include "core/devices/td/tdprotocol.h"
#include "simmode.h"

namespace {

// Data lengths requests have: reads and A 8 forms (0, 1), writes (1, 2, 6, 20, 64).
constexpr size_t kRequestData[] = {0, 1, 2, 6, 20, 64};

template <class T>
void put(std::vector<uint8_t>& bytes, T value) {
  uint8_t raw[sizeof value];
  std::memcpy(raw, &value, sizeof value);
  bytes.insert(bytes.end(), raw, raw + sizeof value);
}

bool crcMatches(const std::vector<uint8_t>& frame) {
  const size_t n = frame.size() - 2;
  const uint16_t crc = crc16(frame.data(), static_cast<uint8_t>(n));
  return frame[n] == (crc & 0xFF) && frame[n + 1] == (crc >> 8);
}

class TdSim : public SimMode {
 public:
  TdSim() {
    direct_.rows[0] = {1e-5f, 0, 50000};
    direct_.rows[1] = {1.1e-5f, -0.05f, kTdLastThreshold};
    direct_.gmax = 30;
    direct_.gpor = 0.25f;
    reverse_.rows[0] = {1e-5f, 0, kTdLastThreshold};
  }

  bool option(std::string_view name, std::string_view value) override {
    std::optional<long long> v;
    if (name == "address" && (v = optionNumber(value, 1, 255))) return set(address_, *v);
    if (name == "serial" && (v = optionNumber(value, 0, 4294967295L))) return set(serial_, *v);
    if (name == "du" && (v = optionNumber(value, 0, 255))) return set(du_, *v);
    if (name == "code" && (v = optionNumber(value, -1000000000, 1000000000))) return set(code_, *v);
    if (name == "jitter" && (v = optionNumber(value, 0, 1000000))) return set(jitter_, *v);
    if (name == "uptime" && (v = optionNumber(value, 0, 4000000000L))) return set(uptime_, *v);
    if (name == "error" && (v = optionNumber(value, 0, 255))) return set(errorCode_, *v);
    if (name == "error-function" && (v = optionNumber(value, 0, 255)))
      return set(errorFunction_, *v);
    if (name == "bad-crc" && value.empty()) return set(badCrc_, 1);
    if (name == "keep-wrong" && (v = optionNumber(value, 0, 63))) return (keepWrong_ = *v, true);
    if (name == "version") return parseVersion(value);
    return false;
  }

  std::vector<uint8_t> receive(std::span<const uint8_t> bytes) override {
    std::vector<uint8_t> out;
    for (uint8_t b : bytes) {
      pending_.push_back(b);
      if (!complete()) {
        if (pending_.size() >= 5 + kRequestData[std::size(kRequestData) - 1]) pending_.clear();
        continue;
      }
      const auto reply = handle(pending_);
      pending_.clear();
      out.insert(out.end(), reply.begin(), reply.end());
    }
    return out;
  }

  void idle() override { pending_.clear(); }

 private:
  template <class T>
  static bool set(T& field, long v) {
    field = static_cast<T>(v);
    return true;
  }

  bool parseVersion(std::string_view value) {
    const size_t dot = value.find('.');
    if (dot == std::string_view::npos) return false;
    const auto major = optionNumber(value.substr(0, dot), 0, 255);
    const auto minor = optionNumber(value.substr(dot + 1), 0, 255);
    if (!major || !minor) return false;
    major_ = static_cast<uint8_t>(*major);
    minor_ = static_cast<uint8_t>(*minor);
    return true;
  }

  bool complete() const {
    for (size_t n : kRequestData) {
      if (pending_.size() == n + 5 && crcMatches(pending_)) return true;
    }
    return false;
  }

  std::vector<uint8_t> handle(const std::vector<uint8_t>& request) {
    if (request[0] != 0 && request[0] != address_) return {};
    const uint8_t operation = request[1];
    const uint8_t function = request[2];
    const std::span<const uint8_t> data(request.data() + 3, request.size() - 5);
    if (errorCode_ >= 0 && (errorFunction_ < 0 || errorFunction_ == function)) {
      return error(operation, static_cast<uint8_t>(errorCode_));
    }
    int code = 1;  // unsupported function
    std::vector<uint8_t> reply;
    if (operation == TD_READ && data.size() <= 1) {
      code = read(function, data, reply);
    } else if (operation == TD_WRITE) {
      code = write(function, data, reply);
    }
    if (code != 0) return error(operation, static_cast<uint8_t>(code));
    return frame(operation, function, reply);
  }

  // A read; returns the error code, 0 when `reply` holds the data.
  int read(uint8_t function, std::span<const uint8_t> data, std::vector<uint8_t>& reply) {
    if (function != TF_CURRENT && !data.empty()) return 3;
    switch (function) {
      case TF_SYSTEM:
        reply = {0x5A, 0xA5, major_, minor_};
        put(reply, serial_);
        reply.push_back(du_);
        return 0;
      case TF_COEFFICIENTS:
      case TF_REVERSE_COEFFICIENTS: {
        const bool reverse = function == TF_REVERSE_COEFFICIENTS;
        if (reverse && !tdVersionTraits(major_, minor_).reverseCoefficients) return 1;
        const auto bytes = tdEncodeCoefficients(reverse ? reverse_ : direct_);
        reply.assign(bytes.begin(), bytes.end());
        return 0;
      }
      case TF_OUTPUTS: {
        const auto bytes = tdEncodeOutputs(outputs_);
        reply.assign(bytes.begin(), bytes.end());
        return 0;
      }
      case TF_NET_ADDRESS:
        reply = {address_};
        return 0;
      case TF_INTEGRATOR:
        reply = {integrator_};
        return 0;
      case TF_CURRENT:
        return current(data, reply);
      case TF_ADDITIONAL:
        reply.assign(4, 0);
        put(reply, operatingTime());
        reply.push_back(0);
        return 0;
      case TF_READING:
        reply = {status_};
        put(reply, measure());
        return 0;
      default:
        return 1;
    }
  }

  // A write; returns the error code, 0 when done (`reply` holds what the answer carries).
  int write(uint8_t function, std::span<const uint8_t> sent, std::vector<uint8_t>& reply) {
    std::vector<uint8_t> kept(sent.begin(), sent.end());
    if (keepWrong_ && *keepWrong_ < kept.size() && keepsBlock(function)) ++kept[*keepWrong_];
    const std::span<const uint8_t> data(kept);
    switch (function) {
      case TF_COEFFICIENTS:
      case TF_REVERSE_COEFFICIENTS: {
        const bool reverse = function == TF_REVERSE_COEFFICIENTS;
        if (reverse && !tdVersionTraits(major_, minor_).reverseCoefficients) return 1;
        if (data.size() != kTdCoefficientsSize) return 3;
        (reverse ? reverse_ : direct_) = tdDecodeCoefficients(data.first<kTdCoefficientsSize>());
        return 0;
      }
      case TF_OUTPUTS:
        if (data.size() != kTdOutputsSize) return 3;
        outputs_ = tdDecodeOutputs(data.first<kTdOutputsSize>());
        return 0;
      case TF_STATUS:
        return changeStatus(data, reply);
      case TF_NET_ADDRESS:
      case TF_INTEGRATOR:
        if (data.size() != 1 || data[0] == 0) return 3;
        (function == TF_NET_ADDRESS ? address_ : integrator_) = data[0];
        return 0;
      case TF_START_STOP:
        if (data.size() != 2 || data[0] > 3) return 3;
        startStop_ = {data[0], data[1]};
        return 0;
      case TF_CLEAR:
        if (data.size() != 20) return 3;
        clearPour();
        return 0;
      default:
        return 1;
    }
  }

  static bool keepsBlock(uint8_t function) {
    return function == TF_COEFFICIENTS || function == TF_REVERSE_COEFFICIENTS ||
           function == TF_OUTPUTS || function == TF_INTEGRATOR;
  }

  int changeStatus(std::span<const uint8_t> data, std::vector<uint8_t>& reply) {
    if (data.size() != 2 || (data[0] != 1 && data[0] != 2) || (data[1] != 1 && data[1] != 2)) {
      return 3;
    }
    const uint8_t bit = data[0] == 1 ? 0x01 : 0x02;
    status_ = data[1] == 1 ? (status_ | bit) : (status_ & ~bit);
    reply = {status_};
    return 0;
  }

  // A 8: the pour so far; every poll adds one measurement to it.
  int current(std::span<const uint8_t> data, std::vector<uint8_t>& reply) {
    const int form = data.empty() ? 0 : data[0];
    if (form != 0 && form != 2 && form != 3) return 3;
    measure();
    reply = {status_};
    put(reply, codeSum_);
    put(reply, count_);
    put(reply, pulses_);
    put(reply, flow());
    if (form >= 2) put(reply, noiseSum_);
    if (form == 3) {
      put(reply, operatingTime());
      put(reply, static_cast<uint32_t>(forward_));
      put(reply, static_cast<float>(forward_ - static_cast<uint32_t>(forward_)));
      put(reply, uint32_t{0});
      put(reply, 0.0f);
    }
    return 0;
  }

  // One measurement of the signal code, summed into the pour.
  int32_t measure() {
    seed_ = seed_ * 1103515245u + 12345u;
    const long spread = 2 * jitter_ + 1;
    const auto code =
        static_cast<int32_t>(code_ + static_cast<long>((seed_ >> 8) % spread) - jitter_);
    if (count_ > 0) noiseSum_ += static_cast<uint32_t>(std::labs(code - lastCode_));
    lastCode_ = code;
    codeSum_ += static_cast<float>(code);
    ++count_;
    pulses_ += 2;
    forward_ += 0.001;
    return code;
  }

  float flow() const { return static_cast<float>(code_ * 1e-5); }

  uint32_t operatingTime() const {
    const auto running = std::chrono::steady_clock::now() - started_;
    return uptime_ +
           static_cast<uint32_t>(std::chrono::floor<std::chrono::seconds>(running).count());
  }

  void clearPour() {
    codeSum_ = 0;
    count_ = 0;
    pulses_ = 0;
    noiseSum_ = 0;
  }

  std::vector<uint8_t> frame(uint8_t operation, uint8_t function,
                             const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out = {address_, operation, function};
    out.insert(out.end(), data.begin(), data.end());
    return withCrc(out);
  }

  std::vector<uint8_t> error(uint8_t operation, uint8_t code) {
    return withCrc({address_, static_cast<uint8_t>(operation | kTdErrorBit), code});
  }

  std::vector<uint8_t> withCrc(std::vector<uint8_t> out) const {
    const uint16_t crc = crc16(out.data(), static_cast<uint8_t>(out.size()));
    out.push_back(static_cast<uint8_t>(crc & 0xFF));
    out.push_back(static_cast<uint8_t>((crc >> 8) ^ (badCrc_ ? 0x01 : 0x00)));
    return out;
  }

  uint8_t address_ = 1;
  uint8_t major_ = 3;
  uint8_t minor_ = 6;
  uint32_t serial_ = 12345678;
  uint8_t du_ = 6;
  long code_ = 100000;
  long jitter_ = 20;
  uint32_t uptime_ = 0;
  int errorCode_ = -1;
  int errorFunction_ = -1;
  bool badCrc_ = false;
  std::optional<size_t> keepWrong_;

  TdCoefficients direct_;
  TdCoefficients reverse_;
  TdOutputs outputs_{0.001f, 10, 0};
  uint8_t status_ = 0;
  uint8_t integrator_ = 1;
  std::array<uint8_t, 2> startStop_{0, 5};

  uint32_t seed_ = 1;
  int32_t lastCode_ = 0;
  float codeSum_ = 0;
  uint16_t count_ = 0;
  uint32_t pulses_ = 0;
  uint32_t noiseSum_ = 0;
  double forward_ = 0;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::vector<uint8_t> pending_;
};

}  // namespace

TD_SIM_MODE("td", TdSim);

// RM-2.3 instrument. 0x09 is answered by 0x09, d0, the type and the sum of those two; a command
// byte is answered as the program's protocol file describes. A measurement runs in real time: a
// time stop ends after its time, a pulse stop when its input has counted its pulses (the inputs
// pulse at steady frequencies, the first pulse as counting starts), a start/stop run waits for its
// external start signal during the first half of --run (state 4) and counts during the second half.
// A finished run keeps its results with the completion flag until it is stopped; then the
// instrument reports state 9.
//
// Options: --type=N              instrument type byte (default 3)
//          --freq=F1,F2,F3,F4    pulse frequencies of the inputs, Hz (default 100,50,20,10)
//          --run=MS              length of a start/stop run (default 2000)
//          --temp=T1,T2          temperatures, °C, at thermometer channels 1 and 2, as a
//                                Pt-100 (W=1,385) shows them (default 20,25)
//          --voltage=CODE        supply voltage code 0..31 (default 20)
//          --uncalibrated        the ADC reads its two reference levels alike
//          --bad-sum=id|adc|status  that reply carries a wrong sum
//          --bad-echo            echoes of starts and of the temperature command are wrong
//          --bad-state           status and stop replies report the unknown state 7

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <string>

#include "core/devices/rm23/rm23protocol.h"
#include "simmode.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kVersion = 0x17;  // d0 of the identification
constexpr uint16_t kAdcZero = 1000;
constexpr uint16_t kAdcReference = 41000;  // the ADC's reading at the ratio 2
constexpr int kPtSensor = 1;

// Reads "a,b,..." into exactly out.size() numbers.
template <class T, std::size_t N>
bool parseList(std::string_view text, std::array<T, N>& out) {
  for (std::size_t i = 0; i < N; ++i) {
    const auto comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    const auto [end, err] = std::from_chars(item.data(), item.data() + item.size(), out[i]);
    if (err != std::errc() || end != item.data() + item.size()) return false;
    if ((comma == std::string_view::npos) != (i + 1 == N)) return false;
    if (comma != std::string_view::npos) text.remove_prefix(comma + 1);
  }
  return true;
}

bool parseNumber(std::string_view text, int& out, int min, int max) {
  const auto value = optionNumber(text, min, max);
  if (value) out = static_cast<int>(*value);
  return value.has_value();
}

// ADC code of a thermometer channel at temperature t, inverting t = b − √(a·x + c).
uint16_t adcCode(double t) {
  const SpprSensor& s = spprSensors()[kPtSensor];
  const double x = ((s.b - t) * (s.b - t) - s.c) / s.a;
  const double code = std::round(kAdcZero + (x - 1) * (kAdcReference - kAdcZero));
  return static_cast<uint16_t>(std::clamp(code, 0.0, 65535.0));
}

class Rm23Sim : public SimMode {
 public:
  bool option(std::string_view name, std::string_view value) override {
    if (name == "type") return parseNumber(value, type_, 0, 255);
    if (name == "freq") return parseList(value, freq_);
    if (name == "run") return parseNumber(value, runMs_, 0, 3600000);
    if (name == "temp") return parseList(value, temp_);
    if (name == "voltage") return parseNumber(value, voltage_, 0, 31);
    if (name == "bad-sum") {
      badSum_ = std::string(value);
      return badSum_ == "id" || badSum_ == "adc" || badSum_ == "status";
    }
    if (!value.empty()) return false;
    if (name == "uncalibrated") return uncalibrated_ = true;
    if (name == "bad-echo") return badEcho_ = true;
    if (name == "bad-state") return badState_ = true;
    return false;
  }

  std::vector<uint8_t> receive(std::span<const uint8_t> bytes) override {
    std::vector<uint8_t> out;
    for (uint8_t b : bytes) {
      pending_.push_back(b);
      if (pending_.size() < requestLength(pending_[0])) continue;
      const auto reply = handle(pending_);
      pending_.clear();
      out.insert(out.end(), reply.begin(), reply.end());
    }
    return out;
  }

  void idle() override { pending_.clear(); }

 private:
  enum class Phase { stopped, waiting, counting, complete };

  static std::size_t requestLength(uint8_t first) {
    if (first == SPPR_TIME_STOP) return 5;
    if (first == SPPR_PULSE_STOP) return 6;
    return 1;
  }

  std::vector<uint8_t> handle(const std::vector<uint8_t>& request) {
    switch (request[0]) {
      case kSpprIdentify:
        return withSum({kSpprIdentify, kVersion, static_cast<uint8_t>(type_)}, 1, "id");
      case SPPR_TIME_STOP:
      case SPPR_PULSE_STOP:
      case SPPR_START_STOP1:
      case SPPR_START_STOP2:
        return start(request);
      case SPPR_TEMPERATURE:
        return temperature();
      case SPPR_STATUS:
        return status();
      case SPPR_STOP: {
        auto reply = status();
        phase_ = Phase::stopped;
        return reply;
      }
      default:
        return {};
    }
  }

  // The bytes from `from` on are summed into a last byte; a wrong one when --bad-sum names `what`.
  std::vector<uint8_t> withSum(std::vector<uint8_t> reply, std::size_t from,
                               const char* what) const {
    uint8_t sum = spprSum(std::span(reply).subspan(from));
    if (badSum_ == what) ++sum;
    reply.push_back(sum);
    return reply;
  }

  std::vector<uint8_t> echo(std::vector<uint8_t> request) const {
    if (badEcho_) request.back() ^= 0x01;
    return request;
  }

  std::vector<uint8_t> start(const std::vector<uint8_t>& request) {
    // A start with values carries their sum; one with a wrong sum is ignored, as the device does.
    if (request.size() > 1) {
      const std::span<const uint8_t> values(&request[1], request.size() - 2);
      if (request.back() != spprSum(values)) return {};
    }
    mode_ = request[0];
    startedAt_ = Clock::now();
    phase_ = Phase::counting;
    if (mode_ == SPPR_TIME_STOP) {
      duration_ = spprGet24(&request[1]) / kSpprTicksPerSecond;
    } else if (mode_ == SPPR_PULSE_STOP) {
      const double f = freq_[request[4] % kSpprInputs];
      const uint32_t pulses = spprGet24(&request[1]);
      duration_ = pulses <= 1 ? 0 : f > 0 ? (pulses - 1) / f : INFINITY;
    } else {
      duration_ = runMs_ / 2000.0;
      phase_ = Phase::waiting;
    }
    return echo(request);
  }

  std::vector<uint8_t> temperature() const {
    std::vector<uint8_t> reply;
    const uint16_t reference = uncalibrated_ ? kAdcZero : kAdcReference;
    for (uint16_t code : {kAdcZero, reference, adcCode(temp_[0]), adcCode(temp_[1])}) {
      reply.push_back(static_cast<uint8_t>(code & 0xFF));
      reply.push_back(static_cast<uint8_t>(code >> 8));
    }
    auto out = echo({SPPR_TEMPERATURE});
    const auto codes = withSum(reply, 0, "adc");
    out.insert(out.end(), codes.begin(), codes.end());
    return out;
  }

  // Moves a run on to the phase it has reached by now; returns the seconds counted so far.
  double advance() {
    if (phase_ == Phase::stopped || phase_ == Phase::complete) return counted_;
    double elapsed = std::chrono::duration<double>(Clock::now() - startedAt_).count();
    if (phase_ == Phase::waiting) {
      if (elapsed < duration_) return counted_ = 0;
      phase_ = Phase::counting;
      startedAt_ +=
          std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(duration_));
      elapsed -= duration_;
    }
    if (elapsed >= duration_) {
      phase_ = Phase::complete;
      elapsed = duration_;
    }
    return counted_ = elapsed;
  }

  std::vector<uint8_t> status() {
    const double counted = advance();
    const uint8_t flags =
        static_cast<uint8_t>(voltage_ | (phase_ == Phase::complete ? kSpprCompleteFlag : 0));
    if (badState_) return {7};
    if (phase_ == Phase::stopped) return withSum({kSpprStateStopped, flags, 0}, 1, "status");
    if (phase_ == Phase::waiting) return {kSpprStateNoResults};
    // The state (the running mode), flags, reference ticks, each input's ticks and pulses.
    std::vector<uint8_t> reply(29, 0);
    reply[0] = mode_;
    reply[1] = flags;
    spprPut24(&reply[2], ticks(counted));
    for (int i = 0; i < kSpprInputs; ++i) {
      // An input's first pulse comes as counting starts; its time runs to its last pulse.
      const double pulses = freq_[i] > 0 ? std::floor(counted * freq_[i] + 1e-9) + 1 : 0;
      spprPut24(&reply[5 + 6 * i], ticks(pulses > 0 ? (pulses - 1) / freq_[i] : 0));
      spprPut24(&reply[8 + 6 * i], static_cast<uint32_t>(pulses));
    }
    return withSum(reply, 1, "status");
  }

  static uint32_t ticks(double seconds) {
    return static_cast<uint32_t>(
        std::min<double>(std::round(seconds * kSpprTicksPerSecond), kSpprMax24));
  }

  int type_ = kSpprInstrumentType;
  std::array<double, kSpprInputs> freq_{100, 50, 20, 10};
  int runMs_ = 2000;
  std::array<double, 2> temp_{20, 25};
  int voltage_ = 20;
  std::string badSum_;
  bool uncalibrated_ = false;
  bool badEcho_ = false;
  bool badState_ = false;

  std::vector<uint8_t> pending_;
  Phase phase_ = Phase::stopped;
  uint8_t mode_ = SPPR_TIME_STOP;
  Clock::time_point startedAt_;
  double duration_ = 0;  // of waiting, then of counting
  double counted_ = 0;
};

}  // namespace

TD_SIM_MODE("rm23", Rm23Sim);

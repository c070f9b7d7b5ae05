// KELT vortex transducer, through the ОМБ-КЕЛТ adapter (models 0..8) or direct (models 9..17).
// Each request is one command byte, a write also carries its block; the device echoes the command
// byte and answers with the fixed-length reply of that command. Partial requests are abandoned
// when the line goes quiet.
//
// Options: --model=N          the transducer, model index 0..17 (default 7)
//          --version=N        the version it reports (default: the one its model needs)
//          --first-issue      an adapter of the first issue (probe answer 0xFF)
//          --adapter-version=N  a later adapter's version (default 2)
//          --coupling=L0,L1,L2,L3  coupling parameter at threshold levels 0..3 (90,50,20,10)
//          --busy=N           the adapter answers the next N device commands with 0xFF
//          --bad-checksum=version|data  a wrong sum on the version answer or on the data answers
//          --bad-echo         a written block comes back with one byte changed
//          --output=T         after --model: models 7..17 hold output type T (0 pulse, 1..5
//                             frequency; default 0)
//          --record=FILE      each write the device takes leaves in FILE two lines of hex: the
//                             block it held before and the block it holds now
//          --keep-wrong=N     a written block is kept with its data byte N one higher (byte 0 of
//                             the offset block: the offset one step up); the echo is unchanged

#include <array>
#include <climits>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "core/devices/kelt/keltblocks.h"
#include "core/devices/kelt/keltmodels.h"
#include "core/devices/kelt/keltprotocol.h"
#include "simmode.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::optional<int> parseInt(std::string_view text) {
  const auto value = optionNumber(text, INT_MIN, INT_MAX);
  return value ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
}

// The version a device of the model reports unless told otherwise.
int defaultVersion(int model) {
  if (model == 0) return 1;
  if (model <= 6) return 2;
  if (model <= 8) return 4;
  if (model <= 11) return 6;
  return 7;
}

template <class P>
P defaults() {
  P p;
  p.duCode = 5;
  for (int i = 0; i < 5; ++i) {
    p.A[i] = 0.5 + 0.1 * i;
    p.B[i] = 0.01;
  }
  p.F[0] = 100;
  p.F[1] = 200;
  p.F[2] = 400;
  p.F[3] = 800;
  return p;
}

// The block a fresh device holds.
Bytes initialBlock(int model) {
  switch (keltModel(model).format) {
    case 1:
    case 2: {
      auto p = defaults<KeltParams12>();
      p.outputCode = 1;
      return keltEncode(p, model);
    }
    case 3:
      return keltEncode(defaults<KeltParams3>(), model);
    default: {
      auto p = defaults<KeltParams4>();
      p.weightCode = 2;
      p.pulseDuration = 3.8;
      p.serialNumber = 1234;
      return keltEncode(p, model);
    }
  }
}

class KeltSim : public SimMode {
 public:
  bool option(std::string_view name, std::string_view value) override {
    if (name == "first-issue" && value.empty()) return (firstIssue_ = true);
    if (name == "bad-echo" && value.empty()) return (badEcho_ = true);
    if (name == "bad-checksum") {
      badVersionSum_ = value == "version";
      badDataSum_ = value == "data";
      return badVersionSum_ || badDataSum_;
    }
    if (name == "coupling") return parseCoupling(value);
    if (name == "record" && !value.empty()) return (recordPath_ = value, true);
    const auto number = parseInt(value);
    if (!number || *number < 0) return false;
    if (name == "model" && *number < kKeltModelCount) return setModel(*number);
    if (name == "version" && *number < 256) {
      version_ = *number;
      versionSet_ = true;
      return true;
    }
    if (name == "adapter-version" && *number < 256) return (adapterVersion_ = *number, true);
    if (name == "busy") return (busy_ = *number, true);
    if (name == "keep-wrong" && *number < 64) return (keepWrong_ = *number, true);
    if (name == "output" && format() >= 3 && *number <= 5) return setOutputType(*number);
    return false;
  }

  std::vector<uint8_t> receive(std::span<const uint8_t> bytes) override {
    Bytes out;
    for (uint8_t b : bytes) {
      pending_.push_back(b);
      if (pending_.size() < requestSize(pending_[0])) continue;
      const Bytes reply = adapter() ? handleAdapter(pending_) : handleDirect(pending_);
      out.insert(out.end(), reply.begin(), reply.end());
      pending_.clear();
    }
    return out;
  }

  void idle() override { pending_.clear(); }

 private:
  bool adapter() const { return keltModel(model_).link == KeltLink::adapter; }
  int format() const { return keltModel(model_).format; }

  bool setModel(int model) {
    model_ = model;
    if (!versionSet_) version_ = defaultVersion(model);
    block_ = initialBlock(model);
    return true;
  }

  // How much a written byte at `index` is kept off by.
  int keptWrong(int index) const { return keepWrong_ == index ? 1 : 0; }

  // After --model: the block is the model's.
  bool setOutputType(int type) {
    const auto withType = [&](auto p) {
      p.outputType = type;
      block_ = keltEncode(p, model_);
    };
    if (format() == 3) {
      withType(keltDecode3(block_, model_));
    } else {
      withType(keltDecode4(block_, model_));
    }
    return true;
  }

  bool parseCoupling(std::string_view text) {
    for (int level = 0; level < 4; ++level) {
      const auto comma = text.find(',');
      const auto value = parseInt(text.substr(0, comma));
      if (!value || *value < 0 || *value > 255) return false;
      coupling_[level] = static_cast<uint8_t>(*value);
      if ((comma == std::string_view::npos) != (level == 3)) return false;
      text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return true;
  }

  // Whole request length by its first byte: writes carry their block and its sum.
  std::size_t requestSize(uint8_t command) const {
    if (adapter()) {
      switch (command) {
        case 0x02:
          return 1 + kKeltBlockSize1 + 2;
        case 0x11:
          return 1 + kKeltBlockSize2 + 2;
        case 0x14:
          return 1 + 33;
        case KELT_WRITE_3:
        case KELT_WRITE_3_V3:
          return 1 + kKeltBlockSize3 + 3;
        default:
          return 1;
      }
    }
    return command == 0x02 ? 1 + keltBlockSize(model_) + 2 : 1;
  }

  Bytes withSum(const Bytes& data, bool corrupt) const {
    Bytes out = keltWithChecksum(data);
    if (corrupt) out.back() ^= 0x01;
    return out;
  }

  // Echo of the command byte followed by a data answer.
  Bytes answer(uint8_t command, const Bytes& data) const {
    Bytes out{command};
    const Bytes tail = withSum(data, badDataSum_);
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
  }

  Bytes versionAnswer() const {
    Bytes out{0x08};
    const Bytes tail = withSum({static_cast<uint8_t>(version_)}, badVersionSum_);
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
  }

  Bytes measurement() const { return {45, 1, 328 & 0xFF, 328 >> 8}; }

  // A write's block arrives with its sum; the device takes it only when the sum is right.
  static bool sumOk(std::span<const uint8_t> request) {
    const auto body = request.subspan(1);
    const std::size_t n = body.size() - 2;
    return keltChecksum(body.first(n)) == ((body[n] << 8) | body[n + 1]);
  }

  // The echo of a write: the request as the device took it, or changed when it refused it.
  Bytes echoOf(const Bytes& request, bool taken) const {
    Bytes echo = request;
    if (!taken || badEcho_) echo[1] ^= 0x01;
    return echo;
  }

  Bytes storeBlock(const Bytes& request, bool accepted = true) {
    const bool taken = accepted && sumOk(request);
    if (taken) {
      const Bytes before = block_;
      block_.assign(request.begin() + 1, request.begin() + 1 + keltBlockSize(model_));
      if (keepWrong_ && *keepWrong_ < static_cast<int>(block_.size())) ++block_[*keepWrong_];
      record(before);
    }
    return echoOf(request, taken);
  }

  void record(const Bytes& before) const {
    if (recordPath_.empty()) return;
    std::ofstream file(recordPath_, std::ios::trunc);
    file << hex(before) << '\n' << hex(block_) << '\n';
  }

  static std::string hex(const Bytes& bytes) {
    std::string text;
    char digits[3];
    for (uint8_t b : bytes) {
      std::snprintf(digits, sizeof digits, "%02X", b);
      text += digits;
    }
    return text;
  }

  Bytes handleAdapter(const Bytes& request) {
    const uint8_t command = request[0];
    if (command == 0x0F) {
      if (firstIssue_) return {0xFF};
      return {0x0F, 0x00, static_cast<uint8_t>(adapterVersion_)};
    }
    if (busy_ > 0 && keltMayAnswerBusy(command)) {
      --busy_;
      return {0xFF};
    }
    if (command >= KELT_LEVEL_0 && command <= KELT_LEVEL_3) {
      level_ = command - KELT_LEVEL_0;
      return {command};
    }
    switch (command) {
      case KELT_COUPLING:
        return {command, coupling_[level_]};
      case 0x08:
        return versionAnswer();
      case KELT_BATTERY:
        return answer(command, {3});
      case KELT_TEMPERATURE:
        return answer(command, {46});
      case KELT_MEASURE:
        return answer(command, measurement());
      case KELT_READ_OFFSET: {
        Bytes block(31, 0);
        block[0] = static_cast<uint8_t>(offset_ + 7);
        return answer(command, block);
      }
      case 0x14:
        if (sumOk(request)) offset_ = static_cast<int8_t>((request[1] & 0x0F) - 7 + keptWrong(0));
        return echoOf(request, sumOk(request));
      default:
        break;
    }
    if (command == KELT_READ_1 && format() == 1) return answer(command, block_);
    if (command == KELT_READ_2 && format() == 2) return answer(command, block_);
    if (command == 0x02 && format() == 1) return storeBlock(request);
    if (command == 0x11 && format() == 2) return storeBlock(request);
    if (format() != 3) return {};
    if (command == KELT_READ_3) {
      Bytes data = block_;
      data.push_back(counter_);
      return answer(command, data);
    }
    if (command == KELT_WRITE_3 || command == KELT_WRITE_3_V3) return writeFormat3(request);
    return {};
  }

  // Version 3 devices take command 26 with the counter unchanged and the low byte of the sum
  // lowered by 0x27; the others command 25 with the counter one up. Either echoes the true sum.
  Bytes writeFormat3(const Bytes& request) {
    const bool quirk = version_ == 3;
    const uint8_t counter = request[1 + kKeltBlockSize3];
    Bytes fixed = request;
    if (request[0] == KELT_WRITE_3_V3) fixed.back() = static_cast<uint8_t>(fixed.back() + 0x27);
    const bool accepted = (request[0] == KELT_WRITE_3_V3) == quirk &&
                          counter == static_cast<uint8_t>(counter_ + (quirk ? 0 : 1));
    if (accepted && sumOk(fixed)) counter_ = counter;
    return storeBlock(fixed, accepted);
  }

  Bytes handleDirect(const Bytes& request) {
    const uint8_t command = request[0];
    switch (command) {
      case 0xFF:
        return {};  // wake-up, not echoed
      case 0x08:
        return versionAnswer();
      case 0x0B:
        return format() == 3 ? answer(command, measurement()) : answer(command, {46});
      case 0x01:
        return answer(command, block_);
      case 0x02:
        return storeBlock(request);
      default:
        return {};
    }
  }

  int model_ = 7;
  int version_ = defaultVersion(7);
  bool versionSet_ = false;
  bool firstIssue_ = false;
  int adapterVersion_ = 2;
  std::array<uint8_t, 4> coupling_{90, 50, 20, 10};
  int level_ = 0;
  int busy_ = 0;
  bool badVersionSum_ = false;
  bool badDataSum_ = false;
  bool badEcho_ = false;
  std::optional<int> keepWrong_;
  Bytes block_ = initialBlock(7);
  std::string recordPath_;
  uint8_t counter_ = 5;
  int8_t offset_ = 2;
  Bytes pending_;
};

}  // namespace

TD_SIM_MODE("kelt", KeltSim);

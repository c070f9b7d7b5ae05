// ZORB transducer: 8-byte frames ending in 0x0D. A frame starting with 0x80 asks for the stored
// coefficient bytes; any other frame with a correct checksum stores its bytes 0..5 and is echoed.
// A frame with a wrong checksum or end byte is ignored, as the device does.
//
// Options: --frame=HEX    the six stored bytes at start (default: A 0.12, B 0 at Ду 25)
//          --bad-echo     the echo of a write differs from the frame in one byte
//          --bad-checksum every answer carries a wrong sum in byte 6
//          --keep-wrong=N a write is kept with its byte N (0..5) one higher; the echo still
//                         shows the frame as sent

#include <algorithm>
#include <charconv>
#include <optional>

#include "core/devices/zorb/zorbprotocol.h"
#include "simmode.h"

namespace {

class ZorbSim : public SimMode {
 public:
  bool option(std::string_view name, std::string_view value) override {
    if (name == "bad-echo" && value.empty()) {
      badEcho_ = true;
      return true;
    }
    if (name == "bad-checksum" && value.empty()) {
      badChecksum_ = true;
      return true;
    }
    if (name == "frame") return parseFrame(value);
    if (name == "keep-wrong") {
      const auto byte = optionNumber(value, 0, 5);
      if (byte) keepWrong_ = static_cast<int>(*byte);
      return byte.has_value();
    }
    return false;
  }

  std::vector<uint8_t> receive(std::span<const uint8_t> bytes) override {
    std::vector<uint8_t> out;
    for (uint8_t b : bytes) {
      pending_.push_back(b);
      if (pending_.size() < stored_.size()) continue;
      ZorbFrame frame;
      std::copy(pending_.begin(), pending_.end(), frame.begin());
      pending_.clear();
      const auto reply = handle(frame);
      out.insert(out.end(), reply.begin(), reply.end());
    }
    return out;
  }

  void idle() override { pending_.clear(); }

 private:
  std::vector<uint8_t> handle(const ZorbFrame& frame) {
    if (frame[7] != 0x0D) return {};
    if (frame[0] == 0x80) return send(stored_);
    if (frame[6] != zorbChecksum(frame)) return {};
    stored_ = frame;
    if (keepWrong_) ++stored_[*keepWrong_];
    ZorbFrame echo = frame;
    if (badEcho_) echo[2] ^= 0x01;
    return send(echo);
  }

  std::vector<uint8_t> send(ZorbFrame frame) const {
    if (badChecksum_) frame[6] ^= 0x5A;
    return {frame.begin(), frame.end()};
  }

  bool parseFrame(std::string_view hex) {
    if (hex.size() != 12) return false;
    for (size_t i = 0; i < 6; ++i) {
      const char* first = hex.data() + 2 * i;
      const auto [end, err] = std::from_chars(first, first + 2, stored_[i], 16);
      if (err != std::errc() || end != first + 2) return false;
    }
    stored_[6] = zorbChecksum(stored_);
    return true;
  }

  ZorbFrame stored_ = zorbWriteFrame(0.12, 0, 2);
  std::vector<uint8_t> pending_;
  bool badEcho_ = false;
  bool badChecksum_ = false;
  std::optional<int> keepWrong_;
};

}  // namespace

TD_SIM_MODE("zorb", ZorbSim);

// Any bytes as a TD meter reply. The first input byte chooses whether the fuzzer writes a correct
// CRC over the rest (so the decoder gets past the check); the rest is the received frame. A block
// that was decoded must encode back to the very bytes it came from.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <variant>

#include "core/comm/crc16.h"
#include "core/devices/td/tdprotocol.h"

namespace {

template <size_t N>
bool sameBytes(const std::array<uint8_t, N>& encoded, const TdFrame& frame) {
  return std::equal(encoded.begin(), encoded.end(), frame.begin() + 3);
}

void checkRoundTrip(const TdReply& reply, const TdFrame& frame) {
  if (const auto* read = std::get_if<TdCoefficientsRead>(&reply.value)) {
    if (!sameBytes(tdEncodeCoefficients(read->block), frame)) __builtin_trap();
  } else if (const auto* outputs = std::get_if<TdOutputs>(&reply.value)) {
    if (!sameBytes(tdEncodeOutputs(*outputs), frame)) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool fixCrc = data[0] & 1;
  const int count = static_cast<int>(std::min<size_t>(size - 1, kTdFrameSize));
  TdFrame frame{};
  std::memcpy(frame.data(), data + 1, static_cast<size_t>(count));
  if (fixCrc && count >= 2) {
    // An error reply carries its CRC after three bytes, any other after all but the last two.
    const int body = (frame[1] & kTdErrorBit) ? std::min(count - 2, 3) : count - 2;
    const uint16_t crc = crc16(frame.data(), static_cast<uint8_t>(body));
    frame[body] = crc & 0xFF;
    frame[body + 1] = crc >> 8;
  }
  checkRoundTrip(tdDecodeReply(frame, count), frame);
  return 0;
}

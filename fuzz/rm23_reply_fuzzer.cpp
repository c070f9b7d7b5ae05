// Any bytes as an RM-2.3 reply. Input byte 0 picks the reply (bits 0-1: identification,
// temperature, status or stop), bit 2 whether the fuzzer writes a correct sum over the reply so
// the decoder gets past the check, bit 3 the thermometer type; for a status reply byte 1 is the
// state. The rest is the reply.

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "core/base/errors.h"
#include "core/devices/rm23/rm23protocol.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size;

  // The next n bytes, zero-padded, with the last one replaced by the sum when asked.
  std::vector<uint8_t> reply(size_t n, bool fixSum) const {
    std::vector<uint8_t> bytes(n, 0);
    std::copy_n(data, std::min(n, size), bytes.begin());
    if (fixSum && n > 0) bytes.back() = spprSum(std::span(bytes).first(n - 1));
    return bytes;
  }
};

template <size_t N>
std::array<uint8_t, N> toArray(const std::vector<uint8_t>& bytes) {
  std::array<uint8_t, N> a{};
  std::copy(bytes.begin(), bytes.end(), a.begin());
  return a;
}

void decode(uint8_t choice, const Input& in) {
  const bool fixSum = choice & 4;
  SpprCommon data;
  data.sensor = (choice >> 3) & 1;
  switch (choice & 3) {
    case 0:
      spprCheckIdentity(toArray<3>(in.reply(3, fixSum)));
      break;
    case 1:
      spprDecodeTemperature(toArray<9>(in.reply(9, fixSum)), data);
      break;
    default: {
      if (in.size == 0) return;
      const uint8_t state = in.data[0];
      const Input rest{in.data + 1, in.size - 1};
      spprDecodeStatus(state, rest.reply(static_cast<size_t>(spprStatusLength(state)), fixSum),
                       data);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  try {
    decode(data[0], Input{data + 1, size - 1});
  } catch (const MessageError&) {
  }
  return 0;
}

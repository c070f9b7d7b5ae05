#pragma once
// Worked RM-2.3 replies, shared by the protocol tests and the fuzzing seeds.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "core/devices/rm23/rm23protocol.h"

namespace spprreplies {

// Identification: d0 0x17, instrument type 3, their sum.
inline constexpr std::array<uint8_t, 3> kIdentity{0x17, 0x03, 0x1A};

// Temperature reply of four ADC codes (the two reference levels, then the two channels) and
// their sum.
inline std::array<uint8_t, 9> adcReply(uint16_t c0, uint16_t c1, uint16_t c2, uint16_t c3) {
  std::array<uint8_t, 9> r{};
  const uint16_t codes[] = {c0, c1, c2, c3};
  for (int i = 0; i < 4; ++i) {
    r[2 * i] = codes[i] & 0xFF;
    r[2 * i + 1] = codes[i] >> 8;
  }
  r[8] = spprSum(std::span(r).first(8));
  return r;
}

// Results after a state below 4. Flags: voltage code 17, complete. Tэт 0x005000 ticks = 5 s;
// input i: (i+1)·0x001000 ticks and 0x0A0B0C + i pulses; the sum last.
inline std::vector<uint8_t> results() {
  std::vector<uint8_t> bytes{0x91, 0x00, 0x50, 0x00};
  for (int i = 0; i < 4; ++i) {
    const std::vector<uint8_t> input{0x00, static_cast<uint8_t>(0x10 * (i + 1)),
                                     0x00, static_cast<uint8_t>(0x0C + i),
                                     0x0B, 0x0A};
    bytes.insert(bytes.end(), input.begin(), input.end());
  }
  bytes.push_back(spprSum(bytes));
  return bytes;
}

// After state 9: two data bytes and their sum, which wraps.
inline const std::vector<uint8_t> kStopped{0x14, 0xF0, 0x04};

}  // namespace spprreplies

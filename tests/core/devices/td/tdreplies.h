#pragma once
// TD reply frames built field by field, shared by the protocol tests and the fuzzing seeds.

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/comm/crc16.h"

namespace tdreplies {

using Bytes = std::vector<uint8_t>;

// A reply frame of `body` (address, operation, function, data) with its CRC appended.
inline Bytes withCrc(Bytes body) {
  const uint16_t crc = crc16(body.data(), static_cast<uint8_t>(body.size()));
  body.push_back(crc & 0xFF);
  body.push_back(crc >> 8);
  return body;
}

template <class T>
void append(Bytes& bytes, T value) {
  uint8_t raw[sizeof value];
  std::memcpy(raw, &value, sizeof value);
  bytes.insert(bytes.end(), raw, raw + sizeof value);
}

// A 0 reply of firmware `major`.`minor`: reserved AA BB, serial 3000000001, diameter index 9.
inline Bytes systemReply(uint8_t major, uint8_t minor) {
  Bytes b{0x01, 0x41, 0x00, 0xAA, 0xBB, major, minor};
  append(b, uint32_t{3000000001u});
  b.push_back(9);
  return withCrc(b);
}

// A 8 reply with `dataLength` data bytes: status 0x25, code sum 1500, 3 measurements, 4001
// pulses, 1.25 m³/h, noise 45, 90061 s, V+ 12.5 m³, V- 3.25 m³.
inline Bytes currentReply(int dataLength) {
  Bytes b{0x01, 0x41, 0x08, 0x25};
  append(b, 1500.0f);
  append(b, uint16_t{3});
  append(b, uint32_t{4001});
  append(b, 1.25f);
  append(b, uint32_t{45});
  append(b, uint32_t{90061});
  append(b, uint32_t{12});
  append(b, 0.5f);
  append(b, uint32_t{3});
  append(b, 0.25f);
  b.resize(3 + static_cast<size_t>(dataLength));
  return withCrc(b);
}

}  // namespace tdreplies

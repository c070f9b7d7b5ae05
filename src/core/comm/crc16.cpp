#include "core/comm/crc16.h"

#include <array>

namespace {

constexpr std::array<uint16_t, 256> makeTable() {
  std::array<uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    table[i] = static_cast<uint16_t>(crc);
  }
  return table;
}

constexpr std::array<uint16_t, 256> kTable = makeTable();
static_assert(kTable[1] == 0xC0C1 && kTable[255] == 0x4040);

}  // namespace

uint16_t crc16(const uint8_t* data, uint8_t length) {
  uint16_t crc = 0xFFFF;
  for (unsigned i = 0; i < length; ++i) crc = kTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

#pragma once
// Frame check of the TD protocol: CRC-16/MODBUS (polynomial 0x8005 reflected, initial 0xFFFF, no
// final xor). On the wire the value follows the covered bytes, low byte first.

#include <cstdint>

// Covers at most 255 bytes: frames are short, and the count is 8 bits wide.
uint16_t crc16(const uint8_t* data, uint8_t length);

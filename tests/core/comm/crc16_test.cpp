#include "core/comm/crc16.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Crc16, KnownAnswers) {
  const char* check = "123456789";
  EXPECT_EQ(crc16(reinterpret_cast<const uint8_t*>(check), 9), 0x4B37);
  EXPECT_EQ(crc16(nullptr, 0), 0xFFFF);
  const uint8_t request[] = {0x01, 0x41, 0x00};
  EXPECT_EQ(crc16(request, 3), 0x5010);  // sent as 01 41 00 10 50
}

TEST(Crc16, CoversExactlyTheGivenCount) {
  uint8_t frame[256];
  for (int i = 0; i < 256; ++i) frame[i] = static_cast<uint8_t>(i * 7);
  const uint16_t full = crc16(frame, 255);
  frame[255] ^= 0xFF;  // beyond the count
  EXPECT_EQ(crc16(frame, 255), full);
  frame[254] ^= 0x01;
  EXPECT_NE(crc16(frame, 255), full);
}

#include "core/document/devicebase.h"

#include <gtest/gtest.h>

#include <string>

TEST(DeviceIdentity, SerialNumberText) {
  struct Case {
    int32_t serial;
    int du;
    const char* text;
  };
  const Case cases[] = {
      {0, 0, "00000000"},         {0, 11, "00000000"},          {1234, 5, "00001234"},
      {12345678, 5, "012345678"}, {12345678, 8, "12345678"},    {99999999, 7, "099999999"},
      {99999999, 8, "99999999"},  {123456789, 0, "0123456789"}, {-1, 11, "4294967295"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatSerialNumber(c.serial, c.du), c.text) << c.serial;
}

TEST(DeviceIdentity, NominalDiameters) {
  EXPECT_EQ(DuText(0), "15");
  EXPECT_EQ(DuText(7), "80");
  EXPECT_EQ(DuText(11), "200");
  EXPECT_EQ(DuText(12), "");
  EXPECT_EQ(DuText(-1), "");
}

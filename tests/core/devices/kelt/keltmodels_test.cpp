#include "core/devices/kelt/keltmodels.h"

#include <gtest/gtest.h>

#include <string>

#include "core/devices/kelt/keltprotocol.h"
#include "core/devices/kelt/messageof.h"

namespace {

// Which of the versions 5..8 each directly connected model answers with: 9 and 10 with 5 or 6,
// 11 with 6 only, the format 4 models with 7 or 8; the adapter models with none.
TEST(KeltModels, DirectVersionsOfEachModel) {
  const char* const expected[kKeltModelCount] = {
      "----", "----", "----", "----", "----", "----", "----", "----", "----",
      "56--", "56--", "-6--", "--78", "--78", "--78", "--78", "--78", "--78",
  };
  for (int model = 0; model < kKeltModelCount; ++model) {
    std::string got;
    for (int version = 5; version <= 8; ++version) {
      const std::string message = messageOf([&] { keltCheckDirectVersion(version, model); });
      if (message == "(accepted)")
        got += char('0' + version);
      else if (message == "Неправильный тип прибора")
        got += '-';
      else
        got += '?';
    }
    EXPECT_EQ(got, expected[model]) << model;
  }
  for (int version : {4, 9}) {
    EXPECT_EQ(messageOf([&] { keltCheckDirectVersion(version, 12); }),
              "Неизвестная версия прибора");
  }
}

// The slow-pulse models are the 4800 baud ones; the wide divisors those on the direct link.
TEST(KeltModels, QuirkFlagsOfTheRows) {
  std::string wide, slow, restorable, duInOffset;
  for (int model = 0; model < kKeltModelCount; ++model) {
    const KeltModel& m = keltModel(model);
    wide += m.wideDivisors ? '1' : '0';
    EXPECT_EQ(m.wideDivisors, m.link == KeltLink::direct) << model;
    slow += m.slowPulse ? '1' : '0';
    restorable += m.alwaysRestorable ? '1' : '0';
    duInOffset += m.duInOffsetByte ? '1' : '0';
    EXPECT_EQ(m.slowPulse, m.baudRate == 4800) << model;
  }
  EXPECT_EQ(wide, "000000000111111111");
  EXPECT_EQ(slow, "000000000000000111");
  EXPECT_EQ(restorable, "000000000000000111");
  EXPECT_EQ(duInOffset, "000000000001000000");
}

}  // namespace

#include "core/base/localehook.h"

#include <gtest/gtest.h>

TEST(LocaleHook, ShortDateTimeOrDashes) {
  setLocaleHook(defaultLocaleHook());
  SystemTime t{1999, 12, 5, 31, 23, 5, 59, 999};
  EXPECT_EQ(formatShortDateTime(t), "31.12.1999 23:05");
  for (auto broken : {&SystemTime::month, &SystemTime::day, &SystemTime::hour}) {
    SystemTime b = t;
    b.*broken = 99;
    EXPECT_EQ(formatShortDateTime(b), "---");
  }
  SystemTime feb29 = t;
  feb29.year = 2023;
  feb29.month = 2;
  feb29.day = 29;
  EXPECT_EQ(formatShortDateTime(feb29), "---");
  feb29.year = 2024;
  EXPECT_EQ(formatShortDateTime(feb29), "29.02.2024 23:05");

  LocaleHook h = defaultLocaleHook();
  h.formatDate = [](const SystemTime& s) { return std::to_string(s.year); };
  setLocaleHook(h);
  EXPECT_EQ(formatShortDateTime(t), "1999 23:05");
  h.formatDate = nullptr;
  setLocaleHook(h);
  EXPECT_EQ(formatShortDateTime(t), "---");
  setLocaleHook(defaultLocaleHook());
}

TEST(SystemTimeNow, IsAValidLocalTime) { EXPECT_TRUE(isValidSystemTime(currentLocalTime())); }

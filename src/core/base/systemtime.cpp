#include "core/base/systemtime.h"

#include <chrono>
#include <ctime>

SystemTime currentLocalTime() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t secs = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
  localtime_r(&secs, &tm);
  SystemTime t;
  t.year = static_cast<uint16_t>(tm.tm_year + 1900);
  t.month = static_cast<uint16_t>(tm.tm_mon + 1);
  t.dayOfWeek = static_cast<uint16_t>(tm.tm_wday);
  t.day = static_cast<uint16_t>(tm.tm_mday);
  t.hour = static_cast<uint16_t>(tm.tm_hour);
  t.minute = static_cast<uint16_t>(tm.tm_min);
  t.second = static_cast<uint16_t>(tm.tm_sec);
  t.milliseconds = static_cast<uint16_t>(ms < 0 ? 0 : ms);
  return t;
}

bool isValidSystemTime(const SystemTime& t) {
  if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1) return false;
  const std::chrono::year_month_day ymd{std::chrono::year(t.year), std::chrono::month(t.month),
                                        std::chrono::day(t.day)};
  return ymd.ok() && t.hour < 24 && t.minute < 60 && t.second < 60 && t.milliseconds < 1000;
}

#include "core/base/localehook.h"

#include <cstdio>
#include <stdexcept>

namespace {

void requireValid(const SystemTime& t) {
  if (!isValidSystemTime(t)) throw std::invalid_argument("invalid date");
}

std::string classicDate(const SystemTime& t) {
  requireValid(t);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02u.%02u.%04u", unsigned{t.day}, unsigned{t.month},
                unsigned{t.year});
  return buf;
}

std::string classicTime(const SystemTime& t) {
  requireValid(t);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02u:%02u", unsigned{t.hour}, unsigned{t.minute});
  return buf;
}

LocaleHook& hook() {
  static LocaleHook h = defaultLocaleHook();
  return h;
}

}  // namespace

LocaleHook defaultLocaleHook() { return LocaleHook{'.', classicDate, classicTime}; }

const LocaleHook& localeHook() { return hook(); }

void setLocaleHook(LocaleHook h) { hook() = std::move(h); }

std::string formatShortDateTime(const SystemTime& t) {
  const LocaleHook& h = hook();
  try {
    if (!h.formatDate || !h.formatTime) return "---";
    return h.formatDate(t) + " " + h.formatTime(t);
  } catch (...) {
    return "---";
  }
}

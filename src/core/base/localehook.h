#pragma once
// The user's number and date conventions, handed to the core once at start-up by the UI (which
// reads them from the system locale). Tests set them directly.

#include <functional>
#include <string>

#include "core/base/systemtime.h"

struct LocaleHook {
  char decimalSeparator = '.';
  // Short date and time of day without seconds. A formatter throws when it cannot format.
  std::function<std::string(const SystemTime&)> formatDate;
  std::function<std::string(const SystemTime&)> formatTime;
};

// The hook in effect; defaults to '.', dd.MM.yyyy and HH:mm.
const LocaleHook& localeHook();
void setLocaleHook(LocaleHook hook);
LocaleHook defaultLocaleHook();

// Date, one blank, time of day; "---" when either part cannot be formatted.
std::string formatShortDateTime(const SystemTime& t);

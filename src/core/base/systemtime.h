#pragma once
// The moment a package was created, in the layout documents store it: eight little-endian
// uint16 fields, 16 bytes, local time.

#include <cstdint>

#pragma pack(push, 1)
struct SystemTime {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t dayOfWeek = 0;  // 0 = Sunday
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};
#pragma pack(pop)
static_assert(sizeof(SystemTime) == 16);

// The current local time of the machine.
SystemTime currentLocalTime();

// True when every field names a real calendar moment (years 1601..30827, as the stored format
// allows).
bool isValidSystemTime(const SystemTime& t);

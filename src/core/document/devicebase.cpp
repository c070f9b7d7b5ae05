#include "core/document/devicebase.h"

#include <array>
#include <cstdio>

namespace {

constexpr std::array<const char*, kDuCodeCount> kDu{"15", "20", "25",  "32",  "40",  "50",
                                                    "65", "80", "100", "125", "150", "200"};

}  // namespace

std::string_view DuText(int code) { return code >= 0 && code < kDuCodeCount ? kDu[code] : ""; }

int deviceFamily(int typeCode) {
  if (typeCode >= kFirstKeltCode && typeCode <= kLastTypeCode) return dfKelt;
  if (typeCode == kTdCode) return dfTd;
  return dfZorb;
}

std::string formatSerialNumber(int32_t serial, int duCode) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08u", static_cast<uint32_t>(serial));
  return std::string(buf[0] != '0' && duCode < 8 ? "0" : "") + buf;
}

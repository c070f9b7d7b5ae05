#include "core/document/devicebase.h"

#include <array>
#include <cstdio>

namespace {

constexpr std::array<const char*, kDuCodeCount> kDu{"15", "20", "25",  "32",  "40",  "50",
                                                    "65", "80", "100", "125", "150", "200"};

// "x" is the Latin letter, "\u0445" the Cyrillic one; both occur in model names.
constexpr const char* kZorbT = "ЗОРБ-Т(ТИ)";
constexpr const char* kZorbT12 = "ЗОРБ-Т1(Т2)";
constexpr const char* kZorbTi12 = "ЗОРБ-ТИ1(ТИ2)";
constexpr const char* kKelt6x = "КЕЛТ-ЧИ\u0445.6\u0445-xxx";
constexpr const char* kKelt73 = "КЕЛТ-ЧИ7.73";
constexpr const char* kKelt84 = "КЕЛТ-ЧИ7.84(94)";
constexpr const char* kKelt95 = "КЕЛТ-ЧИ7.95(85)";
constexpr const char* kKelt96 = "КЕЛТ-ЧИ7.96(86)";

constexpr DeviceTypeInfo zorb(uint8_t code, const char* group, const char* row,
                              const char* name = nullptr) {
  return {code, dfZorb, group, row, name ? name : row};
}
constexpr DeviceTypeInfo kelt(uint8_t code, const char* group, const char* row) {
  return {code, dfKelt, group, row, row};
}

constexpr std::array<DeviceTypeInfo, 36> kTypes{{
    {0, dfTd, nullptr, "Тайдмарк (ТД)", nullptr},
    zorb(1, kZorbT, "ЗОРБ-Т"),
    zorb(2, kZorbT, "ЗОРБ-ТИ1"),
    zorb(3, kZorbT, "ЗОРБ-ТИ2"),
    zorb(4, kZorbT12, "ЗОРБ-Т1-\u0445\u0445\u0445-М", "ЗОРБ-Т1-xxx-М"),
    zorb(5, kZorbT12, "ЗОРБ-Т1-xxx-П (КЕЛТ3-ЧИ6.50-xxx)"),
    zorb(6, kZorbT12, "ЗОРБ-Т2-xxx-М"),
    zorb(7, kZorbT12, "ЗОРБ-Т2-xxx-П"),
    zorb(8, kZorbTi12, "ЗОРБ-ТИ1-xxx-М"),
    zorb(9, kZorbTi12, "ЗОРБ-ТИ1-xxx-П (КЕЛТ3-ЧИ6.52-xxx)"),
    zorb(10, kZorbTi12, "ЗОРБ-ТИ2-xxx-0М"),
    zorb(11, kZorbTi12, "ЗОРБ-ТИ2-xxx-0П"),
    zorb(12, kZorbTi12, "ЗОРБ-ТИ2-xxx-1М"),
    zorb(13, kZorbTi12, "ЗОРБ-ТИ2-xxx-1П (КЕЛТ3-ЧИ7.51-xxx)"),
    zorb(14, kZorbTi12, "ЗОРБ-ТИ2-xxx-2М"),
    zorb(15, kZorbTi12, "ЗОРБ-ТИ2-xxx-2П"),
    zorb(16, kZorbTi12, "ЗОРБ-ТИ2-xxx-3М"),
    zorb(17, kZorbTi12, "ЗОРБ-ТИ2-xxx-3П (КЕЛТ3-ЧИ7.53-xxx)"),
    kelt(18, nullptr, "КЕЛТ-ЧИ7-xxx"),
    kelt(19, kKelt6x, "КЕЛТ1-ЧИ6.xx-xxx"),
    kelt(20, kKelt6x, "КЕЛТ2-ЧИ6.xx-xxx"),
    kelt(21, kKelt6x, "КЕЛТ1-ЧИ7.61-xxx"),
    kelt(22, kKelt6x, "КЕЛТ2-ЧИ7.61-xxx"),
    kelt(23, kKelt6x, "КЕЛТ1-ЧИ7.62-xxx"),
    kelt(24, kKelt6x, "КЕЛТ2-ЧИ7.62-xxx"),
    kelt(25, kKelt73, "КЕЛТ1-ЧИ7.73-xxx"),
    kelt(26, kKelt73, "КЕЛТ2-ЧИ7.73-xxx"),
    kelt(27, kKelt84, "КЕЛТ1-ЧИ7.84(94)-xxx"),
    kelt(28, kKelt84, "КЕЛТ2-ЧИ7.84(94)-xxx"),
    kelt(29, kKelt84, "КЕЛТ3-ЧИ7.84(94)-xxx"),
    kelt(30, kKelt95, "КЕЛТ1-ЧИ7.95(85)-xxx"),
    kelt(31, kKelt95, "КЕЛТ2-ЧИ7.95(85)-xxx"),
    kelt(32, kKelt95, "КЕЛТ3-ЧИ7.95(85)-xxx"),
    kelt(33, kKelt96, "КЕЛТ1-ЧИ7.96(86)-xxx"),
    kelt(34, kKelt96, "КЕЛТ2-ЧИ7.96(86)-xxx"),
    kelt(35, kKelt96, "КЕЛТ3-ЧИ7.96(86)-xxx"),
}};

// ZORB models by index (code - 1) that have a pulse output: indices 1, 2 and 7 upwards.
bool zorbHasPulseOutput(int modelIndex) {
  return modelIndex == 1 || modelIndex == 2 || modelIndex >= 7;
}

}  // namespace

std::string_view DuText(int code) { return code >= 0 && code < kDuCodeCount ? kDu[code] : ""; }

std::span<const DeviceTypeInfo> deviceTypes() { return kTypes; }

const DeviceTypeInfo* deviceType(int code) {
  return code >= 0 && code <= kLastTypeCode ? &kTypes[code] : nullptr;
}

int deviceFamily(int typeCode) {
  if (typeCode >= kFirstKeltCode && typeCode <= kLastTypeCode) return dfKelt;
  if (typeCode == kTdCode) return dfTd;
  return dfZorb;
}

int hiddenColumnCount(int typeCode, bool verification) {
  if (!verification || deviceFamily(typeCode) != dfZorb) return 0;
  return zorbHasPulseOutput(typeCode - kFirstZorbCode) ? 0 : 3;
}

std::string formatSerialNumber(int32_t serial, int duCode) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08u", static_cast<uint32_t>(serial));
  return std::string(buf[0] != '0' && duCode < 8 ? "0" : "") + buf;
}

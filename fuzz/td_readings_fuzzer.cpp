// Any bytes as a TD readings file, loaded as the readings page does: input byte 0 bit 0 is the
// user's decimal comma, bytes 1-4 the shown part of the axis (two signed 16-bit numbers); the rest
// is the file. The loaded series go through the noise analysis and are saved again.

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/devices/td/tdreadings.h"

namespace {

constexpr size_t kHeader = 5;

int16_t int16At(const uint8_t* at) {
  int16_t v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

void showAndSave(const std::vector<TdReadingPoint>& points, double axisMin, double axisMax) {
  std::vector<double> codes, filtered;
  for (const TdReadingPoint& p : points) {
    codes.push_back(p.code);
    filtered.push_back(p.filtered);
  }
  const double maxX = codes.empty() ? 0 : static_cast<double>(codes.size() - 1);
  tdAnalysis(codes, 0, maxX, axisMin, axisMax);
  tdReadingsCsv(codes, filtered);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  LocaleHook locale = defaultLocaleHook();
  locale.decimalSeparator = (data[0] & 1) ? ',' : '.';
  setLocaleHook(locale);
  const std::string_view text(reinterpret_cast<const char*>(data + kHeader), size - kHeader);
  try {
    showAndSave(tdParseReadingsCsv(text), int16At(data + 1), int16At(data + 3));
  } catch (const MessageError&) {
  }
  return 0;
}

#include "core/devices/td/tddocblock.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/base/errors.h"
#include "core/devices/td/tdpanelmodel.h"

namespace {

// The panel's diameter list: nominal diameter, its code, and the sensitivity threshold (m³/h)
// above which the meter is of class "Б".
struct Diameter {
  int mm;
  int code;
  double threshold;
};
constexpr Diameter kDiameters[] = {
    {15, 0, 0.007}, {20, 1, 0.013}, {25, 2, 0.025}, {32, 3, 0.04},  {40, 4, 0.06},
    {50, 5, 0.1},   {80, 7, 0.25},  {100, 8, 0.4},  {150, 10, 0.8}, {65, 6, 0.14},
};
constexpr int kDiameterCount = static_cast<int>(std::size(kDiameters));

const Diameter& diameterAt(int position) {
  return kDiameters[position >= 0 && position < kDiameterCount ? position : 0];
}

// A line's bound as a code threshold: truncated toward zero, kept within int32.
int32_t thresholdOf(double f) {
  if (std::isnan(f)) return 0;
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::trunc(std::clamp(f, lo, hi)));
}

// A coefficient as the meter holds it; one beyond single precision cannot be held at all.
float singleOf(double v) {
  if (!(std::fabs(v) <= std::numeric_limits<float>::max())) throw MathError();
  return static_cast<float>(v);
}

// A limit field: 0 unless it holds a number in single-precision range.
float limitOf(const std::string& text) {
  const double v = tdNumberOrZero(text);
  return std::fabs(v) <= std::numeric_limits<float>::max() ? static_cast<float>(v) : 0;
}

}  // namespace

TdParameters tdParametersOf(const TdOutputs& outputs, const std::string& gmaxText,
                            const std::string& gporText) {
  return {outputs.weight, outputs.pulseLength, outputs.flags, limitOf(gmaxText), limitOf(gporText)};
}

std::array<uint8_t, kTdParametersSize> tdEncodeParameters(const TdParameters& parameters) {
  std::array<uint8_t, kTdParametersSize> block;
  std::memcpy(block.data(), &parameters, block.size());
  return block;
}

std::optional<TdParameters> tdDecodeParameters(std::span<const uint8_t> block) {
  if (block.size() < kTdParametersSize) return std::nullopt;
  TdParameters parameters;
  std::memcpy(&parameters, block.data(), kTdParametersSize);
  return parameters;
}

int tdDuCode(int position) {
  return position >= 0 && position < kDiameterCount ? kDiameters[position].code : 0;
}

int tdDuPosition(int code) {
  for (int i = 0; i < kDiameterCount; ++i) {
    if (kDiameters[i].code == code) return i;
  }
  return 0;
}

std::string tdDeviceName(uint8_t major, double gpor, int diameterPosition) {
  const bool coarse = gpor > diameterAt(diameterPosition).threshold;
  return std::string(tdVersionTraits(major, 0).namePrefix) + (coarse ? "Б" : "А");
}

std::vector<files::Line> tdLinesOfTable(const TdCoefficients& table) {
  std::vector<files::Line> lines;
  for (const TdCoefficientRow& row : table.rows) lines.push_back({row.A, row.B, 0});
  for (size_t i = 0; i < 4; ++i) lines[i].F = table.rows[i].threshold;
  return lines;
}

TdCoefficients tdTableWithLines(TdCoefficients table, const std::vector<files::Line>& lines) {
  if (lines.size() > table.rows.size()) {
    throw MessageError("Слишком много прямых аппроксимации");
  }
  const size_t count = lines.size();
  for (size_t i = 0; i < table.rows.size(); ++i) {
    TdCoefficientRow& row = table.rows[i];
    row = {};
    if (i < count) {
      row.A = singleOf(lines[i].A);
      row.B = singleOf(lines[i].B);
    }
    if (i + 1 < count) row.threshold = thresholdOf(lines[i].F);
    if (i + 1 == count && i < 4) row.threshold = kTdLastThreshold;
  }
  return table;
}

int32_t tdSerialOfText(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data() + b, text.data() + e, v);
  // Serial numbers are unsigned on the meter; the document keeps the same 32 bits.
  if (b == e || ec != std::errc() || end != text.data() + e ||
      v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<uint32_t>::max()) {
    return 0;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

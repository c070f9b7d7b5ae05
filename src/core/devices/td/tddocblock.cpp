#include "core/devices/td/tddocblock.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/base/errors.h"
#include "core/devices/td/tdpanelmodel.h"

namespace {

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

std::vector<files::Line> tdLinesOfTable(const TdCoefficients& table) {
  std::vector<files::Line> lines;
  for (const TdCoefficientRow& row : table.rows) lines.push_back({row.A, row.B, 0});
  for (size_t i = 0; i < 4; ++i) lines[i].F = table.rows[i].threshold;
  return lines;
}

TdTableLines tdTableWithLines(TdCoefficients table, const std::vector<files::Line>& lines) {
  if (lines.size() > table.rows.size()) return {std::nullopt, {kTdTooManyLines}};
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
  return {table, {}};
}

#pragma once
// The TD meter as the document stores it: the 14-byte parameter block, and the coefficient lines
// of the approximation as the direct coefficient table.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/devices/td/tdprotocol.h"
#include "core/package/line.h"

// The parameter block of a TD document, 14 bytes: the output block as the meter holds it
// (weight m³ per pulse, pulse length, flags), then gmax and gpor (m³/h) of the direct table.
#pragma pack(push, 1)
struct TdParameters {
  float pulseWeight = 0;
  uint8_t pulseLength = 0;
  uint8_t flags = 0;
  float gmax = 0;
  float gpor = 0;
};
#pragma pack(pop)
static_assert(sizeof(TdParameters) == 14);
inline constexpr uint32_t kTdParametersSize = sizeof(TdParameters);

// The block of the panel's outputs (built leniently) and the limit fields of its direct table; a
// limit that is not a number the meter can hold is 0.
TdParameters tdParametersOf(const TdOutputs& outputs, const std::string& gmaxText,
                            const std::string& gporText);
// The output part of a block, as a read of the meter's outputs gives it.
inline TdOutputs tdOutputsOf(const TdParameters& p) {
  return {p.pulseWeight, p.pulseLength, p.flags};
}

std::array<uint8_t, kTdParametersSize> tdEncodeParameters(const TdParameters& parameters);
// None when the block is shorter than 14 bytes.
std::optional<TdParameters> tdDecodeParameters(std::span<const uint8_t> block);

// The five lines of a direct table: A, B and the code threshold of rows 1..4, row 5 with F 0.
std::vector<files::Line> tdLinesOfTable(const TdCoefficients& table);
// The direct table a line set gives, or none when the meter cannot hold the lines: the panel is
// then left as it is, and the warnings tell why.
struct TdTableLines {
  std::optional<TdCoefficients> table;
  std::vector<std::string> warnings;
};
// `table` with its rows replaced by `lines` (gmax and gpor stay): rows past the lines are zero,
// the last line's row gets the threshold 9999999. More than five lines give no table and the
// warning kTdTooManyLines. Throws MathError for an A or B beyond single precision.
TdTableLines tdTableWithLines(TdCoefficients table, const std::vector<files::Line>& lines);
inline constexpr const char* kTdTooManyLines = "Слишком много прямых аппроксимации";
inline constexpr int32_t kTdLastThreshold = 9999999;

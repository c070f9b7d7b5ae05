#include "core/devices/zorb/zorbdocblock.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kWeightOffset = 4;
constexpr int32_t kLastWeightPosition = 2;

// What a ZORB transducer can hold: the panel's edits limit B further, to -36..36.
constexpr double kMaxA = 36;
constexpr double kMaxB = 558;

bool within(double value, double min, double max) { return value >= min && value <= max; }

}  // namespace

std::array<uint8_t, kZorbParameterSize> zorbDocBlock(int32_t weightPosition) {
  std::array<uint8_t, kZorbParameterSize> block{};
  std::memcpy(block.data() + kWeightOffset, &weightPosition, sizeof weightPosition);
  return block;
}

std::optional<int32_t> zorbWeightPositionOf(const uint8_t* data, uint32_t length) {
  if (length < kZorbParameterSize) return std::nullopt;
  int32_t position;
  std::memcpy(&position, data + kWeightOffset, sizeof position);
  return std::clamp(position, 0, kLastWeightPosition);
}

std::vector<files::Line> zorbReadLines(std::vector<files::Line> lines, double a, double b) {
  lines.resize(1);
  lines[0].A = a;
  lines[0].B = b;
  return lines;
}

ZorbLineEdits zorbWriteLines(const std::vector<files::Line>& lines) {
  ZorbLineEdits edits;
  if (lines.empty()) return edits;
  const files::Line& line = lines.front();
  if (!within(line.A, 0, kMaxA))
    edits.warnings.push_back("Коэффициент A не принадлежит допустимому диапазону");
  if (!within(line.B, -kMaxB, kMaxB))
    edits.warnings.push_back("Коэффициент B не принадлежит допустимому диапазону");
  if (lines.size() >= 2) edits.warnings.push_back("Слишком много прямых аппроксимации");
  edits.values = ZorbCoefficients{line.A, line.B};
  return edits;
}

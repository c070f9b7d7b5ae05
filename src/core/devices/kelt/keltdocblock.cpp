#include "core/devices/kelt/keltdocblock.h"

#include <algorithm>
#include <cstring>

#include "core/devices/kelt/keltmodels.h"
#include "core/devices/kelt/keltpanelmodel.h"

namespace {

std::string rangeWarning(const char* what, const std::string& name) {
  return std::string(what) + name + " не принадлежит допустимому диапазону";
}

}  // namespace

std::vector<files::Line> keltReadLines(const double (&A)[5], const double (&B)[5],
                                       const double (&F)[4], int model) {
  std::vector<files::Line> lines;
  for (int i = 0; i < keltSegmentCount(model); ++i)
    lines.push_back({A[i], B[i], F[std::min(i, 3)]});
  return lines;
}

// Range warnings leave the values as given: the edits and, on writing, the block encoding have
// the last word.
KeltLineEdits keltWriteLines(const std::vector<files::Line>& lines, int model) {
  KeltLineEdits e;
  const std::size_t n = lines.size();
  for (std::size_t i = 0; i < 5; ++i) {
    e.A[i] = i < n ? lines[i].A : 0;
    if (i < n && !(e.A[i] >= 0 && e.A[i] <= 36)) {
      e.warnings.push_back(rangeWarning("Коэффициент A", std::to_string(i + 1)));
    }
  }
  for (std::size_t i = 0; i < 5; ++i) {
    e.B[i] = i < n ? lines[i].B : 0;
    if (i < n && !(e.B[i] >= -279 && e.B[i] <= 279)) {
      e.warnings.push_back(rangeWarning("Коэффициент B", std::to_string(i + 1)));
    }
  }
  for (std::size_t j = 0; j < 4; ++j) {
    const bool given = j + 1 < n;
    e.F[j] = given ? lines[j].F : 32768;
    if (given && !(e.F[j] >= 0.5 && e.F[j] <= 32768)) {
      e.warnings.push_back(
          rangeWarning("Граничная частота F", std::to_string(j + 1) + std::to_string(j + 2)));
    }
  }
  if (n > 5 || (keltSegmentCount(model) == 4 && n >= 5)) {
    e.warnings.push_back("Слишком много прямых аппроксимации");
  }
  return e;
}

std::optional<KeltDocParameters> keltReadDocParameters(const uint8_t* data, uint32_t length,
                                                       int model) {
  if (data == nullptr || length < sizeof(KeltDocParameters)) return std::nullopt;
  KeltDocParameters p;
  std::memcpy(&p, data, sizeof p);
  const int types = static_cast<int>(keltOutputTypes(model).size());
  p.outputPosition = std::clamp(p.outputPosition, 0, types - 1);
  p.weightPosition = std::clamp(p.weightPosition, 0, 4);
  return p;
}

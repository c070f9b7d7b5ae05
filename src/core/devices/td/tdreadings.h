#pragma once
// The readings page of the TD panel: the low-pass filter drawn beside the raw signal code, the
// noise analysis of a stretch of the chart, and the readings file, one line per point:
// "index;code;filtered" in the user's decimal separator.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/systemtime.h"

// Second-order recursive low-pass filter with unity gain at zero frequency. After a reset the
// first reading passes through, the second gives the mean of the first two, and the recursion
// starts with the third.
class TdFilter {
 public:
  float step(float v);
  void reset() { *this = TdFilter(); }

 private:
  float x0_ = 0, x1_ = 0, x2_ = 0;  // inputs, newest first
  float y0_ = 0, y1_ = 0, y2_ = 0;  // outputs, newest first
  int warmUp_ = 2;
};

// The analysis of the code series (point i at X = i, spanning minX..maxX) over the part the
// horizontal axis shows (axisMin..axisMax): mean, noise (mean step between neighbours) and their
// ratio, as the message log shows it. None when the part is empty or its codes sum to 0.
std::optional<std::string> tdAnalysis(std::span<const double> codes, double minX, double maxX,
                                      double axisMin, double axisMax);  // can throw

// The file text of the two series, point by point.
std::string tdReadingsCsv(std::span<const double> codes, std::span<const double> filtered);

struct TdReadingPoint {
  double code = 0;
  double filtered = 0;
};
// The points of a readings file: the second and third field of each line (a missing or empty
// field is 0). Throws ConvertError for a field that is not a number.
std::vector<TdReadingPoint> tdParseReadingsCsv(std::string_view text);

// The name the save dialog proposes: "Показания_dd_mm_hh_nn.csv".
std::string tdReadingsFileName(const SystemTime& now);
// The chosen name, with ".csv" appended when it has no extension.
std::string tdWithCsvExtension(const std::string& path);

std::string tdReadingsSavedMessage(const std::string& path);
std::string tdReadingsLoadedMessage(const std::string& path);
inline constexpr const char* kTdReadingsSaveFailed = "Ошибка сохранения файла";
inline constexpr const char* kTdReadingsLoadFailed = "Ошибка загрузки файла";

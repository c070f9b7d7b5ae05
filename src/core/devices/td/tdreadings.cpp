#include "core/devices/td/tdreadings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/devices/td/tdpanelmodel.h"
#include "core/package/celltext.h"

namespace {

// Coefficients of the filter (a0 = 1), in single precision as the meter's firmware has them.
constexpr float kB0 = 0.001492f, kB1 = 0.002985f, kB2 = 0.001492f;
constexpr float kA1 = -1.864714f, kA2 = 0.870683f;

// "%G": as tdFormatG with a capital exponent letter.
std::string formatUpperG(double v) {
  std::string text = tdFormatG(v);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

// "%g" (six significant digits) with the user's decimal separator: the analysis line reads as a
// measurement, not as a stored value.
std::string formatG(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%g", checked(v));
  return withDecimalSeparator(text, localeHook().decimalSeparator);
}

// A field of a readings file: empty is 0, a leading "-" negates what follows.
double fieldValue(std::string_view field) {
  while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) field.remove_prefix(1);
  while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
  if (field.empty()) return 0;
  const bool negative = field.front() == '-';
  if (negative) field.remove_prefix(1);
  const char sep = localeHook().decimalSeparator;
  const double v = parseReal(withDecimalSeparator(std::string(field), sep), sep);
  return negative ? -v : v;
}

// The n-th ";"-separated field of a line; empty when the line has fewer.
std::string_view fieldAt(std::string_view line, int n) {
  for (int i = 0; i < n; ++i) {
    const size_t semicolon = line.find(';');
    if (semicolon == std::string_view::npos) return {};
    line.remove_prefix(semicolon + 1);
  }
  return line.substr(0, line.find(';'));
}

// Index within 0..limit of an X value, truncated toward zero.
long indexOf(double x, long limit) {
  if (std::isnan(x)) return 0;
  return static_cast<long>(std::trunc(std::clamp(x, -1.0, static_cast<double>(limit))));
}

}  // namespace

float TdFilter::step(float v) {
  x2_ = x1_;
  x1_ = x0_;
  y2_ = y1_;
  y1_ = y0_;
  x0_ = v;
  if (warmUp_ == 0) {
    y0_ = static_cast<float>(double{kB0} * x0_ + double{kB1} * x1_ + double{kB2} * x2_ -
                             double{kA1} * y1_ - double{kA2} * y2_);
  } else if (--warmUp_ == 0) {
    y0_ = y1_ = y2_ = static_cast<float>((double{x0_} + x1_) / 2);
  } else {
    y0_ = x0_;
  }
  return y0_;
}

std::optional<std::string> tdAnalysis(std::span<const double> codes, double minX, double maxX,
                                      double axisMin, double axisMax) {
  if (codes.empty()) return std::nullopt;
  // Point i has X = i; a range beyond the points is cut to them.
  const long last = static_cast<long>(codes.size()) - 1;
  const long start = std::max(0L, indexOf(std::max(minX, axisMin), last));
  const long end = indexOf(std::min(maxX, axisMax), last);
  if (end <= start) return std::nullopt;
  float sum = 0;
  float noise = 0;
  for (long i = start; i < end; ++i) {
    sum += static_cast<float>(codes[i]);
    noise += static_cast<float>(std::fabs(codes[i] - codes[i + 1]));
  }
  if (sum == 0) return std::nullopt;
  const double n = static_cast<double>(end - start);
  char text[256];
  std::snprintf(text, sizeof text,
                "Диапазон: %ld - %ld, Среднее значение: %s, Шум: %s, Шум/Сигнал: %s%%", start, end,
                formatG(sum / n).c_str(), formatG(noise / n).c_str(),
                formatG(tdNoiseRatio(noise, sum)).c_str());
  return text;
}

std::string tdReadingsCsv(std::span<const double> codes, std::span<const double> filtered) {
  std::string text;
  for (size_t i = 0; i < codes.size(); ++i) {
    const double f = i < filtered.size() ? filtered[i] : 0;
    text += std::to_string(i) + ';' + formatUpperG(codes[i]) + ';' + formatUpperG(f) + '\n';
  }
  return text;
}

std::vector<TdReadingPoint> tdParseReadingsCsv(std::string_view text) {
  std::vector<TdReadingPoint> points;
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    points.push_back({fieldValue(fieldAt(line, 1)), fieldValue(fieldAt(line, 2))});
  }
  return points;
}

std::string tdReadingsFileName(const SystemTime& now) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02u_%02u_%02u_%02u", now.day % 100u, now.month % 100u,
                now.hour % 100u, now.minute % 100u);
  return std::string("Показания_") + stamp + ".csv";
}

std::string tdWithCsvExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return path.find('.', nameStart) == std::string::npos ? path + ".csv" : path;
}

std::string tdReadingsSavedMessage(const std::string& path) {
  return "Файл показаний " + path + " сохранен";
}

std::string tdReadingsLoadedMessage(const std::string& path) {
  return "Файл показаний " + path + " загружен";
}

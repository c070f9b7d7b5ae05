#include "core/package/sectionchart.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Margins around the points, so none sits on the frame: a factor on the logarithmic flow axis, a
// share of the span on the error axis.
constexpr double kFlowMargin = 1.25;
constexpr double kErrorMargin = 0.1;
constexpr double kFlatErrorMargin = 1.0;  // percent, when every error is the same

bool plottable(const SPILT_POINT& p) {
  return std::isfinite(p.y) && p.y > 0 && std::isfinite(p.error);
}

ChartRange flowRange(const std::vector<SectionMarker>& points) {
  if (points.empty()) return {1, 10};
  auto [lo, hi] = std::minmax_element(points.begin(), points.end(),
                                      [](auto& a, auto& b) { return a.flow < b.flow; });
  return {lo->flow / kFlowMargin, hi->flow * kFlowMargin};
}

ChartRange errorRange(const std::vector<SectionMarker>& points) {
  if (points.empty()) return {-kFlatErrorMargin, kFlatErrorMargin};
  auto [lo, hi] = std::minmax_element(points.begin(), points.end(),
                                      [](auto& a, auto& b) { return a.error < b.error; });
  const double span = hi->error - lo->error;
  const double margin = span > 0 ? span * kErrorMargin : kFlatErrorMargin;
  return {lo->error - margin, hi->error + margin};
}

std::vector<SectionTick> sectionTicks(const std::vector<SectionMarker>& points) {
  struct Sum {
    double logFlow = 0;
    int count = 0;
  };
  std::map<int32_t, Sum> sums;
  for (const SectionMarker& m : points) {
    if (m.number <= 0) continue;
    Sum& s = sums[m.number];
    s.logFlow += std::log(m.flow);
    ++s.count;
  }
  std::vector<SectionTick> ticks;
  ticks.reserve(sums.size());
  for (const auto& [number, s] : sums) ticks.push_back({std::exp(s.logFlow / s.count), number});
  return ticks;
}

}  // namespace

SectionChart sectionChart(const SPILT_STRUCT& series) {
  SectionChart chart;
  for (size_t i = 0; i < series.points.size(); ++i) {
    const SPILT_POINT& p = series.points[i];
    if (!plottable(p)) continue;
    const SectionMarker m{p.y, p.error, static_cast<int>(i), p.number};
    chart.front.push_back(m);
    if (p.marked) chart.back.push_back(m);
  }
  chart.ticks = sectionTicks(chart.front);
  chart.flow = flowRange(chart.front);
  chart.error = errorRange(chart.front);
  return chart;
}

void toggleSection(SPILT_STRUCT& series, size_t index) {
  if (index >= series.points.size()) return;
  const int32_t number = series.points[index].number;
  const uint8_t marked = series.points[index].marked ? 0 : 1;
  for (SPILT_POINT& p : series.points)
    if (p.number == number) p.marked = marked;
}

void clearMarks(SPILT_STRUCT& series) {
  for (SPILT_POINT& p : series.points) p.marked = 0;
}

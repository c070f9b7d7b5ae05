#include "core/graphs/graphcalc.h"

#include <algorithm>
#include <cmath>

#include "core/base/localehook.h"
#include "core/package/celltext.h"

namespace graphcalc {

namespace {

using S = MarkerStyle;
using C = PaletteColor;

// Shapes and colours interleave so that neighbouring series differ in both.
constexpr PaletteEntry kPalette[kPaletteSize] = {
    {S::Circle, C::Green, 12},      {S::Rectangle, C::Blue, 6},    {S::Triangle, C::Black, 20},
    {S::Diamond, C::Yellow, 19},    {S::DownTriangle, C::Red, 3},  {S::Rectangle, C::Green, 7},
    {S::Triangle, C::Blue, 21},     {S::Diamond, C::Black, 15},    {S::DownTriangle, C::Yellow, 4},
    {S::Circle, C::Red, 13},        {S::Triangle, C::Green, 22},   {S::Diamond, C::Blue, 16},
    {S::DownTriangle, C::Black, 0}, {S::Circle, C::Yellow, 14},    {S::Rectangle, C::Red, 8},
    {S::Diamond, C::Green, 17},     {S::DownTriangle, C::Blue, 1}, {S::Circle, C::Black, 10},
    {S::Rectangle, C::Yellow, 9},   {S::Triangle, C::Red, 23},     {S::DownTriangle, C::Green, 2},
    {S::Circle, C::Blue, 11},       {S::Rectangle, C::Black, 5},   {S::Triangle, C::Yellow, 24},
    {S::Diamond, C::Red, 18},
};

// Groups are points within this many percent of the group's first horizontal value.
constexpr double kGroupPercent = 5;
// Curve sampling: each step is 5/6 of the previous, down to the smallest value plus this.
constexpr double kCurveMargin = 0.0001;

}  // namespace

const PaletteEntry& paletteEntry(std::size_t k) { return kPalette[k % kPaletteSize]; }

int pictureIndex(MarkerStyle style, PaletteColor color) {
  for (const PaletteEntry& e : kPalette)
    if (e.style == style && e.color == color) return e.picture;
  return -1;
}

std::size_t lineForReading(const std::vector<APROX_STRUCT>& lines, double x) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].F >= x) return i;
  return lines.size() - 1;
}

std::size_t lineForFlow(const std::vector<APROX_STRUCT>& lines, double q) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].F * lines[i].A + lines[i].B >= q) return i;
  return lines.size() - 1;
}

double recomputedError(const SPILT_POINT& point, const std::vector<APROX_STRUCT>& lines) {
  const APROX_STRUCT& line = lines[lineForReading(lines, point.x)];
  const double q = point.x * line.A + line.B;
  return (q - point.y) * 100 / point.y;
}

std::vector<PlotPoint> seriesPoints(GraphTab tab, const SPILT_STRUCT& series,
                                    const std::vector<APROX_STRUCT>& lines,
                                    const SeriesOptions& options) {
  std::vector<PlotPoint> out;
  const double o = options.offset;
  if (tab == GraphTab::Error) {
    const bool stored = options.storedErrors && series.hasErrors;
    if (!stored && !(series.hasPoints && !lines.empty())) return out;
    out.reserve(series.points.size());
    for (const SPILT_POINT& p : series.points) {
      const double e = stored ? p.error : recomputedError(p, lines);
      if (std::isfinite(e)) out.push_back({p.y, e});
    }
    return out;
  }
  if (!series.hasPoints) return out;
  out.reserve(series.points.size());
  for (const SPILT_POINT& p : series.points) {
    switch (tab) {
      case GraphTab::DirectA:
        out.push_back({p.y, p.x - o});
        break;
      case GraphTab::DirectB:
        out.push_back({std::fabs(p.x - o), p.y});
        break;
      default:
        out.push_back({p.y, p.y == 0 ? 0 : (p.x - o) / p.y});
        break;
    }
  }
  return out;
}

std::vector<CurvePoint> curvePoints(GraphTab tab, const std::vector<APROX_STRUCT>& lines,
                                    double minX, double maxX, double offset) {
  std::vector<CurvePoint> out;
  if (tab == GraphTab::Error || lines.empty()) return out;
  // The steps only approach 0, so a bound at or below 0 would never be passed.
  const double bound = std::max(minX, 0.0) + kCurveMargin;
  for (double h = maxX; h >= bound; h = h * 5 / 6) {
    if (tab == GraphTab::DirectB) {
      if (h - offset < bound) break;
      const std::size_t i = lineForReading(lines, h);
      out.push_back({h - offset, h * lines[i].A + lines[i].B, i});
      continue;
    }
    const std::size_t i = lineForFlow(lines, h);
    const double r = (h - lines[i].B) / lines[i].A - offset;
    const double y = tab == GraphTab::DirectA ? r : r / h;
    if (std::isfinite(y)) out.push_back({h, y, i});
  }
  return out;
}

std::vector<ScatterPoint> scatterPoints(GraphTab tab, std::vector<PlotPoint> pairs) {
  std::vector<ScatterPoint> out;
  if (tab != GraphTab::Error && tab != GraphTab::Relative) return out;
  auto rest = pairs.begin();
  while (rest != pairs.end()) {
    const double x0 = rest->x;
    if (x0 == 0) {
      ++rest;
      continue;
    }
    // The group keeps the list order of its members; the others stay after it for later groups.
    const auto groupEnd = std::stable_partition(rest, pairs.end(), [x0](const PlotPoint& p) {
      return std::fabs(p.x - x0) * 100 / std::fabs(x0) < kGroupPercent;
    });
    double sumX = 0, sumY = 0;
    double lo = rest->y, hi = rest->y;
    for (auto it = rest; it != groupEnd; ++it) {
      sumX += it->x;
      sumY += it->y;
      lo = std::min(lo, it->y);
      hi = std::max(hi, it->y);
    }
    const double n = static_cast<double>(groupEnd - rest);
    if (tab == GraphTab::Error)
      out.push_back({sumX / n, sumY / n, hi - lo});
    else
      out.push_back({sumX / n, (hi + lo) / 2, (hi - lo) * 100 / lo});
    rest = groupEnd;
  }
  return out;
}

std::string scatterMark(double value) {
  if (!std::isfinite(value)) return "---";
  return formatReal(value, 2, localeHook().decimalSeparator) + " %";
}

ChartRange zoomCloser(ChartRange range) {
  const double r = range.upper - range.lower;
  return {range.lower + 0.1 * r, range.upper - 0.1 * r};
}

ChartRange zoomFurther(ChartRange range) {
  const double r = range.upper - range.lower;
  return {range.lower - 0.2 * r, range.upper + 0.2 * r};
}

bool minorGridShown(ChartRange range) {
  const double r = range.upper - range.lower;
  return r >= 1 && r < 5;
}

double leastValueSpan(GraphTab tab, ChartRange values) {
  if (tab == GraphTab::Error) return 0.1;
  const double magnitude = std::max(std::fabs(values.lower), std::fabs(values.upper));
  return magnitude > 0 ? 0.001 * magnitude : 1;
}

ChartRange valueAxisRange(GraphTab tab, ChartRange values) {
  constexpr double kMargin = 1.1;
  const double span = std::max(values.upper - values.lower, leastValueSpan(tab, values));
  const double middle = values.lower / 2 + values.upper / 2;
  return {middle - span * kMargin / 2, middle + span * kMargin / 2};
}

TabAxes tabAxes(GraphTab tab) {
  using A = AxisCaption;
  switch (tab) {
    case GraphTab::Error:
      return {A::Error, A::Flow, true};
    case GraphTab::DirectA:
      return {A::Reading, A::Flow, false};
    case GraphTab::DirectB:
      return {A::Flow, A::Reading, false};
    case GraphTab::Relative:
      break;
  }
  return {A::Ratio, A::Flow, true};
}

LimitBand limitBand(const ToleranceProfile& profile, double maxFlow, double begin, double end) {
  LimitBand band;
  const double scale = profile.basis == ZoneBasis::fractionOfMax ? std::fabs(maxFlow) : 1.0;
  const std::vector<ToleranceZone>& zones = profile.zones;
  for (std::size_t i = 0; i < zones.size(); ++i) {
    const double from = std::max(begin, zones[i].from * scale);
    const double to = std::min(end, i + 1 < zones.size() ? zones[i + 1].from * scale : end);
    if (!(from < to)) continue;
    band.upper.push_back({from, zones[i].plus});
    band.upper.push_back({to, zones[i].plus});
    band.lower.push_back({from, -zones[i].minus});
    band.lower.push_back({to, -zones[i].minus});
  }
  return band;
}

}  // namespace graphcalc

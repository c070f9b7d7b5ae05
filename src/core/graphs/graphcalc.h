#pragma once
// What the graph window plots, computed without a chart: the points of each package series on
// each tab, the curve sampled from the coefficient lines, the scatter groups, the palette and the
// zoom steps. The window only hands these numbers to the chart.

#include <cstddef>
#include <string>
#include <vector>

#include "core/package/graphdata.h"
#include "core/package/sectionchart.h"
#include "core/verdict/tolerance.h"

namespace graphcalc {

// The tabs in their order on the window.
enum class GraphTab { Error = 0, DirectA = 1, DirectB = 2, Relative = 3 };
inline constexpr int kTabCount = 4;

enum class MarkerStyle { Circle, Rectangle, Triangle, Diamond, DownTriangle };
enum class PaletteColor { Green, Blue, Black, Yellow, Red };

struct PaletteEntry {
  MarkerStyle style;
  PaletteColor color;
  int picture;  // index of the list item's picture
};

inline constexpr std::size_t kPaletteSize = 25;
// Entry of series (or curve segment) k; k is taken modulo 25.
const PaletteEntry& paletteEntry(std::size_t k);
// The list picture that shows `style` in `color`: the inverse of the palette's picture column.
int pictureIndex(MarkerStyle style, PaletteColor color);

struct PlotPoint {
  double x = 0;
  double y = 0;
};

// The line that covers reading x: the first whose F is not below x, the last when none is.
// `lines` must not be empty.
std::size_t lineForReading(const std::vector<APROX_STRUCT>& lines, double x);
// The line that covers flow q: the first whose flow bound F * A + B is not below q, else the last.
std::size_t lineForFlow(const std::vector<APROX_STRUCT>& lines, double q);

// The relative error (%) of a point's reference flow against the flow the lines give for its
// reading. Not finite when the reference flow is 0.
double recomputedError(const SPILT_POINT& point, const std::vector<APROX_STRUCT>& lines);

struct SeriesOptions {
  bool storedErrors = false;  // "Расчетная погрешность": plot the stored errors on the error tab
  double offset = 0;  // "Смещение нуля", subtracted from the readings
};

// The points of one package series on a tab. Points that cannot be placed (a recomputed error
// with a reference flow of 0) are left out.
std::vector<PlotPoint> seriesPoints(GraphTab tab, const SPILT_STRUCT& series,
                                    const std::vector<APROX_STRUCT>& lines,
                                    const SeriesOptions& options);

struct CurvePoint {
  double x = 0;
  double y = 0;
  std::size_t segment = 0;  // index of the line the point was computed from
};

// The curve of the characteristic tabs, sampled from `maxX` down to `minX` (the horizontal range
// of the plotted points), each step 5/6 of the previous one. Empty on the error tab and without
// lines. Points that are not finite (a line with A = 0) are left out.
std::vector<CurvePoint> curvePoints(GraphTab tab, const std::vector<APROX_STRUCT>& lines,
                                    double minX, double maxX, double offset);

struct ScatterPoint {
  double x = 0;
  double y = 0;
  double value = 0;  // spread of the group: percentage points (error tab) or percent (ratio tab)
};

// Groups the plotted points by horizontal value (within 5 % of the first one of a group) and
// gives one point per group; pairs at 0 belong to no group. Only the error and the relative tabs
// have a scatter.
std::vector<ScatterPoint> scatterPoints(GraphTab tab, std::vector<PlotPoint> pairs);
// The mark of a scatter point: two decimals and " %"; "---" when the value is not finite.
std::string scatterMark(double value);

// The zoom buttons on the left axis: "Растянуть" narrows by 10 % of the span on each side,
// "Сжать" widens by 20 %.
ChartRange zoomCloser(ChartRange range);
ChartRange zoomFurther(ChartRange range);
// The left axis shows its minor grid only for a span from 1 up to 5.
bool minorGridShown(ChartRange range);

// The least span of the left axis on automatic scale: 0.1 percentage points of error, or 0.1 % of
// the larger magnitude of a characteristic (1 when both ends are 0), the same share of the value.
double leastValueSpan(GraphTab tab, ChartRange values);
// The automatic range of the left axis over the plotted values: their span and 5 % of it on each
// side, but never narrower than the least span, so values that differ only by rounding (errors
// right after the coefficients were written) draw as a flat row in the middle.
ChartRange valueAxisRange(GraphTab tab, ChartRange values);

// Which stored caption each axis takes on a tab, and whether the flow axis starts logarithmic.
enum class AxisCaption { Error, Flow, Reading, Ratio };
struct TabAxes {
  AxisCaption left;
  AxisCaption bottom;
  bool logarithmic;
};
TabAxes tabAxes(GraphTab tab);

// The permitted band of a tolerance profile on the error tab, as two step lines drawn in point
// order: each zone's limit held from its start to the next zone's start, from `begin` to `end`
// (a zone outside them is left out). Boundaries of a fraction basis are scaled by `maxFlow`.
struct LimitBand {
  std::vector<PlotPoint> upper;
  std::vector<PlotPoint> lower;
};
LimitBand limitBand(const ToleranceProfile& profile, double maxFlow, double begin, double end);

}  // namespace graphcalc

#pragma once
// What the section-selection chart shows of a package's series, and what a click on it changes.
// The chart plots reference flow (logarithmic, bottom) against error (left); the top axis repeats
// the flow scale and names the sections.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/package/graphdata.h"

struct ChartRange {
  double lower = 0;
  double upper = 0;
};

// One point of the chart; `index` is its position in the series.
struct SectionMarker {
  double flow = 0;
  double error = 0;
  int index = 0;
  int32_t number = 0;
};

// A section number on the top axis, at the geometric mean of its points' flows.
struct SectionTick {
  double flow = 0;
  int32_t number = 0;
};

struct SectionChart {
  std::vector<SectionMarker> front;  // every point the logarithmic flow axis can show
  std::vector<SectionMarker> back;   // the marked ones among them, drawn behind
  std::vector<SectionTick> ticks;    // sections 1..S in ascending order; none for section 0
  ChartRange flow;                   // bottom and top axes
  ChartRange error;                  // left axis
};

// Points with a flow that is not positive (an entry without a reference run) or an undefined
// error cannot be placed on the chart and are left out; they keep their marks.
SectionChart sectionChart(const SPILT_STRUCT& series);

// Turns the mark of point `index` over on every point of its section, so the points of a section
// always agree. A point outside the series changes nothing.
void toggleSection(SPILT_STRUCT& series, size_t index);

void clearMarks(SPILT_STRUCT& series);

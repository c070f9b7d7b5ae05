#pragma once
// The process-wide approximation state: the current line set, the approximation settings and the
// section and break-point lists of the last approximation. Everything that is not per document
// lives here and nowhere else.

#include <cstdint>
#include <vector>

#include "core/package/apprsettings.h"
#include "core/package/line.h"
#include "core/package/packagehelper.h"

struct ApproxState {
  std::vector<files::Line> lines;  // the current line set, in ascending order of range
  ApprSettings settings;
  std::vector<PackageHelper::Section> sections;
  std::vector<int32_t> breakPoints;
};

ApproxState& approxState();
inline std::vector<files::Line>& currentLines() { return approxState().lines; }
inline ApprSettings& apprSettings() { return approxState().settings; }

// Back to the start-up state: no lines, no sections, default settings with pulse weight 0.
void resetApproxState();

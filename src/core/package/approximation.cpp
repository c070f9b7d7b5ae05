#include "core/package/approximation.h"

#include <algorithm>
#include <cmath>

#include "core/base/errors.h"
#include "core/package/approxstate.h"
#include "core/package/physics.h"
#include "core/package/recalc.h"
#include "core/package/sections.h"

namespace {
constexpr double kSingular = 1e-12;
}  // namespace

files::Line fitProportional(std::span<const FitPoint> points) {
  double sr = 0, srr = 0;
  for (const FitPoint& p : points) {
    sr += p.v;
    srr += p.v * p.v;
  }
  files::Line line;
  line.A = checked(checked(sr) / checked(srr));
  return line;
}

files::Line fitLinear(std::span<const FitPoint> points) {
  double svv = 0, svw = 0, sww = 0, sv = 0, sw = 0;
  for (const FitPoint& p : points) {
    svv += p.v * p.v;
    svw += p.v * p.w;
    sww += p.w * p.w;
    sv += p.v;
    sw += p.w;
  }
  for (double s : {svv, svw, sww, sv, sw}) checked(s);
  // d is -(svv * sww - svw^2) <= 0, zero exactly when every point has the same reading. Rounding
  // rarely leaves an exact zero there, so a d lost in the rounding noise counts as zero too:
  // dividing by it would give a line of meaningless huge coefficients.
  const double d = checked(svw * svw - svv * sww);
  if (std::fabs(d) <= kSingular * std::max(svw * svw, svv * sww)) throw MathError();
  files::Line line;
  line.A = checked((svw * sw - sww * sv) / d);
  line.B = checked(-(svv * sw - svw * sv) / d);
  return line;
}

// ---- the line search --------------------------------------------------------------------------

namespace {

// ZORB transducers hold one line, fitted over every entry that is not switched off; its range bound
// F is kept.
template <class E>
void approximateZorb(const std::vector<E>& entries) {
  std::vector<files::Line>& lines = currentLines();
  lines.resize(1);
  std::vector<FitPoint> points;
  points.reserve(entries.size());
  for (const E& e : entries)
    if (!e.switchedOff) points.push_back(fitPoint(e.reducedFrequency, e.reducedFlow));
  const files::Line fit = fitLine(points, apprSettings().func != 2);
  lines[0].A = fit.A;
  lines[0].B = fit.B;
}

// Fit points by section: either every entry of the section that is not switched off (in table
// order, so the points of sections a..b are contiguous) or the section's mean.
struct SpanPoints {
  std::vector<FitPoint> points;
  std::vector<size_t> begin;  // per section, index of its first point; one more at the end
};

template <class E>
SpanPoints spanPoints(const std::vector<E>& entries, bool fromEntries) {
  SpanPoints sp;
  sp.begin.reserve(PackageHelper::sections().size() + 1);
  for (const PackageHelper::Section& s : PackageHelper::sections()) {
    sp.begin.push_back(sp.points.size());
    if (!fromEntries) {
      sp.points.push_back(fitPoint(s.meanX, s.meanY));
      continue;
    }
    for (int j = s.first; j <= s.last; ++j)
      if (!entries[j].switchedOff)
        sp.points.push_back(fitPoint(readingOf(entries[j]), flowOf(entries[j])));
  }
  sp.begin.push_back(sp.points.size());
  return sp;
}

// The line over sections a..b; its range ends at the mean reading of section b.
files::Line spanFit(const SpanPoints& sp, int a, int b, bool linear) {
  const std::span<const FitPoint> all(sp.points);
  files::Line line = fitLine(all.subspan(sp.begin[a], sp.begin[b + 1] - sp.begin[a]), linear);
  line.F = PackageHelper::sections()[b].meanX;
  return line;
}

// Checks a candidate line against every entry of sections a..b that is not switched off, leaving
// the trial flow and error in the entries; true at the first entry beyond the error limit. Unlike
// recalculation there is no fallback: a value that cannot be computed fails the approximation.
template <class E>
bool spanExceedsError(std::vector<E>& entries, int a, int b, const files::Line& line) {
  const double limit = apprSettings().maxAutoErr;
  const double refTemp = apprSettings().refTemp;
  const auto& secs = PackageHelper::sections();
  for (int j = secs[a].first; j <= secs[b].last; ++j) {
    E& e = entries[j];
    if (e.switchedOff) continue;
    double k = 1;
    if constexpr (kHasPulses<E>) k = checked(reductionFactor(e.temperature, refTemp));
    e.measFlow = checked(lineFlow(e, line, k));
    e.flowError = checked((e.measFlow - e.refFlow) * 100 / e.refFlow);
    if (std::fabs(e.flowError) > limit) return true;
  }
  return false;
}

// Each line takes the longest run of sections, from the end of the previous line, whose own fit
// keeps every entry within the error limit; at least two sections, whatever their errors.
template <class E>
void automaticSearch(std::vector<E>& entries, const SpanPoints& sp) {
  std::vector<files::Line>& lines = currentLines();
  std::vector<int32_t>& breaks = PackageHelper::breakPoints();
  lines.clear();
  breaks.clear();
  const int count = static_cast<int>(PackageHelper::sections().size());
  int c = 0;
  while (c < count - 1) {
    int e = count;
    files::Line candidate;
    bool exceeds = false;
    do {
      --e;
      candidate = spanFit(sp, c, e, true);
      exceeds = spanExceedsError(entries, c, e, candidate);
    } while (exceeds && c + 1 < e);
    lines.push_back(candidate);
    breaks.push_back(e);
    c = e;
  }
}

// Break points are the sections holding a marked entry, except the first and the last section; the
// last section always ends the last line.
template <class E>
void manualConstruction(const std::vector<E>& entries, const SpanPoints& sp) {
  const auto& secs = PackageHelper::sections();
  std::vector<int32_t>& breaks = PackageHelper::breakPoints();
  const int count = static_cast<int>(secs.size());
  breaks.clear();
  if (count >= 2) {
    for (int i = 1; i <= count - 2; ++i) {
      bool marked = false;
      for (int j = secs[i].first; j <= secs[i].last && !marked; ++j)
        marked = entries[j].point && !entries[j].switchedOff;
      if (marked) breaks.push_back(i);
    }
    breaks.push_back(count - 1);
  }
  std::vector<files::Line>& lines = currentLines();
  lines.clear();
  lines.reserve(breaks.size());
  int p = 0;
  for (int32_t b : breaks) {
    lines.push_back(spanFit(sp, p, b, true));
    p = b;
  }
}

// The first entry of every section where one line ends and the next begins carries the mark.
template <class E>
void markBreakPoints(std::vector<E>& entries) {
  for (E& e : entries) e.point = 0;
  const std::vector<int32_t>& breaks = PackageHelper::breakPoints();
  for (size_t i = 0; i + 1 < breaks.size(); ++i)
    entries[PackageHelper::sections()[breaks[i]].first].point = 1;
}

// KELT and TD: group into sections, then fit by the chosen function and mode.
template <class E>
void approximateBySections(std::vector<E>& entries) {
  const ApprSettings& st = apprSettings();
  groupSections(entries, st.sectionScatter, PackageHelper::sections());
  const int count = static_cast<int>(PackageHelper::sections().size());
  const SpanPoints sp = spanPoints(entries, st.fromEntries != 0);
  if (st.func == 1 || st.func == 2) {
    PackageHelper::breakPoints().clear();
    currentLines().clear();
    if (count > 1) currentLines().push_back(spanFit(sp, 0, count - 1, st.func == 1));
  } else if (st.manual == 0) {
    automaticSearch(entries, sp);
  } else {
    manualConstruction(entries, sp);
  }
  markBreakPoints(entries);
}

}  // namespace

template <class E>
void approximateEntries(std::vector<E>& entries) {
  if constexpr (kHasSections<E>)
    approximateBySections(entries);
  else
    approximateZorb(entries);
}

template void approximateEntries(std::vector<ZorbEntry>&);
template void approximateEntries(std::vector<KeltEntry>&);
template void approximateEntries(std::vector<EprEntry>&);

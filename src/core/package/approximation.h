#pragma once
// Approximation of the characteristic: straight-line fits, and the search for the lines of a
// calibration package. Both fits minimise the sum of squared relative deviations,
// sum(((line(x) - y) / y)^2), so each point weighs by the inverse square of its flow.

#include <span>
#include <vector>

#include "core/package/entries.h"
#include "core/package/line.h"

// A point (x, y) in the form both fits use: v = x / y, w = 1 / y. Precomputed once per point,
// because the automatic search fits the same points many times.
struct FitPoint {
  double v = 0;
  double w = 0;
};

inline FitPoint fitPoint(double x, double y) { return {x / y, 1.0 / y}; }

// y = A * x; B = 0. F is left 0. Throws MathError when the fit cannot be computed (a flow of 0
// among the points, no points, all readings 0).
files::Line fitProportional(std::span<const FitPoint> points);

// y = A * x + B. F is left 0. Throws MathError when the fit cannot be computed (also when it is
// singular: fewer than two distinct readings).
files::Line fitLinear(std::span<const FitPoint> points);

inline files::Line fitLine(std::span<const FitPoint> points, bool linear) {
  return linear ? fitLinear(points) : fitProportional(points);
}

// Fits the lines of a calibration package's recalculated entries by the approximation settings and
// makes them the current line set. ZORB: one line over every entry that is not switched off, its
// range bound F kept. KELT and TD: the entries are sorted and grouped into sections, the lines
// found by the chosen function and mode, and the first entry of every section where one line ends
// and the next begins is marked as a point. Can throw MathError; the line set is then incomplete.
template <class E>
void approximateEntries(std::vector<E>& entries);

extern template void approximateEntries(std::vector<ZorbEntry>&);
extern template void approximateEntries(std::vector<KeltEntry>&);
extern template void approximateEntries(std::vector<EprEntry>&);

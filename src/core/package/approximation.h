#pragma once
// Straight-line fits of the characteristic. Both minimise the sum of squared relative deviations,
// sum(((line(x) - y) / y)^2), so each point weighs by the inverse square of its flow.

#include <span>

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

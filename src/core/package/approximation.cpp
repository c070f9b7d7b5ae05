#include "core/package/approximation.h"

#include <algorithm>
#include <cmath>

#include "core/base/errors.h"

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

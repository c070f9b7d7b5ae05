#include "core/package/physics.h"

#include <array>

namespace {

struct DensityBand {
  double upTo, a, b, c;
};

constexpr std::array<DensityBand, 15> kDensity{{
    {10, -0.01645455, 0.048291, 999.91995544},
    {20, -0.15143316, 0.04583111, 1001.26618538},
    {30, -0.25693048, 0.04432264, 1003.37381462},
    {40, -0.34379144, 0.04338235, 1005.9778877},
    {50, -0.41822995, 0.04295232, 1008.9523975},
    {60, -0.48360963, 0.04287656, 1012.2176025},
    {70, -0.54256684, 0.0430303, 1015.75035651},
    {80, -0.59675401, 0.04364973, 1019.53585561},
    {90, -0.64718182, 0.04430036, 1023.56348485},
    {100, -0.69501604, 0.04543895, 1027.85825312},
    {110, -0.74078075, 0.04663993, 1032.42452763},
    {120, -0.78531016, 0.047959, 1037.31132799},
    {130, -0.82959358, 0.05014037, 1042.60700535},
    {140, -0.8733369, 0.05229501, 1048.27693405},
    {150, -0.91768449, 0.054541, 1054.4693672},
}};

// Viscosity-law constants of the reduction.
constexpr double kA = 5.542578e-05;
constexpr double kB = 2.28661e-07;
constexpr double kC = 30.614166;

}  // namespace

double waterDensity(double t) {
  const DensityBand* band = &kDensity.back();
  for (const DensityBand& d : kDensity) {
    if (d.upTo >= t) {
      band = &d;
      break;
    }
  }
  // The b term is a constant offset of each band (its coefficient is 1).
  return (band->a * t + band->b * 1.0 + band->c) * 0.001;
}

double reductionFactor(double t, double refTemp) {
  return ((t + kC) * (kA - kB * refTemp)) / ((refTemp + kC) * (kA - kB * t));
}

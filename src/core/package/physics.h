#pragma once
// Water properties the reference quantities depend on.

// Density of water in kg/l at t °C, piecewise linear in 10-degree bands from 10 to 150 °C (the
// first band also below 10 °C, the last also above 150 °C).
double waterDensity(double t);

// Factor that brings a flow or frequency measured in water at t °C to refTemp °C; 1 at t = refTemp.
// Not finite where the formula has no value (t near 242.4 °C, refTemp = -30.6 °C); callers check.
double reductionFactor(double t, double refTemp);

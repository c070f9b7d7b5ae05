#include "core/package/approxstate.h"

ApproxState& approxState() {
  static ApproxState state;
  return state;
}

void resetApproxState() { approxState() = ApproxState{}; }

void setDefaultApprSettings(ApprSettings& settings) {
  const double pulseWeight = settings.pulseWeight;
  settings = ApprSettings{};
  settings.pulseWeight = pulseWeight;
}

std::vector<PackageHelper::Section>& PackageHelper::sections() { return approxState().sections; }

std::vector<int32_t>& PackageHelper::breakPoints() { return approxState().breakPoints; }

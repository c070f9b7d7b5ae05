#include "core/devices/zorb/zorbmodels.h"

#include <array>
#include <stdexcept>

namespace {

constexpr const char* kZorbT = "ЗОРБ-Т(ТИ)";
constexpr const char* kZorbT12 = "ЗОРБ-Т1(Т2)";
constexpr const char* kZorbTi12 = "ЗОРБ-ТИ1(ТИ2)";

// Most models are named as their row reads.
constexpr ZorbModel row(const char* group, const char* text, bool pulseOutput) {
  return {group, text, text, pulseOutput};
}

// Model 3's row has the Cyrillic "ххх", its name the Latin "xxx".
constexpr std::array<ZorbModel, kZorbModelCount> kModels{{
    row(kZorbT, "ЗОРБ-Т", false),
    row(kZorbT, "ЗОРБ-ТИ1", true),
    row(kZorbT, "ЗОРБ-ТИ2", true),
    {kZorbT12, "ЗОРБ-Т1-\u0445\u0445\u0445-М", "ЗОРБ-Т1-xxx-М", false},
    row(kZorbT12, "ЗОРБ-Т1-xxx-П (КЕЛТ3-ЧИ6.50-xxx)", false),
    row(kZorbT12, "ЗОРБ-Т2-xxx-М", false),
    row(kZorbT12, "ЗОРБ-Т2-xxx-П", false),
    row(kZorbTi12, "ЗОРБ-ТИ1-xxx-М", true),
    row(kZorbTi12, "ЗОРБ-ТИ1-xxx-П (КЕЛТ3-ЧИ6.52-xxx)", true),
    row(kZorbTi12, "ЗОРБ-ТИ2-xxx-0М", true),
    row(kZorbTi12, "ЗОРБ-ТИ2-xxx-0П", true),
    row(kZorbTi12, "ЗОРБ-ТИ2-xxx-1М", true),
    row(kZorbTi12, "ЗОРБ-ТИ2-xxx-1П (КЕЛТ3-ЧИ7.51-xxx)", true),
    row(kZorbTi12, "ЗОРБ-ТИ2-xxx-2М", true),
    row(kZorbTi12, "ЗОРБ-ТИ2-xxx-2П", true),
    row(kZorbTi12, "ЗОРБ-ТИ2-xxx-3М", true),
    row(kZorbTi12, "ЗОРБ-ТИ2-xxx-3П (КЕЛТ3-ЧИ7.53-xxx)", true),
}};

}  // namespace

const ZorbModel& zorbModel(int model) {
  if (model < 0 || model >= kZorbModelCount) throw std::out_of_range("ZORB model index");
  return kModels[static_cast<std::size_t>(model)];
}

bool zorbHasPulseOutput(int model) {
  return model >= 0 && model < kZorbModelCount &&
         kModels[static_cast<std::size_t>(model)].pulseOutput;
}

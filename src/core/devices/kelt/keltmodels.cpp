#include "core/devices/kelt/keltmodels.h"

#include <array>
#include <stdexcept>

namespace {

constexpr KeltLink A = KeltLink::adapter;
constexpr KeltLink D = KeltLink::direct;
constexpr KeltVariant V1 = KeltVariant::kelt1;
constexpr KeltVariant V2 = KeltVariant::kelt2;
constexpr KeltVariant V3 = KeltVariant::kelt3;
constexpr KeltWakeUp W0 = KeltWakeUp::none;
constexpr KeltWakeUp WB = KeltWakeUp::byte;
constexpr KeltWakeUp WL = KeltWakeUp::lineBreak;

// "х" in the group of the ЧИ6 models is Cyrillic, in "xxx" Latin.
constexpr const char* k6x = "КЕЛТ-ЧИ\u0445.6\u0445-xxx";
constexpr const char* k73 = "КЕЛТ-ЧИ7.73";
constexpr const char* k84 = "КЕЛТ-ЧИ7.84(94)";
constexpr const char* k95 = "КЕЛТ-ЧИ7.95(85)";
constexpr const char* k96 = "КЕЛТ-ЧИ7.96(86)";

// Group, name | format, link, baud, variant, read/write/temperature command, wake-up | versions |
// wide divisors, slow pulse, always restorable, Du in the offset byte.
constexpr std::array<KeltModel, kKeltModelCount> kModels{{
    {nullptr, "КЕЛТ-ЧИ7-xxx", 1, A, 9600, V1, 1, 2, 0, W0, 0, 0, false, false, false, false},
    {k6x, "КЕЛТ1-ЧИ6.xx-xxx", 2, A, 9600, V1, 16, 17, 22, W0, 0, 0, false, false, false, false},
    {k6x, "КЕЛТ2-ЧИ6.xx-xxx", 2, A, 9600, V2, 16, 17, 22, W0, 0, 0, false, false, false, false},
    {k6x, "КЕЛТ1-ЧИ7.61-xxx", 2, A, 9600, V1, 16, 17, 22, W0, 0, 0, false, false, false, false},
    {k6x, "КЕЛТ2-ЧИ7.61-xxx", 2, A, 9600, V2, 16, 17, 22, W0, 0, 0, false, false, false, false},
    {k6x, "КЕЛТ1-ЧИ7.62-xxx", 2, A, 9600, V1, 16, 17, 22, W0, 0, 0, false, false, false, false},
    {k6x, "КЕЛТ2-ЧИ7.62-xxx", 2, A, 9600, V2, 16, 17, 22, W0, 0, 0, false, false, false, false},
    {k73, "КЕЛТ1-ЧИ7.73-xxx", 3, A, 9600, V1, 24, 25, 23, W0, 0, 0, false, false, false, false},
    {k73, "КЕЛТ2-ЧИ7.73-xxx", 3, A, 9600, V2, 24, 25, 23, W0, 0, 0, false, false, false, false},
    {k84, "КЕЛТ1-ЧИ7.84(94)-xxx", 3, D, 9600, V1, 24, 25, 23, WB, 5, 6, true, false, false, false},
    {k84, "КЕЛТ2-ЧИ7.84(94)-xxx", 3, D, 9600, V2, 24, 25, 23, WB, 5, 6, true, false, false, false},
    {k84, "КЕЛТ3-ЧИ7.84(94)-xxx", 3, D, 9600, V3, 24, 25, 0, WB, 6, 6, true, false, false, true},
    {k95, "КЕЛТ1-ЧИ7.95(85)-xxx", 4, D, 9600, V1, 27, 28, 22, W0, 7, 8, true, false, false, false},
    {k95, "КЕЛТ2-ЧИ7.95(85)-xxx", 4, D, 9600, V2, 27, 28, 22, W0, 7, 8, true, false, false, false},
    {k95, "КЕЛТ3-ЧИ7.95(85)-xxx", 4, D, 9600, V3, 27, 28, 0, W0, 7, 8, true, false, false, false},
    {k96, "КЕЛТ1-ЧИ7.96(86)-xxx", 4, D, 4800, V1, 27, 28, 22, WL, 7, 8, true, true, true, false},
    {k96, "КЕЛТ2-ЧИ7.96(86)-xxx", 4, D, 4800, V2, 27, 28, 22, WL, 7, 8, true, true, true, false},
    {k96, "КЕЛТ3-ЧИ7.96(86)-xxx", 4, D, 4800, V3, 27, 28, 0, WL, 7, 8, true, true, true, false},
}};

}  // namespace

const KeltModel& keltModel(int model) {
  if (model < 0 || model >= kKeltModelCount) throw std::out_of_range("KELT model index");
  return kModels[static_cast<std::size_t>(model)];
}

int keltSegmentCount(int model) { return keltModel(model).format == 1 ? 4 : 5; }

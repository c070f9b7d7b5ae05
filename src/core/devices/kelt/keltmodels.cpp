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

constexpr std::array<KeltModel, kKeltModelCount> kModels{{
    {1, A, 9600, V1, 1, 2, 0, W0},     // 0  КЕЛТ-ЧИ7-xxx
    {2, A, 9600, V1, 16, 17, 22, W0},  // 1  КЕЛТ1-ЧИ6.xx-xxx
    {2, A, 9600, V2, 16, 17, 22, W0},  // 2  КЕЛТ2-ЧИ6.xx-xxx
    {2, A, 9600, V1, 16, 17, 22, W0},  // 3  КЕЛТ1-ЧИ7.61-xxx
    {2, A, 9600, V2, 16, 17, 22, W0},  // 4  КЕЛТ2-ЧИ7.61-xxx
    {2, A, 9600, V1, 16, 17, 22, W0},  // 5  КЕЛТ1-ЧИ7.62-xxx
    {2, A, 9600, V2, 16, 17, 22, W0},  // 6  КЕЛТ2-ЧИ7.62-xxx
    {3, A, 9600, V1, 24, 25, 23, W0},  // 7  КЕЛТ1-ЧИ7.73-xxx
    {3, A, 9600, V2, 24, 25, 23, W0},  // 8  КЕЛТ2-ЧИ7.73-xxx
    {3, D, 9600, V1, 24, 25, 23, WB},  // 9  КЕЛТ1-ЧИ7.84(94)-xxx
    {3, D, 9600, V2, 24, 25, 23, WB},  // 10 КЕЛТ2-ЧИ7.84(94)-xxx
    {3, D, 9600, V3, 24, 25, 0, WB},   // 11 КЕЛТ3-ЧИ7.84(94)-xxx
    {4, D, 9600, V1, 27, 28, 22, W0},  // 12 КЕЛТ1-ЧИ7.95(85)-xxx
    {4, D, 9600, V2, 27, 28, 22, W0},  // 13 КЕЛТ2-ЧИ7.95(85)-xxx
    {4, D, 9600, V3, 27, 28, 0, W0},   // 14 КЕЛТ3-ЧИ7.95(85)-xxx
    {4, D, 4800, V1, 27, 28, 22, WL},  // 15 КЕЛТ1-ЧИ7.96(86)-xxx
    {4, D, 4800, V2, 27, 28, 22, WL},  // 16 КЕЛТ2-ЧИ7.96(86)-xxx
    {4, D, 4800, V3, 27, 28, 0, WL},   // 17 КЕЛТ3-ЧИ7.96(86)-xxx
}};

}  // namespace

const KeltModel& keltModel(int model) {
  if (model < 0 || model >= kKeltModelCount) throw std::out_of_range("KELT model index");
  return kModels[static_cast<std::size_t>(model)];
}

int keltSegmentCount(int model) { return keltModel(model).format == 1 ? 4 : 5; }

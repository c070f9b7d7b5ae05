#include "core/devices/td/tdmodels.h"

const TdModel& tdModel() {
  static constexpr TdModel kModel{"Тайдмарк (ТД)"};
  return kModel;
}

#include "core/devices/devicetypes.h"

#include <vector>

#include "core/devices/kelt/keltmodels.h"
#include "core/devices/td/tdmodels.h"
#include "core/devices/zorb/zorbmodels.h"

static_assert(kFirstKeltCode - kFirstZorbCode == kZorbModelCount);
static_assert(kLastTypeCode - kFirstKeltCode + 1 == kKeltModelCount);

namespace {

// TD first, then the ZORB models, then the KELT models: the code is the position.
std::vector<DeviceTypeInfo> composeTypes() {
  std::vector<DeviceTypeInfo> types;
  types.push_back({kTdCode, dfTd, 0, nullptr, tdModel().treeRow, nullptr});
  for (int model = 0; model < kZorbModelCount; ++model) {
    const ZorbModel& m = zorbModel(model);
    types.push_back({deviceTypeCode(dfZorb, model), dfZorb, model, m.group, m.treeRow, m.name});
  }
  for (int model = 0; model < kKeltModelCount; ++model) {
    const KeltModel& m = keltModel(model);
    types.push_back({deviceTypeCode(dfKelt, model), dfKelt, model, m.group, m.name, m.name});
  }
  return types;
}

}  // namespace

std::span<const DeviceTypeInfo> deviceTypes() {
  static const std::vector<DeviceTypeInfo> kTypes = composeTypes();
  return kTypes;
}

const DeviceTypeInfo* deviceType(int code) {
  return code >= 0 && code <= kLastTypeCode ? &deviceTypes()[static_cast<std::size_t>(code)]
                                            : nullptr;
}

uint8_t deviceTypeCode(DeviceFamily family, int model) {
  switch (family) {
    case dfZorb:
      return static_cast<uint8_t>(kFirstZorbCode + model);
    case dfKelt:
      return static_cast<uint8_t>(kFirstKeltCode + model);
    default:
      return kTdCode;
  }
}

int hiddenColumnCount(int typeCode, bool verification) {
  const DeviceTypeInfo* type = deviceType(typeCode);
  if (!verification || !type || type->family != dfZorb) return 0;
  return zorbHasPulseOutput(type->model) ? 0 : 3;
}

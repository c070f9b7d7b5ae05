#include "ui/app/devicefactory.h"

#include "core/devices/devicetypes.h"
#include "ui/devices/kelt/keltdevice.h"
#include "ui/devices/td/tddevice.h"
#include "ui/devices/zorb/zorbdevice.h"

std::unique_ptr<DeviceBase> createDevice(int typeCode, QWidget* parent) {
  const DeviceTypeInfo* type = deviceType(typeCode);
  if (!type) return nullptr;
  switch (type->family) {
    case dfTd:
      return std::make_unique<TDx2>(parent);
    case dfZorb:
      return std::make_unique<Zorb>(type->model, parent);
    case dfKelt:
      return std::make_unique<Kelt>(type->model, parent);
    default:
      return nullptr;
  }
}

#include "core/package/packagecreate.h"

#include <algorithm>

#include "core/package/package.h"

PackagePtr createPackage(int entryKind, int kind, int method) {
  PackagePtr p;
  switch (entryKind) {
    case ekKelt:
      p = PackagePtr(new Package<KeltEntry>, ByScalarDelete<PackageBase>());
      break;
    case ekEpr:
      p = PackagePtr(new Package<EprEntry>, ByScalarDelete<PackageBase>());
      break;
    default:
      p = PackagePtr(new Package<ZorbEntry>, ByScalarDelete<PackageBase>());
      break;
  }
  p->kind = kind ? pkVerification : pkCalibration;
  p->method = static_cast<uint8_t>(std::clamp(method, int{mVolume}, int{mReference}));
  p->created = currentLocalTime();
  return p;
}

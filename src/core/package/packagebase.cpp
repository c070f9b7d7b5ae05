#include "core/package/packagebase.h"

#include "core/base/localehook.h"

std::string PackageBase::name() const {
  return std::string(kind == pkVerification ? "Поверочный " : "Градуировочный ") +
         formatShortDateTime(created);
}

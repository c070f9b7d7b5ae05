#include "package/packagebase.h"

#include "base/localehook.h"

std::string PackageBase::name() const {
  return std::string(kind == pkVerification ? "Поверочный " : "Градуировочный ") +
         formatShortDateTime(created);
}

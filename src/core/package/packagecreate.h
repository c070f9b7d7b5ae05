#pragma once

#include <cstdint>

#include "core/base/reflinkedptr.h"
#include "core/package/packagebase.h"

// An empty package of the entry kind (0 ZORB, 1 KELT, 2 TD; anything else ZORB), package kind and
// method, created now.
PackagePtr createPackage(int entryKind, int kind, int method);

// Any bytes as a package block of a document. Input byte 0 picks the entry kind (ZORB, KELT, TD);
// the rest is the block. An accepted package is recalculated and every cell formatted, as the
// table shows it; then it must save to bytes that load and save again to the same bytes.

#include <cstdint>
#include <sstream>
#include <string>

#include "core/base/errors.h"
#include "core/package/packagecreate.h"

namespace {

std::string saved(const PackageBase& package) {
  std::ostringstream out;
  package.save(out);
  return out.str();
}

// The package of `bytes`, or null when the stream ran out before its end.
PackagePtr loaded(int entryKind, const std::string& bytes) {
  PackagePtr package = createPackage(entryKind, pkCalibration, mVolume);
  std::istringstream in(bytes);
  package->load(in);
  return in ? package : PackagePtr();
}

void showAll(PackageBase& package) {
  package.recalcAll();
  for (int r = 0; r < package.entryCount(); ++r)
    for (int c = 0; c < package.columnCount(); ++c) package.cellText(r, c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int entryKind = data[0] % 3;
  const PackagePtr package =
      loaded(entryKind, std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  if (!package) return 0;
  const std::string bytes = saved(*package);
  const PackagePtr again = loaded(entryKind, bytes);
  if (!again || saved(*again) != bytes) __builtin_trap();
  try {
    showAll(*package);
  } catch (const MessageError&) {
  }
  return 0;
}

// Any bytes as the content of a version 1 or 2 document (input byte 0 bit 0 picks the version).
// What the converter accepts is read as the version-3 document it was turned into.

#include <cstdint>
#include <sstream>
#include <string>

#include "core/base/errors.h"
#include "core/storage/files.h"
#include "core/storage/oldfiles.h"

namespace {

// "3BZN" and a little-endian version 3.
const std::string kVersion3Header("3BZN\x03\0\0\0", 8);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint32_t version = 1 + (data[0] & 1);
  std::istringstream in(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  std::ostringstream converted;
  try {
    files::convertOldDocument(converted, in, version);
    std::istringstream v3(kVersion3Header + converted.str());
    files::readDocumentContent(v3);
  } catch (const MessageError&) {
  }
  return 0;
}

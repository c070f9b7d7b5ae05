// Any bytes through the document reader (all versions, the old-format converter included), applied
// to an open document with a fake device. A rejection must be a MessageError; a document that was
// accepted must write back to bytes that read and write again to the same bytes.

#include <cstdint>
#include <sstream>
#include <string>

#include "base/errors.h"
#include "storage/fakedevice.h"
#include "storage/files.h"

namespace {

std::string readAndWrite(const std::string& bytes, FakeDeviceFactory& devices) {
  Document doc;
  std::istringstream in(bytes);
  files::readDocument(in, doc, devices.factory());
  std::ostringstream out;
  files::writeDocument(out, *doc.device, doc.packages);
  return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FakeDeviceFactory devices;
  std::string written;
  try {
    written = readAndWrite(std::string(reinterpret_cast<const char*>(data), size), devices);
  } catch (const MessageError&) {
    return 0;
  }
  if (readAndWrite(written, devices) != written) __builtin_trap();
  return 0;
}

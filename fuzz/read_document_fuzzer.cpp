// Any bytes through the document reader (all versions, the old-format converter included), applied
// to an open document with a fake device. A rejection must be a MessageError; a document that was
// accepted must write back to bytes that read and write again to the same bytes. Then every
// calibration package is approximated with the settings of the file and the graph data built, as
// the main window does with an opened document.

#include <cstdint>
#include <sstream>
#include <string>

#include "core/base/errors.h"
#include "core/package/approxstate.h"
#include "core/storage/fakedevice.h"
#include "core/storage/files.h"

namespace {

void read(const std::string& bytes, Document& doc, FakeDeviceFactory& devices) {
  std::istringstream in(bytes);
  files::readDocument(in, doc, devices.factory());
}

std::string written(Document& doc) {
  std::ostringstream out;
  files::writeDocument(out, *doc.device, doc.packages);
  return out.str();
}

void approximateAll(const Document& doc) {
  for (const PackagePtr& package : doc.packages) {
    if (package->kind != pkCalibration) continue;
    try {
      package->approximate();
    } catch (const MessageError&) {
    }
    recalcDocument(doc);
  }
  SPILTS_DATA_EXCHANGE graphs;
  buildGraphData(doc, graphs);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  resetApproxState();
  FakeDeviceFactory devices;
  Document doc;
  try {
    read(std::string(reinterpret_cast<const char*>(data), size), doc, devices);
  } catch (const MessageError&) {
    return 0;
  }
  const std::string bytes = written(doc);
  Document again;
  read(bytes, again, devices);
  if (written(again) != bytes) __builtin_trap();
  approximateAll(doc);
  return 0;
}

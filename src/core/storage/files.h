#pragma once
// Document files (.srv). Version 5 is written; versions 1 to 5 are read.
//
// Layout (little-endian, no padding): "3BZN", u32 version, u8 device type code (versions 1..3:
// the family code), DeviceIdentity (5 bytes), ApprSettings (35 bytes), u32 line count and 24-byte
// lines, u32 package count and the package blocks (PackageBase::save), u32 parameter block size
// (at most 1024) and the device's parameter block. Versions 1 and 2 hold an older layout that is
// converted to the version-3 one (oldfiles.h).

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "core/document/devicebase.h"
#include "core/document/document.h"
#include "core/package/apprsettings.h"
#include "core/package/line.h"

namespace files {

// Makes a new device of a type code 0..35; the program passes createDevice with its page area as
// the panels' parent.
using DeviceFactory = std::function<std::unique_ptr<DeviceBase>(uint8_t typeCode)>;

// Everything a document file holds, read and checked, not yet applied to a document.
struct DocumentContent {
  uint32_t version = 0;  // of the file read
  uint8_t typeCode = 0;
  DeviceIdentity identity;
  ApprSettings settings;
  std::vector<Line> lines;
  std::vector<PackagePtr> packages;  // not yet recalculated
  std::vector<uint8_t> parameters;
};

// Refreshes the current line set and the settings' pulse weight from the device, then writes the
// document in version 5.
void writeDocument(std::ostream& out, DeviceBase& device, const std::vector<PackagePtr>& packages);

// The same into the file at `path`, replacing it only once the whole document is on disk: the
// previous file survives any failure, which is raised as win_error.
void writeDocument(const std::string& path, DeviceBase& device,
                   const std::vector<PackagePtr>& packages);

// Reads and checks a whole document (versions 1..5); raises MessageError "Неправильный формат
// файла", or "Неизвестный формат файла" from inside old content.
DocumentContent readDocumentContent(std::istream& in);

// Makes `content` the open document: the device is kept when its type code matches, otherwise a
// new one is made by `makeDevice` and the old one destroyed; then identity, parameter block and
// lines go to the device, settings and lines become the current ones, the packages replace the
// document's and everything is recalculated. The file name is left to the caller.
void applyDocument(DocumentContent content, Document& doc, const DeviceFactory& makeDevice);

// readDocumentContent, then applyDocument. A rejected document leaves `doc`, its device, the
// current line set and the settings as they were.
void readDocument(std::istream& in, Document& doc, const DeviceFactory& makeDevice);

// The same from a file; a file that cannot be opened or read raises win_error. Returns the
// version of the file.
uint32_t readDocument(const std::string& path, Document& doc, const DeviceFactory& makeDevice);

}  // namespace files

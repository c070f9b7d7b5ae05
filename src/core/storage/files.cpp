#include "core/storage/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>

#include "core/base/errors.h"
#include "core/base/lestream.h"
#include "core/devices/devicetypes.h"
#include "core/package/approxstate.h"
#include "core/package/packagebase.h"
#include "core/package/packagecreate.h"
#include "core/storage/atomicfile.h"
#include "core/storage/fdbuf.h"
#include "core/storage/oldfiles.h"

namespace files {
namespace {

constexpr std::array<char, 4> kMagic = {'3', 'B', 'Z', 'N'};
constexpr uint32_t kVersion = 5;
constexpr uint32_t kMaxParameterSize = 1024;
// Counts come from the file: never reserve more records than this ahead of reading them.
constexpr uint32_t kMaxReserve = 256;

[[noreturn]] void badFormat() { throw MessageError("Неправильный формат файла"); }

// A count and that many records; stops early, with the stream failed, at the end of the data.
template <class R>
std::vector<R> readRecords(std::istream& in) {
  uint32_t count = 0;
  readLe(in, count);
  std::vector<R> records;
  records.reserve(std::min(count, kMaxReserve));
  for (uint32_t i = 0; i < count && in; ++i) {
    R r;
    readRecord(in, r);
    if (in) records.push_back(r);
  }
  return records;
}

// Versions before 5 know volumetric and mass only: a method byte that loads as the reference meter
// is mass, and the stored reference quantity (filed by load as the reference flow) is the mass.
void collapseReferenceMethod(PackageBase& p) {
  if (p.method != mReference) return;
  for (int row = 0; row < p.entryCount(); ++row) {
    FieldValue stored = 0.0;
    p.value(row, colRefFlow, stored);
    p.setValue(row, colRefMass, stored);
    p.setValue(row, colRefFlow, 0.0);
  }
  p.method = mMass;
}

// Each package is recalculated with the document's own lines and settings as it is read, while its
// entries are still in the cache.
std::vector<PackagePtr> readPackages(std::istream& in, int entryKind, uint32_t version,
                                     const std::vector<Line>& lines, const ApprSettings& settings) {
  uint32_t count = 0;
  readLe(in, count);
  std::vector<PackagePtr> packages;
  packages.reserve(std::min(count, kMaxReserve));
  for (uint32_t i = 0; i < count && in; ++i) {
    PackagePtr p = createPackage(entryKind, pkCalibration, mVolume);
    if (version >= 5) {
      p->loadRecalculated(in, lines, settings);
      if (!in) break;
    } else {
      // The method must be mended before the entries can be recalculated.
      p->load(in);
      if (!in) break;
      collapseReferenceMethod(*p);
      p->recalcAll(lines, settings);
    }
    packages.push_back(std::move(p));
  }
  return packages;
}

// Versions 1..3 store the family; the model is the first int32 of the parameter block (ZORB: the
// model index; KELT: the model number of the old numbering). A ZORB or KELT block too short to hold
// it names no model, and such a file is rejected rather than opened as some other transducer.
uint8_t typeCodeOfFamily(uint8_t family, const std::vector<uint8_t>& parameters) {
  if (family == dfTd) return kTdCode;
  int32_t model = 0;
  if (parameters.size() < sizeof model) badFormat();
  std::memcpy(&model, parameters.data(), sizeof model);
  if (family == dfZorb) return deviceTypeCode(dfZorb, std::clamp(model, 0, 16));
  static constexpr std::array<int, 6> kFirstKeltModels = {0, 1, 3, 7, 0, 0};
  const int64_t index = model >= 0 && model < 6 ? kFirstKeltModels[size_t(model)]
                                                : std::clamp<int64_t>(int64_t{model} - 6, 0, 10);
  return deviceTypeCode(dfKelt, int(index));
}

// Everything after the 8-byte header, in the layout of versions 3..5.
DocumentContent readBody(std::istream& in, uint32_t version) {
  const bool familyByte = version < 4;
  uint8_t type = 0;
  readLe(in, type);
  if (!in || type > (familyByte ? dfTd : kLastTypeCode)) badFormat();

  DocumentContent c;
  readRecord(in, c.identity);
  readRecord(in, c.settings);
  c.lines = readRecords<Line>(in);
  c.packages =
      readPackages(in, familyByte ? type : deviceFamily(type), version, c.lines, c.settings);
  uint32_t size = 0;
  readLe(in, size);
  if (size > kMaxParameterSize) badFormat();
  c.parameters.resize(size);
  if (size > 0) in.read(reinterpret_cast<char*>(c.parameters.data()), size);
  if (!in) badFormat();

  c.typeCode = familyByte ? typeCodeOfFamily(type, c.parameters) : type;
  return c;
}

}  // namespace

void writeDocument(std::ostream& out, DeviceBase& device, const std::vector<PackagePtr>& packages) {
  DeviceIdentity identity;
  device.getIdentity(identity);
  device.readLines(currentLines());
  apprSettings().pulseWeight = device.pulseWeight();
  std::vector<uint8_t> parameters(device.getParameters(nullptr));
  if (!parameters.empty()) device.getParameters(parameters.data());

  out.write(kMagic.data(), kMagic.size());
  writeLe(out, kVersion);
  writeLe(out, device.typeCode());
  writeRecord(out, identity);
  writeRecord(out, apprSettings());
  writeLe(out, uint32_t(currentLines().size()));
  for (const Line& line : currentLines()) writeRecord(out, line);
  writeLe(out, uint32_t(packages.size()));
  for (const PackagePtr& p : packages) p->save(out);
  writeLe(out, uint32_t(parameters.size()));
  out.write(reinterpret_cast<const char*>(parameters.data()), std::streamsize(parameters.size()));
}

void writeDocument(const std::string& path, DeviceBase& device,
                   const std::vector<PackagePtr>& packages) {
  writeFileAtomically(path, [&](std::ostream& out) { writeDocument(out, device, packages); });
}

DocumentContent readDocumentContent(std::istream& in) {
  std::array<char, 4> magic{};
  uint32_t version = 0;
  in.read(magic.data(), magic.size());
  readLe(in, version);
  if (!in || magic != kMagic || version < 1 || version > kVersion) badFormat();
  DocumentContent content;
  if (version >= 3) {
    content = readBody(in, version);
  } else {
    std::stringstream converted;
    convertOldDocument(converted, in, version);
    content = readBody(converted, version);
  }
  content.version = version;
  return content;
}

void applyDocument(DocumentContent content, Document& doc, const DeviceFactory& makeDevice) {
  if (!doc.device || doc.device->typeCode() != content.typeCode) {
    std::unique_ptr<DeviceBase> device = makeDevice(content.typeCode);
    if (!device) badFormat();
    doc.device = std::move(device);
  }
  DeviceBase& device = *doc.device;
  device.setIdentity(content.identity);
  device.setParameters(content.parameters.data(), uint32_t(content.parameters.size()));
  device.writeLines(content.lines);
  apprSettings() = content.settings;
  currentLines() = std::move(content.lines);
  // The packages were recalculated with these lines and settings as they were read.
  doc.packages = std::move(content.packages);
}

void readDocument(std::istream& in, Document& doc, const DeviceFactory& makeDevice) {
  applyDocument(readDocumentContent(in), doc, makeDevice);
}

uint32_t readDocument(const std::string& path, Document& doc, const DeviceFactory& makeDevice) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw win_error(errno);
  const FdCloser closer(fd);
  FdInBuf buffer(fd);
  std::istream in(&buffer);
  DocumentContent content;
  try {
    content = readDocumentContent(in);
  } catch (const MessageError&) {
    // A failed read (EIO, EISDIR) is the system's error, not a malformed document.
    if (buffer.error() != 0) throw win_error(buffer.error());
    throw;
  }
  const uint32_t version = content.version;
  applyDocument(std::move(content), doc, makeDevice);
  return version;
}

}  // namespace files

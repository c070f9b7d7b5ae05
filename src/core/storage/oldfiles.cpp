#include "core/storage/oldfiles.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <istream>
#include <ostream>
#include <vector>

#include "core/base/errors.h"
#include "core/base/lestream.h"
#include "core/base/systemtime.h"
#include "core/document/devicebase.h"
#include "core/package/entries.h"

namespace files {
namespace {

// Old header (120 bytes), little-endian; only these fields carry meaning:
//   0 u32 device type (0..16 ZORB model index, above KELT)   4 u8 nominal-diameter code
//   8 i32 serial number          16 u32 KELT output flag       20 u32 pulse-weight step
//  24 u32 KELT N x 10000         28 u32 KELT time constant x 10000
//  32 u32 section scatter x 100  36 u32 permitted error x 100  40 u32 reduction temperature x 10000
//  48 u8  ZORB function          52 u32 approximation mode     116 u32 record count
// Coefficient block (version 2, 512 bytes): u32 count at 0; A[16] at 16, B[16] at 144, F[16] at
// 272. Record (140 bytes): 8 temperature, 16 reference volume, 24 reference time, 32 pulse time
// (doubles); 120 flags (bit 0 break point, bit 1 switched off); 121 bit 0 deleted; 123 bit 7
// verification series; 124 i32 N1; 128 i32 N2; 132 i32 section number - 1.
constexpr size_t kHeaderSize = 120;
constexpr size_t kLineBlockSize = 512;
constexpr size_t kRecordSize = 140;
constexpr uint32_t kLastZorbType = 16;
constexpr uint32_t kMaxLines = 7;

// m^3 per pulse for the pulse-weight steps 0..8.
constexpr std::array<double, 9> kPulseWeights = {0.0001, 0.0005, 0.001, 0.005, 0.01,
                                                 0.05,   0.1,    0.5,   1.0};

// Every converted package was created on 1 January 2003 (a Wednesday) at midnight.
constexpr SystemTime kConvertedCreated{2003, 1, 3, 1, 0, 0, 0, 0};

template <size_t N>
using Block = std::array<unsigned char, N>;

template <class T>
T at(const unsigned char* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

template <size_t N>
Block<N> readOld(std::istream& in) {
  Block<N> block;
  if (!in.read(reinterpret_cast<char*>(block.data()), N)) {
    throw MessageError("Неизвестный формат файла");
  }
  return block;
}

struct OldHeader {
  explicit OldHeader(const Block<kHeaderSize>& h)
      : type(at<uint32_t>(&h[0])),
        diameter(h[4]),
        serial(at<int32_t>(&h[8])),
        keltOutput(at<uint32_t>(&h[16])),
        pulseStep(at<uint32_t>(&h[20])),
        keltN(at<uint32_t>(&h[24])),
        keltTimeConstant(at<uint32_t>(&h[28])),
        scatter(at<uint32_t>(&h[32])),
        maxError(at<uint32_t>(&h[36])),
        refTemp(at<uint32_t>(&h[40])),
        func(h[48]),
        mode(at<uint32_t>(&h[52])),
        records(at<uint32_t>(&h[116])) {}

  bool kelt() const { return type > kLastZorbType; }
  // 0 for diameters below 50 mm, 1 for 50..100 mm, 2 above.
  uint32_t diameterGroup() const { return diameter < 5 ? 0 : diameter <= 8 ? 1 : 2; }

  uint32_t type;
  uint8_t diameter;
  int32_t serial;
  uint32_t keltOutput, pulseStep, keltN, keltTimeConstant, scatter, maxError, refTemp;
  uint8_t func;
  uint32_t mode, records;
};

void writeSettings(std::ostream& out, const OldHeader& h) {
  writeLe(out, uint8_t(h.kelt() ? 0 : h.func + 1));  // old 0 / 1 are "y = a*x+b" / "y = a*x"
  writeLe(out, uint8_t(h.mode == 1 ? 0 : 1));        // manual
  writeLe(out, uint8_t(h.mode == 3 ? 1 : 0));        // fit on every entry
  writeLe(out, h.refTemp * 0.0001);
  writeLe(out, h.maxError * 0.0001 * 100);
  writeLe(out, h.scatter * 0.0001 * 100);
  const uint64_t step = h.kelt() ? uint64_t{h.pulseStep} : uint64_t{h.pulseStep} * 2;
  writeLe(out, kPulseWeights[std::min<uint64_t>(step, kPulseWeights.size() - 1)]);
}

void writeLines(std::ostream& out, std::istream& in, uint32_t version) {
  if (version != 2) {
    writeLe(out, uint32_t{0});
    return;
  }
  const auto block = readOld<kLineBlockSize>(in);
  const uint32_t count = std::min(at<uint32_t>(&block[0]), kMaxLines);
  writeLe(out, count);
  for (uint32_t i = 0; i < count; ++i) {
    writeRecord(out, Line{at<double>(&block[16 + 8 * i]), at<double>(&block[144 + 8 * i]),
                          at<double>(&block[272 + 8 * i])});
  }
}

using Record = Block<kRecordSize>;

uint8_t breakPoint(const Record& r) { return r[120] & 1; }
uint8_t switchedOff(const Record& r) { return (r[120] >> 1) & 1; }
bool isDeleted(const Record& r) { return r[121] & 1; }
bool isVerification(const Record& r) { return r[123] & 0x80; }

template <class Entry>
Entry convertRecord(const Record& r);

template <>
ZorbEntry convertRecord(const Record& r) {
  return {at<double>(&r[8]),    at<double>(&r[16]),   at<double>(&r[24]), at<double>(&r[32]),
          at<int32_t>(&r[124]), at<int32_t>(&r[128]), switchedOff(r)};
}

template <>
KeltEntry convertRecord(const Record& r) {
  // Stored 0-based; the unsigned sum keeps a corrupt maximum from overflowing.
  const auto section = int32_t(at<uint32_t>(&r[132]) + 1u);
  return {at<double>(&r[8]),
          at<double>(&r[16]),
          at<double>(&r[24]),
          at<double>(&r[32]),
          at<int32_t>(&r[124]),
          at<int32_t>(&r[128]),
          section,
          breakPoint(r),
          switchedOff(r)};
}

template <class Entry>
void writePackage(std::ostream& out, uint8_t kind, const std::vector<Entry>& entries) {
  if (entries.empty()) return;
  writeLe(out, kind);
  writeLe(out, uint8_t{0});  // volumetric
  writeRecord(out, kConvertedCreated);
  writeLe(out, uint32_t(entries.size()));
  for (const Entry& e : entries) writeRecord(out, e);
}

// Non-deleted records become one calibration and one verification package; empty ones are left out.
template <class Entry>
void writePackages(std::ostream& out, std::istream& in, uint32_t records) {
  std::vector<Entry> calibration, verification;
  for (uint32_t i = 0; i < records; ++i) {
    const Record r = readOld<kRecordSize>(in);
    if (!isDeleted(r))
      (isVerification(r) ? verification : calibration).push_back(convertRecord<Entry>(r));
  }
  writeLe(out, uint32_t(!calibration.empty()) + uint32_t(!verification.empty()));
  writePackage(out, 0, calibration);
  writePackage(out, 1, verification);
}

// ZORB block (8 bytes): model index, pulse-weight index. KELT block (32 bytes): model number of
// the version-3 numbering, output type, pulse-weight index, N, time constant, offset, reserved.
// Indexes are written unchecked: the device clamps them into its lists.
void writeParameters(std::ostream& out, const OldHeader& h) {
  const uint32_t group = h.diameterGroup();
  if (!h.kelt()) {
    writeLe(out, uint32_t{8});
    writeLe(out, h.type);
    writeLe(out, h.pulseStep - group);
    return;
  }
  writeLe(out, uint32_t{32});
  writeLe(out, h.type - 17 + (h.type > 19 ? 1 : 0));
  writeLe(out, uint32_t(h.keltOutput != 0));
  writeLe(out, h.pulseStep - 2 * group);
  writeLe(out, h.keltN == 0 ? 1 : h.keltN / 10000);
  writeLe(out, h.keltTimeConstant * 0.0001);
  writeLe(out, uint32_t{0});
  writeLe(out, uint32_t{0});
}

}  // namespace

void convertOldDocument(std::ostream& out, std::istream& in, uint32_t version) {
  const OldHeader h(readOld<kHeaderSize>(in));
  writeLe(out, uint8_t(h.kelt() ? dfKelt : dfZorb));
  writeRecord(out, DeviceIdentity{h.serial, h.diameter});
  writeSettings(out, h);
  writeLines(out, in, version);
  if (h.kelt()) {
    writePackages<KeltEntry>(out, in, h.records);
  } else {
    writePackages<ZorbEntry>(out, in, h.records);
  }
  writeParameters(out, h);
}

}  // namespace files

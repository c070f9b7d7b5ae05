#include "storage/oldfiles.h"

#include <algorithm>
#include <array>
#include <bit>
#include <istream>
#include <ostream>
#include <string>

#include "base/errors.h"

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

using Bytes = const unsigned char*;

uint32_t u32At(Bytes p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

double f64At(Bytes p) {
  return std::bit_cast<double>(uint64_t(u32At(p)) | uint64_t(u32At(p + 4)) << 32);
}

void putU8(std::string& out, uint8_t v) { out.push_back(char(v)); }

void putU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(char(v >> (8 * i)));
}

void putF64(std::string& out, double v) {
  const uint64_t bits = std::bit_cast<uint64_t>(v);
  putU32(out, uint32_t(bits));
  putU32(out, uint32_t(bits >> 32));
}

template <size_t N>
std::array<unsigned char, N> readOld(std::istream& in) {
  std::array<unsigned char, N> block;
  if (!in.read(reinterpret_cast<char*>(block.data()), N))
    throw MessageError("Неизвестный формат файла");
  return block;
}

struct OldHeader {
  uint32_t type;
  uint8_t diameter;
  uint32_t serial;
  uint32_t keltOutput;
  uint32_t pulseStep;
  uint32_t keltN;
  uint32_t keltTimeConstant;
  uint32_t scatter;
  uint32_t maxError;
  uint32_t refTemp;
  uint8_t func;
  uint32_t mode;
  uint32_t records;

  bool kelt() const { return type > kLastZorbType; }
  // 0 for diameters below 50 mm, 1 for 50..100 mm, 2 above.
  uint32_t diameterGroup() const { return diameter < 5 ? 0 : diameter <= 8 ? 1 : 2; }
};

OldHeader parseHeader(Bytes h) {
  return {u32At(h),      h[4],          u32At(h + 8),  u32At(h + 16), u32At(h + 20),
          u32At(h + 24), u32At(h + 28), u32At(h + 32), u32At(h + 36), u32At(h + 40),
          h[48],         u32At(h + 52), u32At(h + 116)};
}

// The 35-byte settings block: func, manual, fromEntries, refTemp, maxAutoErr, sectionScatter,
// pulseWeight.
void putSettings(std::string& out, const OldHeader& h) {
  putU8(out, h.kelt() ? 0 : uint8_t(h.func + 1));  // old 0/1 are "y = a*x+b" / "y = a*x"
  putU8(out, h.mode == 1 ? 0 : 1);
  putU8(out, h.mode == 3 ? 1 : 0);
  putF64(out, h.refTemp * 0.0001);
  putF64(out, h.maxError * 0.0001 * 100);
  putF64(out, h.scatter * 0.0001 * 100);
  const uint64_t step = h.kelt() ? uint64_t(h.pulseStep) : uint64_t(h.pulseStep) * 2;
  putF64(out, kPulseWeights[std::min<uint64_t>(step, kPulseWeights.size() - 1)]);
}

void putLines(std::string& out, std::istream& in, uint32_t version) {
  if (version != 2) {
    putU32(out, 0);
    return;
  }
  const auto block = readOld<kLineBlockSize>(in);
  const uint32_t count = std::min(u32At(block.data()), kMaxLines);
  putU32(out, count);
  for (uint32_t i = 0; i < count; ++i) {
    for (size_t column : {16, 144, 272}) putF64(out, f64At(block.data() + column + 8 * i));
  }
}

// Converted entry records of one series, already in the version-3 layout.
struct Series {
  uint32_t count = 0;
  std::string records;
};

// Appends the ZORB (41-byte) or KELT (46-byte) entry record of an old record.
void putEntry(std::string& out, Bytes r, bool kelt) {
  for (size_t field : {8, 16, 24, 32}) putF64(out, f64At(r + field));
  putU32(out, u32At(r + 124));
  putU32(out, u32At(r + 128));
  if (kelt) {
    putU32(out, u32At(r + 132) + 1);
    putU8(out, r[120] & 1);
  }
  putU8(out, (r[120] >> 1) & 1);
}

void putPackage(std::string& out, uint8_t kind, const Series& series) {
  putU8(out, kind);
  putU8(out, 0);  // volumetric
  // Creation time of every converted package: 1 January 2003 (a Wednesday), 00:00:00.000.
  for (uint32_t field : {2003, 1, 3, 1, 0, 0, 0, 0}) {
    putU8(out, uint8_t(field));
    putU8(out, uint8_t(field >> 8));
  }
  putU32(out, series.count);
  out += series.records;
}

void putPackages(std::string& out, std::istream& in, const OldHeader& h) {
  Series calibration, verification;
  for (uint32_t i = 0; i < h.records; ++i) {
    const auto record = readOld<kRecordSize>(in);
    if (record[121] & 1) continue;  // deleted
    Series& series = (record[123] & 0x80) ? verification : calibration;
    putEntry(series.records, record.data(), h.kelt());
    ++series.count;
  }
  putU32(out, (calibration.count ? 1 : 0) + (verification.count ? 1 : 0));
  if (calibration.count) putPackage(out, 0, calibration);
  if (verification.count) putPackage(out, 1, verification);
}

// ZORB block (8 bytes): model index, pulse-weight index. KELT block (32 bytes): model number of
// the version-3 numbering, output type, pulse-weight index, N, time constant, offset, reserved.
void putParameters(std::string& out, const OldHeader& h) {
  const uint32_t group = h.diameterGroup();
  if (!h.kelt()) {
    putU32(out, 8);
    putU32(out, h.type);
    putU32(out, h.pulseStep - group);
    return;
  }
  putU32(out, 32);
  putU32(out, h.type - 17 + (h.type > 19 ? 1 : 0));
  putU32(out, h.keltOutput != 0 ? 1 : 0);
  putU32(out, h.pulseStep - 2 * group);
  putU32(out, h.keltN == 0 ? 1 : h.keltN / 10000);
  putF64(out, h.keltTimeConstant * 0.0001);
  putU32(out, 0);
  putU32(out, 0);
}

}  // namespace

void convertOldDocument(std::ostream& out, std::istream& in, uint32_t version) {
  const auto header = readOld<kHeaderSize>(in);
  const OldHeader h = parseHeader(header.data());
  std::string converted;
  putU8(converted, h.kelt() ? 1 : 0);
  putU32(converted, h.serial);
  putU8(converted, h.diameter);
  putSettings(converted, h);
  putLines(converted, in, version);
  putPackages(converted, in, h);
  putParameters(converted, h);
  out.write(converted.data(), std::streamsize(converted.size()));
}

}  // namespace files

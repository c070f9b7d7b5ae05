#pragma once
// Hand-built document files, byte by byte from the layout tables. Shared by the storage tests and
// the fuzzing seed generator, so the fuzzer starts from the same valid documents.

#include <cstdint>
#include <string>
#include <vector>

#include "storage/bytebuilder.h"

namespace fixtures {

// ---- versions 1 and 2 ----

struct OldHeader {
  uint32_t type = 0;
  uint8_t diameter = 0;
  int32_t serial = 0;
  uint32_t keltOutput = 0;
  uint32_t pulseStep = 0;
  uint32_t keltN = 0;
  uint32_t keltTimeConstant = 0;
  uint32_t scatter = 0;
  uint32_t maxError = 0;
  uint32_t refTemp = 0;
  uint8_t func = 0;
  uint32_t mode = 0;
  uint32_t records = 0;
};

inline std::string oldHeader(const OldHeader& h) {
  return ByteBuilder()
      .u32(h.type)
      .u8(h.diameter)
      .padTo(8)
      .i32(h.serial)
      .padTo(16)
      .u32(h.keltOutput)
      .u32(h.pulseStep)
      .u32(h.keltN)
      .u32(h.keltTimeConstant)
      .u32(h.scatter)
      .u32(h.maxError)
      .u32(h.refTemp)
      .padTo(48)
      .u8(h.func)
      .padTo(52)
      .u32(h.mode)
      .padTo(116)
      .u32(h.records);
}

struct OldLine {
  double a, b, f;
};

inline std::string oldLineBlock(uint32_t count, const std::vector<OldLine>& lines) {
  ByteBuilder a, b, f;
  for (const OldLine& line : lines) {
    a.f64(line.a);
    b.f64(line.b);
    f.f64(line.f);
  }
  return ByteBuilder()
      .u32(count)
      .padTo(16)
      .raw(a.str())
      .padTo(144)
      .raw(b.str())
      .padTo(272)
      .raw(f.str())
      .padTo(512);
}

struct OldRecord {
  double temperature = 20, volume = 0, time = 0, pulseTime = 0;
  uint8_t flags = 0;                              // bit 0 break point, bit 1 switched off
  uint8_t deleted = 0;                            // bit 0
  uint8_t series = 0;                             // bit 7 verification
  int32_t pulses1 = 0, pulses2 = 0, section = 0;  // section as stored: number - 1
};

inline std::string oldRecord(const OldRecord& r) {
  return ByteBuilder()
      .padTo(8)
      .f64(r.temperature)
      .f64(r.volume)
      .f64(r.time)
      .f64(r.pulseTime)
      .padTo(120)
      .u8(r.flags)
      .u8(r.deleted)
      .padTo(123)
      .u8(r.series)
      .i32(r.pulses1)
      .i32(r.pulses2)
      .i32(r.section)
      .padTo(140);
}

inline std::string fileHeader(uint32_t version) { return ByteBuilder().raw("3BZN").u32(version); }

}  // namespace fixtures

#pragma once
// Hand-built document files, byte by byte from the layout tables. Shared by the storage tests and
// the fuzzing seed generator, so the fuzzer starts from the same valid documents.

#include <cstdint>
#include <string>
#include <vector>

#include "core/storage/bytebuilder.h"

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

// A KELT document of version 2: nine stored lines (seven are taken), a deleted record and a record
// of each series.
inline std::string keltVersion2() {
  OldHeader h;
  h.type = 23;
  h.diameter = 9;
  h.serial = 123456;
  h.keltOutput = 5;
  h.pulseStep = 6;
  h.keltN = 25000;
  h.keltTimeConstant = 15000;
  h.scatter = 500;
  h.maxError = 100;
  h.refTemp = 200000;
  h.func = 7;
  h.mode = 3;
  h.records = 3;
  std::vector<OldLine> lines;
  for (int i = 0; i < 9; ++i) lines.push_back({i + 1.0, -i * 0.5, 100.0 * (i + 1)});
  const OldRecord calibration{21.5, 10, 60, 59.5, 3, 0, 0x7f, 1000, 100, 0};
  const OldRecord deleted{22, 11, 61, 60, 0, 1, 0x80, 1, 2, 3};
  const OldRecord verification{23, 12, 62, 61, 0, 0xfe, 0x80, 2000, 200, 4};
  return fileHeader(2) + oldHeader(h) + oldLineBlock(9, lines) + oldRecord(calibration) +
         oldRecord(deleted) + oldRecord(verification);
}

// ---- versions 3 to 5 ----

struct Settings {
  uint8_t func = 0, manual = 1, fromEntries = 1;
  double refTemp = 20, maxAutoErr = 1, sectionScatter = 5, pulseWeight = 0;
};

struct Line {
  double a, b, f;
};

// The fields a record may hold; each family writes its own subset. `reading` is the pulse time
// (ZORB, KELT) or the output code (TD).
struct Entry {
  double temperature, refQuantity, refTime, reading;
  int32_t pulses1, pulses2, section;
  uint8_t point, switchedOff;
};

struct Package {
  uint8_t kind = 0, method = 0;
  std::vector<uint16_t> created = std::vector<uint16_t>(8);  // SYSTEMTIME fields
  std::vector<Entry> entries;
};

struct Document {
  uint32_t version = 5;
  uint8_t type = 0;    // type code, or the family code before version 4
  uint8_t family = 0;  // 0 ZORB, 1 KELT, 2 TD: decides the entry record
  int32_t serial = 0;
  uint8_t diameter = 0;
  Settings settings;
  std::vector<Line> lines;
  std::vector<Package> packages;
  std::string parameters;
};

// ZORB 41 bytes, KELT 46, TD 42.
inline std::string entryBytes(const Entry& e, uint8_t family) {
  ByteBuilder b;
  b.f64(e.temperature).f64(e.refQuantity).f64(e.refTime).f64(e.reading);
  if (family != 2) b.i32(e.pulses1);
  b.i32(e.pulses2);
  if (family != 0) b.i32(e.section).u8(e.point);
  return b.u8(e.switchedOff);
}

// One package block as the document holds it (and Package::load reads it).
inline std::string packageBytes(const Package& p, uint8_t family) {
  ByteBuilder b;
  b.u8(p.kind).u8(p.method);
  for (uint16_t field : p.created) b.u16(field);
  b.u32(uint32_t(p.entries.size()));
  for (const Entry& e : p.entries) b.raw(entryBytes(e, family));
  return b;
}

inline std::string documentBytes(const Document& d) {
  ByteBuilder b;
  b.raw(fileHeader(d.version)).u8(d.type).i32(d.serial).u8(d.diameter);
  const Settings& s = d.settings;
  b.u8(s.func).u8(s.manual).u8(s.fromEntries);
  b.f64(s.refTemp).f64(s.maxAutoErr).f64(s.sectionScatter).f64(s.pulseWeight);
  b.u32(uint32_t(d.lines.size()));
  for (const Line& l : d.lines) b.f64(l.a).f64(l.b).f64(l.f);
  b.u32(uint32_t(d.packages.size()));
  for (const Package& p : d.packages) b.raw(packageBytes(p, d.family));
  return b.u32(uint32_t(d.parameters.size())).raw(d.parameters);
}

inline std::string parameterBlock(size_t size) {
  std::string block;
  for (size_t i = 0; i < size; ++i) block.push_back(char(0x11 * (i + 1)));
  return block;
}

// One document of each family with every field set.
inline Document tdDocument() {
  Document d;
  d.type = 0;
  d.family = 2;
  d.serial = 1234;
  d.diameter = 3;
  d.settings = {1, 0, 1, 18.5, 0.75, 4.5, 0};
  for (int i = 0; i < 5; ++i) d.lines.push_back({0.001 * (i + 1), -0.5 * i, 1000.0 * (i + 1)});
  Package verification{1, 2, {2024, 5, 1, 15, 13, 45, 30, 250}, {}};
  verification.entries = {{20.5, 1.25, 60, 5100.5, 0, 17, 2, 1, 0},
                          {21, 2.5, 30.5, 10200.25, 0, -3, 0, 0, 1}};
  d.packages = {verification};
  d.parameters = parameterBlock(14);
  return d;
}

inline Document zorbDocument() {
  Document d;
  d.type = 6;
  d.family = 0;
  d.serial = 987654;
  d.diameter = 11;
  d.settings = {2, 1, 0, 22, 1.5, 6, 0.001};
  d.lines = {{0.125, 0.0625, 0}};
  Package mass{0, 1, {2023, 12, 0, 31, 23, 59, 59, 999}, {}};
  mass.entries = {{19, 100.5, 120, 119.5, 12001, 100, 0, 0, 0}};
  d.packages = {mass};
  d.parameters = parameterBlock(8);
  return d;
}

inline Document keltDocument() {
  Document d;
  d.type = 27;
  d.family = 1;
  d.serial = -5;
  d.diameter = 7;
  d.settings = {0, 0, 0, 20, 1, 5, 0.0001};
  d.lines = {{0.5, 0.25, 50}, {0.75, -0.125, 150}, {1.5, 2, 0}};
  Package volume{0, 0, {2022, 1, 6, 7, 8, 9, 10, 11}, {}};
  volume.entries = {{20, 10, 60, 59.75, 3001, 99, 1, 1, 0},
                    {25, 20, 61, 60.5, 9001, 199, 2, 0, 1},
                    {30, 30, 62, 61.25, 15001, 299, 3, 1, 1}};
  Package empty{1, 2, {2022, 1, 6, 7, 8, 9, 10, 12}, {}};
  d.packages = {volume, empty};
  d.parameters = parameterBlock(32);
  return d;
}

}  // namespace fixtures

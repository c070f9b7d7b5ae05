#pragma once
// What a KELT document keeps of the device besides its identity: the parameter block and the
// coefficient lines, converted from and to the panel's coefficient edits.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/package/line.h"

// Coefficient lines of the panel for the document: one per segment the model holds, the last F
// repeating F45.
std::vector<files::Line> keltReadLines(const double (&A)[5], const double (&B)[5],
                                       const double (&F)[4], int model);
// The edit values for a line set, and the range warnings for the console.
struct KeltLineEdits {
  double A[5] = {};
  double B[5] = {};
  double F[4] = {};
  std::vector<std::string> warnings;
};
KeltLineEdits keltWriteLines(const std::vector<files::Line>& lines, int model);

// The KELT parameter block of a document, 32 bytes little-endian: bytes 0..3 unused (written as
// zeros, ignored when read), then int32 output-type position, int32 pulse-weight position,
// int32 n, double pulse duration in ms, int32 temperature offset in steps of 0.5 °C, int32 zero.
#pragma pack(push, 1)
struct KeltDocParameters {
  int32_t unused = 0;
  int32_t outputPosition = 0;
  int32_t weightPosition = 0;
  int32_t n = 1;
  double pulseDuration = 1;
  int32_t offset = 0;
  int32_t zero = 0;
};
#pragma pack(pop)
static_assert(sizeof(KeltDocParameters) == 32);
// A stored block with its list positions limited to the model's lists; nullopt when shorter
// than 32 bytes.
std::optional<KeltDocParameters> keltReadDocParameters(const uint8_t* data, uint32_t length,
                                                       int model);

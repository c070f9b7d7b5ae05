#include "core/devices/zorb/zorbprotocol.h"

#include <cmath>

#include "core/base/errors.h"

namespace {

constexpr const char* kBadCoefficients = "Недопустимые значения коэффициентов A и/или B";

// Code of a scaled coefficient; anything far outside 16 bits is rejected before rounding, so a
// huge or non-finite value can never reach an integer conversion.
long codeOf(double scaled) {
  if (!std::isfinite(scaled) || std::fabs(scaled) > 1e9) throw MessageError(kBadCoefficients);
  return zorbRound(scaled);
}

void putWord(ZorbFrame& frame, int at, long value) {
  frame[at] = static_cast<uint8_t>((value >> 8) & 0xFF);
  frame[at + 1] = static_cast<uint8_t>(value & 0xFF);
}

unsigned wordAt(const ZorbFrame& frame, int at) { return (frame[at] << 8) | frame[at + 1]; }

// Ду 25 and 32 carry a doubled A code, flagged by byte 0.
bool doubledA(uint8_t duCode) { return duCode < 4; }

// The scale and the pulse weights follow the same three Ду groups: up to 40, 50..100, 125 and up.
int duGroup(uint8_t duCode) { return duCode <= 4 ? 0 : duCode <= 8 ? 1 : 2; }

}  // namespace

int zorbScale(uint8_t duCode) {
  static constexpr int kScale[] = {100000, 10000, 1000};
  return kScale[duGroup(duCode)];
}

long zorbRound(double x) { return std::lround(x); }

ZorbFrame zorbWriteFrame(double a, double b, uint8_t duCode) {
  const double d = zorbScale(duCode);
  const long e = codeOf(d * a);
  const long aCode = doubledA(duCode) ? 2 * e : e;
  if (aCode < 0 || aCode > kZorbMaxCode) throw MessageError(kBadCoefficients);
  const long m = codeOf(d * b);
  if (e + m < 0 || e + m > kZorbMaxCode) throw MessageError(kBadCoefficients);

  ZorbFrame frame{};
  frame[0] = doubledA(duCode) ? 1 : 0;
  putWord(frame, 1, aCode);
  frame[3] = m < 0 ? 1 : 0;
  putWord(frame, 4, m & 0xFFFF);  // low 16 bits of the two's complement
  frame[6] = zorbChecksum(frame);
  frame[7] = 0x0D;
  return frame;
}

ZorbFrame zorbReadRequest() {
  ZorbFrame frame{};
  frame[0] = 0x80;
  frame[7] = 0x0D;
  return frame;
}

ZorbCoefficients zorbDecodeAnswer(const ZorbFrame& answer, uint8_t duCode) {
  const double d = zorbScale(duCode);
  unsigned aCode = wordAt(answer, 1);
  if (answer[0] != 0) aCode /= 2;
  long bCode = wordAt(answer, 4);
  if (answer[3] != 0) bCode -= 65536;
  return {aCode / d, bCode / d};
}

WriteCheck zorbCompareWritten(const ZorbFrame& written, const ZorbFrame& answer, uint8_t duCode) {
  const auto w = zorbDecodeAnswer(written, duCode);
  const auto f = zorbDecodeAnswer(answer, duCode);
  const std::span<const uint8_t> coded(written.data(), 6);
  return writeCheckCompare(coded, std::span(answer.data(), 6), {{"A", w.A, f.A}, {"B", w.B, f.B}});
}

uint8_t zorbChecksum(const ZorbFrame& frame) {
  unsigned sum = 0;
  for (int i = 0; i < 6; ++i) sum += frame[i];
  return static_cast<uint8_t>(sum & 0xFF);
}

const std::array<const char*, 3>& zorbPulseWeights(uint8_t duCode) {
  static const std::array<const char*, 3> kWeights[] = {
      {"0,0001", "0,001", "0,01"}, {"0,001", "0,01", "0,1"}, {"0,01", "0,1", "1"}};
  return kWeights[duGroup(duCode)];
}

#pragma once
// ZORB transducer line protocol. Every frame is exactly 8 bytes in both directions and ends with
// 0x0D; there is no other delimiter. A write frame carries a sum of bytes 0..5 modulo 256 in byte 6
// and is checked by its echo (the device sends the same 8 bytes back). A read answer is laid out
// like a write frame; only its bytes 0..5 are used.

#include <array>
#include <cstdint>
#include <optional>

#include "core/base/writecheck.h"

// Command record of a ZORB worker queue item: the coefficients to write or the ones read back.
struct ZorbCommon {
  double A = 0;
  double B = 0;
  uint8_t Du = 2;    // nominal-diameter code; the ZORB list starts at Ду 25, code 2
  uint8_t port = 0;  // 1-based position in the port list, 0 = no port
  std::optional<WriteCheck> check;  // after a write: what the device holds now
};

using ZorbFrame = std::array<uint8_t, 8>;

// Largest A code (and largest A code + B code) the device accepts.
inline constexpr long kZorbMaxCode = 36000;

// Scale between a coefficient and its code: 100000 for Ду 25..40, 10000 for Ду 50..100, 1000 above.
int zorbScale(uint8_t duCode);

// Nearest integer, halves away from zero.
long zorbRound(double x);

// Write frame for A and B at the given Ду. Throws MessageError "Недопустимые значения коэффициентов
// A и/или B" when A code is outside 0..36000, when A code + B code is, or a value is not finite.
ZorbFrame zorbWriteFrame(double a, double b, uint8_t duCode);  // can throw

// Read request: 0x80, six zero bytes, 0x0D.
ZorbFrame zorbReadRequest();

struct ZorbCoefficients {
  double A;
  double B;
};

// A and B of a read answer, scaled by the Ду the caller assumes (not the device's own).
ZorbCoefficients zorbDecodeAnswer(const ZorbFrame& answer, uint8_t duCode);

// Sum of bytes 0..5 modulo 256: byte 6 of a write frame.
uint8_t zorbChecksum(const ZorbFrame& frame);

// The three pulse weights (m³ per pulse) offered for a Ду, as the panel shows them.
const std::array<const char*, 3>& zorbPulseWeights(uint8_t duCode);

// A write frame against the read answer that followed it: bytes 0..5, the coefficients decoded
// at the same Ду to name a difference.
WriteCheck zorbCompareWritten(const ZorbFrame& written, const ZorbFrame& answer, uint8_t duCode);

#pragma once
// KELT parameter blocks: the engineering values of the four block formats and their device
// blocks. A block is a fixed number of data bytes; on the wire it is followed by a 16-bit sum of
// those bytes, most significant byte first (see keltprotocol.h), which the encoders here leave
// to the exchange. Format 1 and 2 store 16-bit codes most significant byte first, formats 3 and 4
// least significant byte first.
//
// Format 1 (model 0), 35 data bytes: n, A codes 1..4, B codes 1..4, scale bytes 1..4 (multiplier
//   k in bits 0..2, divisor s in bits 3..7), lower and upper period thresholds of F12..F34,
//   settings byte (bits 4..7 Du code - 1, bit 3 long pulse, bits 0..2 output code), pulse code.
// Format 2 (models 1..6), 44 data bytes: as format 1 with five segments and four boundaries.
// Format 3 (models 7..11), 36 data bytes: A codes, B codes, segment bytes (class in bits 5..7,
//   divisor code in bits 0..4), period codes of F12..F45, settings byte (Du code, long pulse,
//   weight code), pulse code, offset byte. Over the adapter a write counter follows as byte 36.
// Format 4 (models 12..17), 39 data bytes: as format 3 with a restoration bit (bit 5) in the
//   segment bytes, an offset byte carrying the thermal-correction switch in bit 7 and a 24-bit
//   serial number.
//
// Every encoder checks every value before it returns, so a refused write sends nothing. The
// failures are MessageError with the texts beginning "Недопустимое значение".

#include <cstdint>
#include <span>
#include <vector>

// The part all formats share. Format 1 uses only segments 1..4 and boundaries F12..F34.
struct KeltCharacteristic {
  double A[5] = {};          // slope of segment i, m³/h per Hz
  double B[5] = {};          // offset of segment i, m³/h
  double F[4] = {};          // boundaries F12, F23, F34, F45 in Hz
  double pulseDuration = 1;  // ms
  uint8_t duCode = 1;        // nominal-diameter code: 1 = Ду 20 .. 11 = Ду 200
};

// Formats 1 and 2 (models 0..6).
struct KeltParams12 : KeltCharacteristic {
  uint8_t n = 1;           // frequency divider of the frequency output
  int32_t outputCode = 0;  // 0 frequency output Vf/n, 1..5 pulse output with that weight index
};

// Format 3 (models 7..11).
struct KeltParams3 : KeltCharacteristic {
  int32_t weightCode = 1;  // pulse-weight index 1..5
  int8_t tempOffset = 0;   // steps of 0.5 °C, -7..7
  int32_t outputType = 0;  // 0 pulse output Vp, 1..5 frequency output Vf, Vf/2 .. Vf/16
};

// Format 4 (models 12..17).
struct KeltParams4 : KeltParams3 {
  int32_t serialNumber = 0;  // factory number, 24 bits significant
  uint8_t disableRestoration = 0;
  uint8_t disableThermalCorrection = 0;
};

// Data bytes of each device block, without the checksum (format 3 also without the counter).
inline constexpr std::size_t kKeltBlockSize1 = 35;
inline constexpr std::size_t kKeltBlockSize2 = 44;
inline constexpr std::size_t kKeltBlockSize3 = 36;
inline constexpr std::size_t kKeltBlockSize4 = 39;

// Data bytes of the block of the model's format.
std::size_t keltBlockSize(int model);

// Scale D of a Du code: 100000 for Ду 20..40, 10000 for Ду 50..100, 1000 above.
double keltScaleD(int duCode);
// 128 for the КЕЛТ3 variants, 228 for the others.
int keltK(int model);
// Lowest frequency of the first segment, Hz; 0 for a Du code outside 0..11.
double keltFmin(int duCode, int model);
// Nearest integer, halves away from zero.
double keltRound(double x);
// Divisor code of formats 3 (models 9..11) and 4: s 1..15 as itself, 16..60 (a multiple of 4) as
// 0x10 | s / 4. keltDivisor inverts it; `wide` false gives the plain 5-bit code of models 7 and 8.
uint8_t keltDivisorCode(int s, bool wide = true);
int keltDivisor(uint8_t code, bool wide = true);

// Encoders: the data bytes of the model's block. Throw std::invalid_argument when the model has
// another format, MessageError for a value the format cannot hold.
std::vector<uint8_t> keltEncode(const KeltParams12& p, int model);  // can throw
std::vector<uint8_t> keltEncode(const KeltParams3& p, int model);   // can throw
std::vector<uint8_t> keltEncode(const KeltParams4& p, int model);   // can throw

// Decoders of blocks whose checksum was checked; `block` holds at least the data bytes of the
// format (std::invalid_argument otherwise).
KeltParams12 keltDecode12(std::span<const uint8_t> block, int model);
KeltParams3 keltDecode3(std::span<const uint8_t> block, int model);
KeltParams4 keltDecode4(std::span<const uint8_t> block, int model);

#include "core/devices/kelt/keltblocks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

#include "core/base/errors.h"
#include "core/devices/kelt/keltmodels.h"

namespace {

// Offsets shared by formats 3 and 4.
constexpr int kCodesA = 0;
constexpr int kCodesB = 10;
constexpr int kSegmentBytes = 20;
constexpr int kPeriods = 25;
constexpr int kSettings = 33;
constexpr int kPulse = 34;
constexpr int kOffsetByte = 35;

constexpr double kPulseStep = 0.0305;                   // ms per pulse-duration code
constexpr double kPulseCodesPerMs = 32.78688524590164;  // 1 / 0.0305
constexpr int kLongPulse = 0x08;                        // settings byte: code counts 256 steps
constexpr const char* kBadValue = "Недопустимое значение ";

// Boundaries F12, F23, F34, F45 are named by the digits of the two segments they separate.
[[noreturn]] void badF(int j) {
  throw MessageError(std::string(kBadValue) + "F" + std::to_string(j + 1) + std::to_string(j + 2));
}
[[noreturn]] void badA(int i) {
  throw MessageError(std::string(kBadValue) + "A" + std::to_string(i + 1));
}
[[noreturn]] void badAB(int i) {
  const std::string digit = std::to_string(i + 1);
  throw MessageError(std::string(kBadValue) + "A" + digit + " и/или B" + digit);
}
// The two spellings are both the devices' own texts: the range of the code has two blanks after
// "значение", a long pulse that the weight does not allow has one.
[[noreturn]] void badPulseRange() {
  throw MessageError("Недопустимое значение  длительности импульса");
}
[[noreturn]] void badPulse(const char* limit = "") {
  throw MessageError(std::string("Недопустимое значение длительности импульса") + limit);
}

// NaN counts as outside.
bool outside(double x, double lo, double hi) { return !(x >= lo && x <= hi); }

// round(x) limited to lo..hi; x must not be NaN.
int limitedRound(double x, int lo, int hi) {
  return static_cast<int>(std::clamp(keltRound(x), double(lo), double(hi)));
}

void requireFormat(int model, int format) {
  if (keltModel(model).format != format)
    throw std::invalid_argument("KELT model of another format");
}

// Formats 1 and 2 share their encoding; the model tells which of them.
int requireFormat12(int model) {
  const int format = keltModel(model).format;
  if (format > 2) throw std::invalid_argument("KELT model of another format");
  return format;
}

void requireSize(std::span<const uint8_t> block, std::size_t size) {
  if (block.size() < size) throw std::invalid_argument("KELT block too short");
}

void putMsb(std::vector<uint8_t>& block, int at, int value) {
  block[at] = static_cast<uint8_t>((value >> 8) & 0xFF);
  block[at + 1] = static_cast<uint8_t>(value & 0xFF);
}
void putLsb(std::vector<uint8_t>& block, int at, int value) {
  block[at] = static_cast<uint8_t>(value & 0xFF);
  block[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}
int msbAt(std::span<const uint8_t> block, int at) { return (block[at] << 8) | block[at + 1]; }
int lsbAt(std::span<const uint8_t> block, int at) { return block[at] | (block[at + 1] << 8); }

bool isFrequencyOutput(int32_t outputType) { return outputType >= 1 && outputType <= 5; }

// Smallest multiple of 4 not below s, for divisors above 15 of the wide divisor code.
double wideDivisor(double s) { return s > 15 ? std::ceil(s / 4) * 4 : s; }

// The divisor that brings b inside lo..hi: the larger of b / hi and b / lo, rounded up, at least 1.
double divisorFor(double b, int lo, int hi) {
  const double r1 = hi < 1 ? 0.9 : b / hi;
  const double r2 = lo < 0 ? b / lo : 0.9;
  return std::max(1.0, keltRound(std::ceil(std::max(r1, r2))));
}

// m cannot be represented when its side of the range is empty.
bool blockedByRange(double m, int lo, int hi) { return (lo == 0 && m < 0) || (hi == 0 && m > 0); }

int limitedDifference(double m, int lo, int hi) {
  return static_cast<int>(std::clamp(m, double(lo), double(hi)));
}

// Frequency-output patterns of formats 3 and 4: every A and B code set to the type's code, no
// period codes.
constexpr std::array<int, 6> kPattern3{0, 0xFFFF, 0x7FFF, 0x4000, 0x2000, 0x1000};
constexpr std::array<int, 6> kPattern4{0, 0xFFFF, 0x8000, 0x4000, 0x2000, 0x1000};

void fillPattern(std::vector<uint8_t>& block, int code, uint8_t segmentByte) {
  for (int i = 0; i < 5; ++i) {
    putLsb(block, kCodesA + 2 * i, code);
    putLsb(block, kCodesB + 2 * i, code);
    block[kSegmentBytes + i] = segmentByte;
  }
  std::fill(block.begin() + kPeriods, block.begin() + kSettings, 0);
}

uint8_t pattern3SegmentByte(int type) { return type == 1 ? 0x81 : 0x61; }

// Period codes of F12..F45 for formats 3 (32768 / F) and 4 (8192 / F).
std::array<int, 4> periodCodes(const double (&F)[4], double scale, double maxQuotient) {
  std::array<int, 4> codes{};
  for (int j = 0; j < 4; ++j) {
    const double v = scale / F[j];
    if (outside(v, 0.9, maxQuotient)) badF(j);
    codes[j] = limitedRound(v, 1, 65535);
  }
  return codes;
}

double aQuotient(double A, double D, int i) {
  const double a = A * D * 65536 / 36000;
  if (outside(a, -0.1, 65535.1)) badA(i);
  return a;
}

double bQuotient(double B, double D, int i) {
  const double b = B * D * 65536 / 18000;
  if (!std::isfinite(b)) badAB(i);
  return b;
}

void putSegment(std::vector<uint8_t>& block, int i, int aCode, int bCode, uint8_t segmentByte) {
  putLsb(block, kCodesA + 2 * i, aCode);
  putLsb(block, kCodesB + 2 * i, bCode & 0xFFFF);
  block[kSegmentBytes + i] = segmentByte;
}

// Format 3, one segment. Besides the divisor the segment byte carries a class that tells the
// device how far the B code may lie above the A code.
void encodeSegment3(std::vector<uint8_t>& block, const KeltParams3& p, int model, int i,
                    double lowerF) {
  const double D = keltScaleD(p.duCode);
  const int K = keltK(model);
  const bool wide = keltModel(model).wideDivisors;
  const double a = aQuotient(p.A[i], D, i);
  const int aCode = limitedRound(a, 0, 65535);
  const int lo = std::max(-((aCode * 128 + 127) / K), -32767);
  int hi = std::min(((65535 - aCode) * 128 + 127) / K, 32767);
  const double b = bQuotient(p.B[i], D, i);

  double s = divisorFor(b, lo, hi);
  if (wide) s = wideDivisor(s);
  const double smax = std::min(keltRound(std::floor(1.95 * lowerF)), wide ? 60.0 : 31.0);
  if (smax < s) badAB(i);
  double m = keltRound(b / s);

  uint8_t cls;
  const bool upperHalf = aCode >= 32768;
  if (m <= 0) {
    cls = aCode >= 43690 ? 0x80 : upperHalf ? 0x20 : 0x60;
  } else if (aCode >= 43690) {
    cls = 0x80;
  } else {
    const int reserve = upperHalf ? (3 * aCode) / 2 : 2 * aCode;
    const int hi2 = std::min(((65535 - reserve) * 128 + 127) / K, hi);
    double s2 = std::max(s, keltRound(std::ceil(b / hi2)));
    if (wide) s2 = wideDivisor(s2);
    if (s2 > smax) {
      cls = upperHalf ? 0x00 : 0x40;
    } else {
      s = s2;
      m = keltRound(b / s2);
      hi = hi2;
      cls = upperHalf ? 0x20 : 0x60;
    }
  }
  if (blockedByRange(m, lo, hi)) badAB(i);
  const int bCode = aCode + limitedDifference(m, lo, hi);
  putSegment(block, i, aCode, bCode, cls | keltDivisorCode(static_cast<int>(s), wide));
}

// Pulse-duration code of formats 1..3: 0.0305 ms steps, or 256 of them with the long-pulse bit.
struct PulseCode {
  int code;
  bool longPulse;
};

int pulseSteps(double duration) {
  const double c = keltRound(duration * kPulseCodesPerMs);
  return outside(c, 1, 65407) ? 0 : static_cast<int>(c);
}

PulseCode longPulseCode(int c) { return {(c + 128) / 256, true}; }

// Format 4: whole steps of 1.9 ms, or 3.9 ms on the slow-pulse models; the weight caps the length.
int pulseCode4(double duration, int32_t weightCode, int model) {
  const bool slow = keltModel(model).slowPulse;
  const double c = keltRound(duration / (slow ? 3.9 : 1.9));
  if (outside(c, 1, slow ? 30 : 60)) badPulseRange();
  struct Limit {
    int code;
    const char* text;
  };
  static constexpr Limit kFast[] = {{1, " (>1.9 мС)"},
                                    {3, " (>5.7 мС)"},
                                    {6, " (>11.4 мС)"},
                                    {30, " (>57 мС)"},
                                    {60, " (>114 мС)"}};
  static constexpr Limit kSlow[] = {{1, " (>3.9 мС)"},
                                    {2, " (>7.8 мС)"},
                                    {3, " (>11.7 мС)"},
                                    {15, " (>58.5 мС)"},
                                    {30, " (>117 мС)"}};
  if (weightCode >= 1 && weightCode <= 5) {
    const Limit& limit = (slow ? kSlow : kFast)[weightCode - 1];
    if (c > limit.code) badPulse(limit.text);
  }
  return static_cast<int>(c);
}

// Format 4, one segment: the first divisor that keeps the B code in 16 bits, within the
// frequency limit and above the device's lower bound; a later one is preferred when the device
// can restore the segment with it (then bit 5 marks the segment, unless restoration is off).
void encodeSegment4(std::vector<uint8_t>& block, const KeltParams4& p, int model, int i) {
  const double D = keltScaleD(p.duCode);
  const int K = keltK(model);
  const double a = aQuotient(p.A[i], D, i);
  const int aCode = limitedRound(a, 1, 65535);
  const double b = bQuotient(p.B[i], D, i);

  const double lowerF = std::max(keltFmin(p.duCode, model), i > 0 ? 0.21 * p.F[i - 1] : 0.0);
  const double vmax = 1.95 * lowerF;
  const double vmin = p.B[i] >= 0 ? p.B[i] * D * K / 64 / (36000 - p.A[i] * D)
                                  : K * std::fabs(p.B[i]) / (64 * p.A[i]);
  const bool alwaysPrefer =
      p.weightCode >= 2 || p.duCode == 8 || p.duCode == 11 || keltModel(model).alwaysRestorable;
  const double e = aCode + K * D * 65536 * p.B[i] / (18000 * 128);

  int first = 0;
  int preferred = 0;
  for (int v = 1; v <= 60; ++v) {
    if (v > 15 && v % 4 != 0) continue;
    if (outside(keltRound(aCode + b / v), 0, 65535) || !(v <= vmax) || !(v > vmin)) continue;
    if (first == 0) first = v;
    if (alwaysPrefer || (aCode <= 0x8000 && (v == 1 ? e < 65536 : e / v < 32768))) {
      preferred = v;
      break;
    }
  }
  if (first == 0) badAB(i);
  const int s = preferred != 0 ? preferred : first;
  const bool restore = s == preferred && !p.disableRestoration;
  const int bCode = static_cast<int>(keltRound(aCode + b / s));
  putSegment(block, i, aCode, bCode, keltDivisorCode(s) | (restore ? 0x20 : 0));
}

// Block offsets of formats 1 and 2, which differ only in the number of segments.
struct Layout12 {
  int segments;
  int a, b, scale, lower, upper, settings, pulse, size;
};

Layout12 layout12(int format) {
  const int n = format == 1 ? 4 : 5;
  const int a = 1, b = a + 2 * n, scale = b + 2 * n, lower = scale + n;
  const int upper = lower + 2 * (n - 1), settings = upper + 2 * (n - 1);
  return {n, a, b, scale, lower, upper, settings, settings + 1, settings + 2};
}

// Formats 1 and 2, one segment: a multiplier k scales the A code up for resolution, a divisor s
// scales the B difference down into range; the device counts at most 1.95 × the lowest
// frequency of the segment / k per divisor step.
void encodeSegment12(std::vector<uint8_t>& block, const Layout12& at, const KeltParams12& p,
                     int format, int i, double lowerF, double upperF) {
  const double C = keltScaleD(p.duCode) * 65536 / 36000;
  // A negative A would be stored as code 0 without a word; refuse it as formats 3 and 4 do.
  const double a = p.A[i] * C;
  if (!(a >= -0.1 && std::isfinite(a))) badA(i);
  const double kmax = a < 9000 ? 7 : std::min(7.0, keltRound(std::floor(65535 / a)));
  if (kmax < 1) badA(i);
  const double b = 2 * p.B[i] * C;
  if (!std::isfinite(b)) badAB(i);

  const bool upward = upperF <= 100;
  const int step = upward ? 1 : -1;
  for (int k = upward ? 1 : static_cast<int>(kmax); k >= 1 && k <= 7; k += step) {
    const int aCode = limitedRound(k * a, 0, 65535);
    int lo = -aCode;
    int hi = 65535 - aCode;
    if (format == 2) {
      lo = std::max(-((aCode * 256 + 255) / 440), -32767);
      hi = std::min(((65535 - aCode) * 256 + 255) / 440, 32767);
    }
    const double s = divisorFor(b, lo, hi);
    const double smax = std::min(31.0, keltRound(std::floor(1.95 * lowerF / k)));
    const double m = keltRound(b / s);
    if (s > smax || blockedByRange(m, lo, hi)) continue;
    putMsb(block, at.a + 2 * i, aCode);
    putMsb(block, at.b + 2 * i, (aCode + limitedDifference(m, lo, hi)) & 0xFFFF);
    block[at.scale + i] = static_cast<uint8_t>(k + 8 * static_cast<int>(s));
    return;
  }
  badAB(i);
}

bool matchesPattern3(std::span<const uint8_t> block, int type) {
  std::vector<uint8_t> pattern(kKeltBlockSize3);
  fillPattern(pattern, kPattern3[type], pattern3SegmentByte(type));
  return std::equal(block.begin(), block.begin() + kSettings, pattern.begin()) &&
         (block[kSettings] & 0x0F) == 1 && block[kPulse] == 24;
}

bool matchesPattern4(std::span<const uint8_t> block, int type) {
  std::vector<uint8_t> pattern(kKeltBlockSize4);
  fillPattern(pattern, kPattern4[type], 0x01);
  for (int i = 0; i < kSettings; ++i) {
    const bool segmentByte = i >= kSegmentBytes && i < kPeriods;
    const uint8_t mask = segmentByte ? 0x0F : 0xFF;
    if ((block[i] & mask) != (pattern[i] & mask)) return false;
  }
  return (block[kSettings] & 7) == 1 && block[kPulse] == 1;
}

template <class Match>
int32_t outputTypeOf(std::span<const uint8_t> block, Match matches) {
  for (int type = 5; type >= 1; --type) {
    if (matches(block, type)) return type;
  }
  return 0;
}

// A, B and F of formats 3 and 4.
void decodeCharacteristic34(std::span<const uint8_t> block, KeltParams3& p, double fScale,
                            bool wide) {
  const double D = keltScaleD(p.duCode);
  for (int j = 0; j < 4; ++j) p.F[j] = fScale / std::max(lsbAt(block, kPeriods + 2 * j), 1);
  for (int i = 0; i < 5; ++i) {
    const int aCode = lsbAt(block, kCodesA + 2 * i);
    const int bCode = lsbAt(block, kCodesB + 2 * i);
    const int s = keltDivisor(block[kSegmentBytes + i], wide);
    p.A[i] = aCode * 36000.0 / (D * 65536);
    p.B[i] = s * double(bCode - aCode) * 18000 / (D * 65536);
  }
}

}  // namespace

std::size_t keltBlockSize(int model) {
  static constexpr std::size_t kSizes[] = {0, kKeltBlockSize1, kKeltBlockSize2, kKeltBlockSize3,
                                           kKeltBlockSize4};
  return kSizes[keltModel(model).format];
}

double keltScaleD(int duCode) { return duCode < 5 ? 100000 : duCode < 9 ? 10000 : 1000; }

int keltK(int model) { return keltModel(model).variant == KeltVariant::kelt3 ? 128 : 228; }

double keltFmin(int duCode, int model) {
  static constexpr double kTable1[] = {0, 5.5, 3.8, 3.0, 2.4, 1.7, 1.5, 1.1, 1.0, 1.1, 1.0, 0.52};
  static constexpr double kTable2[] = {0, 0, 7.3, 7.65, 6.6, 5.0, 4.4, 2.55, 2.7, 2.35, 1.95, 1.0};
  if (duCode < 0 || duCode > 11) return 0;
  switch (keltModel(model).variant) {
    case KeltVariant::kelt3:
      return 0.9 * kTable2[duCode];
    case KeltVariant::kelt2:
      return 2 * kTable1[duCode];
    default:
      return kTable1[duCode];
  }
}

double keltRound(double x) { return std::round(x); }

uint8_t keltDivisorCode(int s, bool wide) {
  if (wide && s > 15) return static_cast<uint8_t>(0x10 | (s / 4));
  return static_cast<uint8_t>(s & 0x1F);
}

int keltDivisor(uint8_t code, bool wide) {
  if (wide && (code & 0x10)) return (code & 0x0F) * 4;
  return code & 0x1F;
}

std::vector<uint8_t> keltEncode(const KeltParams12& p, int model) {
  const int format = requireFormat12(model);
  const Layout12 at = layout12(format);
  std::vector<uint8_t> block(static_cast<std::size_t>(at.size));
  const int boundaries = at.segments - 1;

  std::array<double, 4> boundaryF{};
  for (int j = 0; j < boundaries; ++j) {
    const double ql = 32440.32 / p.F[j];
    const double qu = 33095.68 / p.F[j];
    if (outside(ql, 0.9, 65535.1) || outside(qu, 0.9, 65535.1)) badF(j);
    const int lower = limitedRound(ql, 1, 65535);
    const int upper = limitedRound(qu, lower, 65535);
    putMsb(block, at.lower + 2 * j, lower);
    putMsb(block, at.upper + 2 * j, upper);
    boundaryF[j] = 65536.0 / (lower + upper);  // what the device takes for the boundary
  }
  for (int i = 0; i < at.segments; ++i) {
    const double lowerF = i == 0 ? keltFmin(p.duCode, model) : boundaryF[i - 1];
    const double upperF = i == boundaries ? 65535 : boundaryF[i];
    encodeSegment12(block, at, p, format, i, lowerF, upperF);
  }

  const int c = pulseSteps(p.pulseDuration);
  if (c == 0) badPulse();
  const PulseCode pulse = c < 256 ? PulseCode{c, false} : longPulseCode(c);
  block[0] = p.n;
  block[at.settings] = static_cast<uint8_t>(
      (((p.duCode - 1) & 0x0F) << 4) | (pulse.longPulse ? kLongPulse : 0) | (p.outputCode & 7));
  block[at.pulse] = static_cast<uint8_t>(pulse.code);
  return block;
}

std::vector<uint8_t> keltEncode(const KeltParams3& p, int model) {
  requireFormat(model, 3);
  std::vector<uint8_t> block(kKeltBlockSize3);
  const bool duInOffset = keltModel(model).duInOffsetByte;
  const int du = duInOffset ? 0 : p.duCode & 0x0F;
  block[kOffsetByte] =
      static_cast<uint8_t>(duInOffset ? 0x80 | (p.duCode & 0x0F) : (p.tempOffset + 7) & 0x0F);
  if (isFrequencyOutput(p.outputType)) {
    fillPattern(block, kPattern3[p.outputType], pattern3SegmentByte(p.outputType));
    block[kSettings] = static_cast<uint8_t>(du * 16 + 1);
    block[kPulse] = 24;
    return block;
  }

  const auto periods = periodCodes(p.F, 32768, 65535.1);
  for (int j = 0; j < 4; ++j) putLsb(block, kPeriods + 2 * j, periods[j]);
  for (int i = 0; i < 5; ++i) {
    const double lowerF = i == 0 ? keltFmin(p.duCode, model) : 32768.0 / periods[i - 1];
    encodeSegment3(block, p, model, i, lowerF);
  }

  int c = pulseSteps(p.pulseDuration);
  if (c == 0) badPulseRange();
  if (c == 256) c = 255;  // the short form reaches one step further than the long one starts
  PulseCode pulse{c, false};
  if (c >= 256) {
    if (p.weightCode < 4) badPulse();
    pulse = longPulseCode(c);
  }
  block[kSettings] =
      static_cast<uint8_t>(du * 16 | (pulse.longPulse ? kLongPulse : 0) | (p.weightCode & 7));
  block[kPulse] = static_cast<uint8_t>(pulse.code);
  return block;
}

std::vector<uint8_t> keltEncode(const KeltParams4& p, int model) {
  requireFormat(model, 4);
  std::vector<uint8_t> block(kKeltBlockSize4);
  const bool kelt2 = keltModel(model).variant == KeltVariant::kelt2;
  const bool kelt3 = keltModel(model).variant == KeltVariant::kelt3;
  const int settings = (((p.duCode - 1) & 0x0F) << 4) | (kelt2 ? kLongPulse : 0);
  block[kOffsetByte] = static_cast<uint8_t>(((p.tempOffset + 7) & 0x0F) |
                                            (kelt3 || p.disableThermalCorrection ? 0x80 : 0));
  for (int i = 0; i < 3; ++i) block[36 + i] = static_cast<uint8_t>(p.serialNumber >> (8 * i));

  if (isFrequencyOutput(p.outputType)) {
    const int code = kPattern4[p.outputType];
    const bool restore = !p.disableRestoration && code <= 0x8000;
    fillPattern(block, code, restore ? 0x21 : 0x01);
    block[kSettings] = static_cast<uint8_t>(settings | 1);
    block[kPulse] = 1;
    return block;
  }

  const auto periods = periodCodes(p.F, 8192, 16384.1);
  for (int j = 0; j < 4; ++j) putLsb(block, kPeriods + 2 * j, periods[j]);
  for (int i = 0; i < 5; ++i) encodeSegment4(block, p, model, i);
  block[kPulse] = static_cast<uint8_t>(pulseCode4(p.pulseDuration, p.weightCode, model));
  block[kSettings] = static_cast<uint8_t>(settings | (p.weightCode & 7));
  return block;
}

KeltParams12 keltDecode12(std::span<const uint8_t> block, int model) {
  const int format = requireFormat12(model);
  const Layout12 at = layout12(format);
  requireSize(block, static_cast<std::size_t>(at.size));
  KeltParams12 p;
  const uint8_t settings = block[at.settings];
  p.n = block[0];
  p.duCode = static_cast<uint8_t>((settings >> 4) + 1);
  p.outputCode = settings & 7;
  p.pulseDuration = block[at.pulse] * kPulseStep * (settings & kLongPulse ? 256 : 1);
  for (int j = 0; j < at.segments - 1; ++j) {
    int sum = msbAt(block, at.lower + 2 * j) + msbAt(block, at.upper + 2 * j);
    if (sum < 3) sum = 2;
    p.F[j] = 65536.0 / sum;
  }
  const double C = keltScaleD(p.duCode) * 65536 / 36000;
  for (int i = 0; i < at.segments; ++i) {
    const int aCode = msbAt(block, at.a + 2 * i);
    const int bCode = msbAt(block, at.b + 2 * i);
    const int k = std::max(block[at.scale + i] & 7, 1);
    const int s = block[at.scale + i] >> 3;
    p.A[i] = aCode / (k * C);
    p.B[i] = double(bCode - aCode) * s / (2 * C);
  }
  return p;
}

KeltParams3 keltDecode3(std::span<const uint8_t> block, int model) {
  requireFormat(model, 3);
  requireSize(block, kKeltBlockSize3);
  KeltParams3 p;
  p.outputType = outputTypeOf(block, matchesPattern3);
  p.duCode = static_cast<uint8_t>(keltModel(model).duInOffsetByte ? block[kOffsetByte] & 0x0F
                                                                  : block[kSettings] >> 4);
  p.weightCode = block[kSettings] & 7;
  p.pulseDuration = block[kPulse] * kPulseStep * (block[kSettings] & kLongPulse ? 256 : 1);
  p.tempOffset = static_cast<int8_t>((block[kOffsetByte] & 0x0F) - 7);
  decodeCharacteristic34(block, p, 32768, keltModel(model).wideDivisors);
  return p;
}

KeltParams4 keltDecode4(std::span<const uint8_t> block, int model) {
  requireFormat(model, 4);
  requireSize(block, kKeltBlockSize4);
  KeltParams4 p;
  p.outputType = outputTypeOf(block, matchesPattern4);
  p.duCode = static_cast<uint8_t>((block[kSettings] >> 4) + 1);
  p.weightCode = block[kSettings] & 7;
  // The device's steps are nominally 2 and 4 ms, which the encoding approximates by 1.9 and 3.9.
  p.pulseDuration = block[kPulse] * (keltModel(model).slowPulse ? 4.0 : 2.0);
  p.tempOffset = static_cast<int8_t>((block[kOffsetByte] & 0x0F) - 7);
  p.disableThermalCorrection = (block[kOffsetByte] & 0x80) ? 1 : 0;
  p.disableRestoration = std::none_of(block.begin() + kSegmentBytes, block.begin() + kPeriods,
                                      [](uint8_t b) { return b & 0x20; });
  p.serialNumber = block[36] | (block[37] << 8) | (block[38] << 16);
  decodeCharacteristic34(block, p, 8192, true);
  return p;
}

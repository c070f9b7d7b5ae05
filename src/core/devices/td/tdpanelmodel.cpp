#include "core/devices/td/tdpanelmodel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/comm/queuethread.h"
#include "core/package/celltext.h"

namespace {

std::string withUserSeparator(std::string text) {
  const char sep = localeHook().decimalSeparator;
  for (char& c : text) {
    if (c == '.') c = sep;
  }
  return text;
}

// A number the meter can hold: finite in single precision.
std::optional<float> singleOf(const std::string& text) {
  const auto v = tdParseNumber(text);
  if (!v || std::fabs(*v) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(*v);
}

// The decimal value a single-precision number stands for (0.001f is 0.001, not 0.0010000000475).
double decimalOf(float v) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::general).ptr;
  double d = 0;
  std::from_chars(text, end, d);
  return d;
}

// "2.500" becomes "2.5", "3.000" becomes "3".
void dropTrailingZeros(char* text) {
  if (!std::strchr(text, '.')) return;
  char* end = text + std::strlen(text);
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  *end = 0;
}

std::string printed(const char* format, auto... values) {
  char text[64];
  std::snprintf(text, sizeof text, format, values...);
  return withUserSeparator(text);
}

// The panel's diameter list: nominal diameter, its code, and the sensitivity threshold (m³/h)
// above which the meter is of class "Б".
struct Diameter {
  int mm;
  int code;
  double threshold;
};
constexpr Diameter kDiameters[] = {
    {15, 0, 0.007}, {20, 1, 0.013}, {25, 2, 0.025}, {32, 3, 0.04},  {40, 4, 0.06},
    {50, 5, 0.1},   {80, 7, 0.25},  {100, 8, 0.4},  {150, 10, 0.8}, {65, 6, 0.14},
};
constexpr int kDiameterCount = static_cast<int>(std::size(kDiameters));

const Diameter& diameterAt(int position) {
  return kDiameters[position >= 0 && position < kDiameterCount ? position : 0];
}

constexpr const char* kNeedWeight = "Необходимо указать цену импульса";
constexpr const char* kNeedCard = "Необходимо выбрать тип платы расширения";
constexpr const char* kNeedReverse = "Необходимо выбрать режим реверсивного выхода";

// The output block from the fields; a missing value is `weight`, `card` and `reverse` of
// `fallback` when one is given, else the error of its field.
struct Fallback {
  float weight;
  int card;
  int reverse;
};

TdOutputs outputsOf(const TdOutputsFields& fields, uint8_t major, uint8_t minor,
                    const std::optional<Fallback>& fallback) {
  const TdVersionTraits traits = tdVersionTraits(major, minor);
  TdOutputs out;
  const auto weight = singleOf(fields.weightText);
  if (!weight && !fallback) throw MessageError(kNeedWeight);
  out.weight = weight ? *weight : fallback->weight;
  out.pulseLength =
      fields.meander ? 0 : static_cast<uint8_t>(std::clamp(fields.pulseLength, 0, 255));
  if (out.pulseLength == 0) out.weight /= 2;

  int card = fields.cardPosition;
  if (card < 0 && !fallback) throw MessageError(kNeedCard);
  if (card < 0) card = fallback->card;
  out.flags = static_cast<uint8_t>(card & 0x03);
  if (traits.batcherFlag && fields.noFilter) out.flags |= 0x04;
  if (traits.reverseOutputs) {
    int reverse = fields.reversePosition;
    if (reverse < 0 && !fallback) throw MessageError(kNeedReverse);
    if (reverse < 0) reverse = fallback->reverse;
    out.flags |= static_cast<uint8_t>((reverse & 0x03) << 3);
  }
  return out;
}

}  // namespace

std::string tdFormatG(double v) {
  if (!std::isfinite(v)) throw MathError();
  char text[64];
  // Plain digits from 0.00001 up to 15 integer digits, an exponent beyond (the bounds in the
  // precision of the value, so that 0.00001 in single precision counts as 0.00001).
  const auto plain = [](auto x, auto lo, auto hi) {
    return x == 0 || (std::fabs(x) >= lo && std::fabs(x) < hi);
  };
  const bool fitsSingle = std::fabs(v) <= std::numeric_limits<float>::max();
  const float single = fitsSingle ? static_cast<float>(v) : 0;
  const bool fixed = plain(v, 1e-5, 1e15);
  if (fitsSingle && static_cast<double>(single) == v) {
    const auto format =
        plain(single, 1e-5f, 1e15f) ? std::chars_format::fixed : std::chars_format::scientific;
    *std::to_chars(text, text + sizeof text - 1, single, format).ptr = 0;
  } else if (!fixed) {
    std::snprintf(text, sizeof text, "%.15g", v);
  } else {
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(v))));
    std::snprintf(text, sizeof text, "%.*f", std::max(0, 14 - exponent), v);
    dropTrailingZeros(text);
  }
  return withUserSeparator(text);
}

std::optional<double> tdParseNumber(const std::string& text) {
  const char sep = localeHook().decimalSeparator;
  try {
    return parseReal(withDecimalSeparator(text, sep), sep);
  } catch (const ConvertError&) {
    return std::nullopt;
  }
}

double tdNumberOrZero(const std::string& text) { return tdParseNumber(text).value_or(0); }

float tdNoiseRatio(double noise, double sum) {
  const double ratio = checked(std::fabs(noise * 100.0 / sum));
  if (ratio > std::numeric_limits<float>::max()) throw MathError();
  return static_cast<float>(ratio);
}

std::string tdVersionText(uint8_t major, uint8_t minor) {
  char text[8];
  std::snprintf(text, sizeof text, "%X.%X", major, minor);
  return text;
}

std::optional<std::uint32_t> tdQueueFlags(TdCommand type, int pending) {
  if (pending >= kTdMaxPending) return std::nullopt;
  return type == TD_POLL ? QF_ALWAYS | QF_BACKGROUND : QF_ALWAYS;
}

std::vector<TdRequest> tdCoefficientReads(uint8_t address, uint8_t major, uint8_t minor) {
  std::vector<TdRequest> reads{tdReadRequest(address, TF_COEFFICIENTS)};
  if (tdVersionTraits(major, minor).reverseCoefficients)
    reads.push_back(tdReadRequest(address, TF_REVERSE_COEFFICIENTS));
  return reads;
}

std::vector<TdRequest> tdOpeningReads(uint8_t address, uint8_t major, uint8_t minor) {
  std::vector<TdRequest> reads{tdReadRequest(address, TF_SYSTEM),
                               tdReadRequest(address, TF_OUTPUTS)};
  for (const TdRequest& read : tdCoefficientReads(address, major, minor)) reads.push_back(read);
  reads.push_back(tdReadRequest(address, TF_NET_ADDRESS));
  reads.push_back(tdReadRequest(address, TF_INTEGRATOR));
  return reads;
}

std::array<bool, 6> tdStatusLamps(uint8_t status) {
  const int flow = (status >> 2) & 0x03;  // 0 normal, 1 reverse, 2 below gpor, 3 above gmax
  return {(status & 0x01) != 0, (status & 0x02) != 0, flow == 1, flow == 2, flow == 3,
          (status & 0x20) != 0};
}

TdRequest tdToggleLamp(uint8_t address, TdLamp lamp, bool lit) {
  return tdChangeStatusBit(address, lamp == TL_POUR ? 1 : 2, !lit);
}

int tdDuCode(int position) {
  return position >= 0 && position < kDiameterCount ? kDiameters[position].code : 0;
}

int tdDuPosition(int code) {
  for (int i = 0; i < kDiameterCount; ++i) {
    if (kDiameters[i].code == code) return i;
  }
  return 0;
}

std::string tdDeviceName(uint8_t major, double gpor, int diameterPosition) {
  const bool coarse = gpor > diameterAt(diameterPosition).threshold;
  return std::string(tdVersionTraits(major, 0).namePrefix) + (coarse ? "Б" : "А");
}

int32_t tdSerialOfText(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data() + b, text.data() + e, v);
  // Serial numbers are unsigned on the meter; the document keeps the same 32 bits.
  if (b == e || ec != std::errc() || end != text.data() + e ||
      v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<uint32_t>::max()) {
    return 0;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

int tdBaudRate(int speedPosition) {
  static constexpr int kRates[] = {9600, 4800, 2400, 1200};
  return speedPosition >= 1 && speedPosition <= 3 ? kRates[speedPosition] : kRates[0];
}

uint8_t tdStartStopMode(int radio) {
  static constexpr uint8_t kModes[] = {0, 3, 1, 2};
  return radio >= 0 && radio <= 3 ? kModes[radio] : 0;
}

std::string tdStepsText(int steps) { return tdFormatG(steps * 8 / 10.0).append(" мс"); }

TdOutputsView tdOutputsView(const TdOutputs& outputs, uint8_t major) {
  TdOutputsView view;
  view.pulseLength = outputs.pulseLength;
  view.meander = outputs.pulseLength == 0;
  const float weight = view.meander ? outputs.weight * 2 : outputs.weight;
  // "%f" without its trailing zeros: 0.001 stays 0.001, 1 becomes "1." .
  std::string text = printed("%f", static_cast<double>(weight));
  while (!text.empty() && text.back() == '0') text.pop_back();
  view.weightText = text;
  view.litresPerPulse = std::isfinite(weight) ? decimalOf(weight) * 1000 : 0;
  const int card = outputs.flags & 0x03;
  view.cardPosition = card < 2 ? card : -1;
  view.noFilter = (outputs.flags & 0x04) != 0;
  const int reverse = (outputs.flags >> 3) & 0x03;
  view.reversePosition = tdVersionTraits(major, 0).reverseOutputs && reverse <= 2 ? reverse : -1;
  return view;
}

TdOutputs tdStrictOutputs(const TdOutputsFields& fields, uint8_t major, uint8_t minor) {
  return outputsOf(fields, major, minor, std::nullopt);
}

TdOutputs tdLenientOutputs(const TdOutputsFields& fields, uint8_t major, uint8_t minor) {
  return outputsOf(fields, major, minor, Fallback{0.001f, 0, 0});
}

TdGridText tdGridText(const TdCoefficients& block) {
  TdGridText grid;
  for (size_t i = 0; i < block.rows.size(); ++i) {
    const TdCoefficientRow& row = block.rows[i];
    grid.code[i] = i < 4 ? std::to_string(row.threshold) : "";
    grid.a[i] = tdFormatG(row.A);
    grid.b[i] = tdFormatG(row.B);
  }
  grid.lo = tdFormatG(block.gpor);
  grid.hi = tdFormatG(block.gmax);
  return grid;
}

TdGridBlock tdReadGrid(const TdGridText& grid, bool direct) {
  TdGridBlock read;
  auto single = [&](const std::string& text) {
    const auto v = singleOf(text);
    if (!v) read.corrected = true;
    return v.value_or(0.0f);
  };
  for (size_t i = 0; i < read.block.rows.size(); ++i) {
    TdCoefficientRow& row = read.block.rows[i];
    if (i < 4) {
      try {
        row.threshold = parseInteger(grid.code[i]);
      } catch (const ConvertError&) {
        read.corrected = true;
      }
    }
    row.A = single(grid.a[i]);
    row.B = single(grid.b[i]);
  }
  if (direct) {
    const auto lo = singleOf(grid.lo);
    const auto hi = singleOf(grid.hi);
    if (lo && hi) {
      read.block.gpor = *lo;
      read.block.gmax = *hi;
    } else {
      read.corrected = true;
    }
  }
  return read;
}

namespace {

// The pour fields: code sum, count, averages and totals. Throws MathError for a value no field
// can show.
void showPour(const TdCurrentValues& v, TdCurrentView& view) {
  view.integrator = tdFormatG(v.codeSum);
  view.measureCount = std::to_string(v.count);
  if (v.count != 0) {
    const double average = v.codeSum / static_cast<double>(v.count);
    view.middleCode = tdFormatG(average);
    view.average = average;
    if (v.noiseSum) {
      view.middleNoise = tdFormatG(*v.noiseSum / v.count);
      view.noiseSignal = "0";
      if (v.codeSum != 0)
        view.noiseSignal = tdFormatG(tdNoiseRatio(*v.noiseSum, v.codeSum)).append(" %");
    }
  } else {
    view.middleCode = "0";
  }
  if (v.totals) {
    const TdTotals& t = *v.totals;
    view.workTime = printed("%05u:%02u:%02u", t.operatingTime / 3600, t.operatingTime % 3600 / 60,
                            t.operatingTime % 60);
    const double forward = t.forwardWhole + static_cast<double>(t.forwardFraction);
    const double reverse = t.reverseWhole + static_cast<double>(t.reverseFraction);
    view.volumeDir = printed("%012.3f", checked(forward));
    view.volumeRev = printed("%012.3f", checked(reverse));
  }
}

}  // namespace

TdCurrentView tdCurrentView(const TdCurrentValues& values, bool meander, double litresPerPulse) {
  TdCurrentView view;
  view.lamps = tdStatusLamps(values.status);
  try {
    showPour(values, view);
  } catch (const MathError&) {
    // Nothing of the pour is shown rather than a part of it, and the last average stays.
    const auto kept = view.lamps;
    view = {};
    view.lamps = kept;
  }
  view.pulses = meander ? values.pulses / 2 : values.pulses;
  view.pulseCount = std::to_string(view.pulses);
  view.volume = tdFormatG(view.pulses * litresPerPulse);
  view.flow = std::isfinite(values.flow) ? tdFormatG(values.flow) : "";
  return view;
}

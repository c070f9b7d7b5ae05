#include "core/package/celltext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/base/errors.h"
#include "core/base/localehook.h"

namespace {

std::string trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

[[noreturn]] void badValue(const std::string& text) {
  throw ConvertError("Неправильное значение: " + text);
}

// from_chars takes no leading '+'.
std::string_view withoutPlus(std::string_view s) {
  if (s.size() > 1 && s[0] == '+' && s[1] != '-' && s[1] != '+') s.remove_prefix(1);
  return s;
}

// "-0.00" reads as a negative number that is not there.
void dropNegativeZero(std::string& s) {
  if (s.empty() || s[0] != '-') return;
  for (char c : s)
    if (c >= '1' && c <= '9') return;
  s.erase(0, 1);
}

}  // namespace

namespace {

// The digits of "%.14e" in `sci`: sign, 15 significant digits and the power of ten of the first.
struct Rounded15 {
  bool negative = false;
  char digits[15];
  int exponent = 0;
};

Rounded15 splitScientific(std::string_view sci) {
  Rounded15 r;
  size_t i = 0;
  if (sci[0] == '-') {
    r.negative = true;
    ++i;
  }
  int n = 0;
  for (; sci[i] != 'e'; ++i)
    if (sci[i] != '.') r.digits[n++] = sci[i];
  std::from_chars(sci.data() + i + (sci[i + 1] == '+' ? 2 : 1), sci.data() + sci.size(),
                  r.exponent);
  return r;
}

// `r` written with `decimals` decimals, rounded half away from zero, as "%.*f" writes the double
// nearest to it; empty when only that double can tell: an exact half between two results (printf
// rounds the double, which may lie on either side or on the half itself) or more decimals than
// the 15 digits carry.
std::string fixedFrom15(const Rounded15& r, int decimals) {
  const int kept = r.exponent + decimals + 1;  // digits at or above the last decimal
  if (kept > 15 || decimals > 40) return {};
  // Digits of the result, the first standing for 10^(exponent), one more in front for a carry.
  char out[17] = {'0'};
  int count = 1;
  if (kept >= 0) {
    for (int i = 0; i < kept; ++i) out[count++] = r.digits[i];
    if (kept < 15) {
      const char next = r.digits[kept];
      bool restZero = true;
      for (int i = kept + 1; i < 15; ++i) restZero = restZero && r.digits[i] == '0';
      if (next == '5' && restZero) return {};
      if (next > '5' || (next == '5' && !restZero)) {
        int i = count - 1;
        while (out[i] == '9') out[i--] = '0';
        ++out[i];
      }
    }
  }
  // `out` holds 10^(exponent + 1) down to 10^(-decimals); with nothing kept the value rounded to
  // zero and out is the single leading zero.
  const int top = kept >= 0 ? r.exponent + 1 : -decimals;  // power of ten of out[0]
  auto digitAt = [&](int power) {
    const int index = top - power;
    return index >= 0 && index < count ? out[index] : '0';
  };
  char text[64];  // sign, at most 16 integer digits, the point and at most 40 decimals
  char* p = text;
  if (r.negative) *p++ = '-';
  int first = std::max(top, 0);
  while (first > 0 && digitAt(first) == '0') --first;
  bool nonZero = false;
  for (int power = first; power >= -decimals; --power) {
    if (power == -1) *p++ = '.';
    const char digit = digitAt(power);
    nonZero |= digit != '0';
    *p++ = digit;
  }
  // "-0.00" reads as a negative number that is not there.
  const char* begin = r.negative && !nonZero ? text + 1 : text;
  const char* end = p;
  return std::string(begin, end);
}

}  // namespace

std::string formatReal(double v, int digits, char sep) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  // Rounded to 15 significant digits first, as the value is shown everywhere; to_chars gives the
  // digits printf's "%.14e" and "%.*f" give, without the locale and at a fraction of the cost.
  char buf[400];
  const std::to_chars_result e =
      std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
  const std::string_view text(buf, size_t(e.ptr - buf));
  const Rounded15 r = splitScientific(text);
  std::string s;
  if (r.exponent >= 15) {
    // Mantissa without trailing zeros, e.g. 1.5E+20.
    std::string m(text.substr(0, text.find('e')));
    while (m.back() == '0') m.pop_back();
    if (m.back() == '.') m.pop_back();
    s = m + "E" + std::string(text.substr(text.find('e') + 1));
  } else {
    s = fixedFrom15(r, digits);
    if (s.empty()) {
      double rounded = 0;
      std::from_chars(buf, e.ptr, rounded);
      const std::to_chars_result f =
          std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed, digits);
      s.assign(buf, f.ptr);
      dropNegativeZero(s);
    }
  }
  for (char& c : s)
    if (c == '.') c = sep;
  return s;
}

std::string formatCell(const FieldValue& v, ValueType type, int digits, char sep) {
  switch (type) {
    case vtReal:
      return formatReal(std::visit([](auto x) { return static_cast<double>(x); }, v), digits, sep);
    case vtInteger:
      return std::visit([](auto x) { return std::to_string(static_cast<long long>(x)); }, v);
    case vtFlag:
      return std::visit([](auto x) { return x != 0; }, v) ? "*" : "-";
  }
  return "";
}

std::string withDecimalSeparator(std::string text, char sep) {
  size_t pos = text.find(',');
  if (pos == std::string::npos) pos = text.find('.');
  if (pos != std::string::npos) text[pos] = sep;
  return text;
}

double parseReal(const std::string& text, char sep) {
  std::string s = trimmed(text);
  if (sep != '.' && s.find('.') != std::string::npos) badValue(text);
  for (char& c : s)
    if (c == sep) c = '.';
  const std::string_view sv = withoutPlus(s);
  double v = 0;
  const auto [end, ec] = std::from_chars(sv.data(), sv.data() + sv.size(), v);
  if (sv.empty() || ec != std::errc() || end != sv.data() + sv.size() || !std::isfinite(v))
    badValue(text);
  return v;
}

int32_t parseInteger(const std::string& text) {
  const std::string s = trimmed(text);
  const std::string_view sv = withoutPlus(s);
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(sv.data(), sv.data() + sv.size(), v);
  if (sv.empty() || ec != std::errc() || end != sv.data() + sv.size()) badValue(text);
  return v;
}

std::string formatCellValue(const FieldValue& v, const ColumnInfo& column) {
  return formatCell(v, column.type, column.digits, localeHook().decimalSeparator);
}

std::optional<FieldValue> parseCellValue(const std::string& text, const ColumnInfo& column) {
  const char sep = localeHook().decimalSeparator;
  const std::string t = withDecimalSeparator(text, sep);
  if (column.type == vtReal) return parseReal(t, sep);
  if (column.type == vtInteger) return parseInteger(t);
  return std::nullopt;
}

#include "core/package/celltext.h"

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

std::string formatReal(double v, int digits, char sep) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  // Rounded to 15 significant digits first, as the value is shown everywhere; to_chars gives the
  // digits printf's "%.14e" and "%.*f" give, without the locale and at a fraction of the cost.
  char buf[400];
  const std::to_chars_result e =
      std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
  double rounded = 0;
  std::from_chars(buf, e.ptr, rounded);
  std::string s;
  if (std::fabs(rounded) >= 1e15) {
    // Mantissa without trailing zeros, e.g. 1.5E+20.
    const std::string_view text(buf, size_t(e.ptr - buf));
    std::string m(text.substr(0, text.find('e')));
    while (m.back() == '0') m.pop_back();
    if (m.back() == '.') m.pop_back();
    s = m + "E" + std::string(text.substr(text.find('e') + 1));
  } else {
    const std::to_chars_result f =
        std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed, digits);
    s.assign(buf, f.ptr);
    dropNegativeZero(s);
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

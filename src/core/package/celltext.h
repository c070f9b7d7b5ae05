#pragma once
// Text of table cells: numbers in fixed-point notation with the user's decimal separator, and the
// parsing of typed text back into numbers.

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

#include "core/package/columns.h"
#include "core/package/entries.h"

// Fixed-point with `digits` decimals, at most 15 significant digits (scientific notation above
// that), `sep` as the decimal separator.
std::string formatReal(double v, int digits, char sep);

// A field's text by value type: real as above, integer in decimal, flag "*" or "-".
std::string formatCell(const FieldValue& v, ValueType type, int digits, char sep);

// Typed decimal input: the first "," (or, when there is none, the first ".") becomes `sep`, so
// "1,5" and "1.5" mean the same whatever the user's separator.
std::string withDecimalSeparator(std::string text, char sep);

// Parse text in which `sep` is the decimal separator; throw ConvertError unless the whole text is a
// finite number (a decimal int32 for parseInteger).
double parseReal(const std::string& text, char sep);
int32_t parseInteger(const std::string& text);

// The cells of a package's table: a field's text in its column, with the user's decimal separator.
std::string formatCellValue(const FieldValue& v, const ColumnInfo& column);

// The value typed into a column, either decimal separator accepted; none for a flag column, whose
// text means nothing. Throws ConvertError unless the text is a number of the column's type.
std::optional<FieldValue> parseCellValue(const std::string& text, const ColumnInfo& column);

// Stores a value in a field of its own type: reals take any number, integers a number in their
// range (others are ignored), flags become 0 or 1.
template <class T>
void assignField(const FieldValue& v, T& field) {
  const double d = std::visit([](auto x) { return static_cast<double>(x); }, v);
  if constexpr (std::is_same_v<T, double>)
    field = d;
  else if constexpr (std::is_same_v<T, uint8_t>)
    field = d != 0 ? 1 : 0;
  else if (d >= INT32_MIN && d <= INT32_MAX)
    field = static_cast<int32_t>(d);
}

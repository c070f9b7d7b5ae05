#pragma once
// Text of table cells: numbers in fixed-point notation with the user's decimal separator, and the
// parsing of typed text back into numbers.

#include <cstdint>
#include <string>

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

#include "base/errors.h"

#include <cmath>
#include <cstring>
#include <string>

namespace {
std::string systemErrorText(int code) {
  char buf[256];
  // GNU strerror_r returns the text, which may or may not live in buf.
  const char* text = strerror_r(code, buf, sizeof buf);
  return "System Error.  Code: " + std::to_string(code) + ".\r\n" + text;
}
}  // namespace

win_error::win_error(int code) : MessageError(systemErrorText(code)), code_(code) {}

double checked(double x) {
  if (!std::isfinite(x)) throw MathError();
  return x;
}

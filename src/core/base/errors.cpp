#include "core/base/errors.h"

#include <cmath>
#include <cstring>
#include <new>
#include <string>

namespace {
std::string systemErrorText(int code, const std::string& description) {
  return "System Error.  Code: " + std::to_string(code) + ".\r\n" + description;
}

std::string systemErrorText(int code) {
  char buf[256];
  // GNU strerror_r returns the text, which may or may not live in buf.
  return systemErrorText(code, strerror_r(code, buf, sizeof buf));
}
}  // namespace

win_error::win_error(int code) : MessageError(systemErrorText(code)), code_(code) {}

win_error::win_error(int code, const std::string& description)
    : MessageError(systemErrorText(code, description)), code_(code) {}

double checked(double x) {
  if (!std::isfinite(x)) throw MathError();
  return x;
}

std::string failureText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::bad_alloc&) {
    return "Недостаточно памяти";
  } catch (const std::exception& e) {
    return e.what();
  } catch (const char* text) {
    return text ? text : "";
  } catch (const std::string& text) {
    return text;
  } catch (...) {
    return "Неизвестная ошибка";
  }
}

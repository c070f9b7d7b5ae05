#pragma once
// The text a call is refused with, for tables of expected messages.

#include <functional>
#include <string>

#include "core/base/errors.h"

// The MessageError text `call` throws, "(accepted)" when it returns.
inline std::string messageOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const MessageError& e) {
    return e.what();
  }
  return "(accepted)";
}

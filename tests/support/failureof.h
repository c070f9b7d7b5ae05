#pragma once
// The text of what a call throws, for tests that compare failure messages.

#include <exception>
#include <functional>
#include <string>

// The message of what `f` throws, "" when it returns.
inline std::string failureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

#pragma once
// The program's one exception hierarchy. Every failure a user can cause travels as one of these;
// the UI guard turns it into a single console line (SilentAbort into nothing).

#include <exception>
#include <stdexcept>
#include <string>

// Plain message error: its text is exactly what the console shows.
class MessageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Arithmetic that failed or gave an infinite or undefined result.
class MathError : public MessageError {
 public:
  MathError() : MessageError("Ошибка вычислений") {}
  using MessageError::MessageError;
};

// Text that does not parse as the number a field needs.
class ConvertError : public MessageError {
 public:
  using MessageError::MessageError;
};

// Operating-system failure carrying the system's error code (errno here).
class win_error : public MessageError {
 public:
  explicit win_error(int code);
  // For codes the system has no text of its own for (the write-fault code of a short write).
  win_error(int code, const std::string& description);
  int code() const noexcept { return code_; }

 private:
  int code_;
};

// The user cancelled: no message at all.
class SilentAbort : public std::exception {
 public:
  const char* what() const noexcept override { return ""; }
};

// Throws MathError unless x is finite; returns x for use inside expressions.
double checked(double x);

// The text a user is shown for the exception in flight: a framework exception's message, a thrown
// text, "Недостаточно памяти" for an allocation failure, "Неизвестная ошибка" for anything else.
std::string failureText(std::exception_ptr error);

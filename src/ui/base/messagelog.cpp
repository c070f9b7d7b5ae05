#include "ui/base/messagelog.h"

#include <cstdio>

#include "core/base/errors.h"

namespace {
MessageSink& sink() {
  static MessageSink current;
  return current;
}
}  // namespace

void setMessageSink(MessageSink s) { sink() = std::move(s); }

void logMessage(const QString& text) {
  if (sink()) {
    sink()(text);
  } else {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  }
}

bool guarded(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const SilentAbort&) {
    return false;
  } catch (...) {
    const std::string text = failureText(std::current_exception());
    try {
      logMessage(QString::fromStdString(text));
    } catch (...) {
      // The console itself failed: nothing sensible is left to tell the user.
    }
    return false;
  }
}

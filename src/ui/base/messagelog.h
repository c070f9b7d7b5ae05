#pragma once
// Where the program reports outcomes: one console line per message. The main window installs
// its console as the sink; until then (and in tests without a window) messages go to stderr.

#include <QString>
#include <functional>

using MessageSink = std::function<void(const QString& text)>;

void setMessageSink(MessageSink sink);
void logMessage(const QString& text);

// Runs a command or an event handler. Whatever it throws becomes one console line (a silent
// abort none at all), so no exception ever reaches Qt. Returns false when the action failed.
bool guarded(const std::function<void()>& action);

#pragma once
// One entry of the calibration history: what happened to which instrument, when, by whom and on
// which bench. The payload keeps the details (values read or written, errors, hashes) as JSON
// text; the other fields are the ones a search needs.

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/errors.h"

// A history store that cannot be opened, read or written; the text names the store and the cause.
class HistoryError : public MessageError {
 public:
  using MessageError::MessageError;
};

// The kinds of events, as stored in the `kind` column.
namespace historykind {
inline constexpr const char* kRead = "read";    // parameters read from a device
inline constexpr const char* kWrite = "write";  // coefficients or parameters written
inline constexpr const char* kApproximation = "approximation";  // lines of a package computed
inline constexpr const char* kVerification = "verification";    // errors and verdict of a package
inline constexpr const char* kReport = "report";                // a report file written
inline constexpr const char* kSave = "save";                    // the document saved
}  // namespace historykind

struct HistoryEvent {
  std::string id;  // unique across benches: a random UUID
  std::string kind;
  int64_t timeMs = 0;  // milliseconds since the Unix epoch, UTC
  std::string user;    // the OS user
  std::string bench;
  std::string version;  // of the program
  std::string document;
  std::string family;
  std::string model;
  std::string serial;
  std::string payload = "{}";  // JSON

  bool operator==(const HistoryEvent&) const = default;
};

// Which events list() returns: empty fields match everything; newest first.
struct HistoryFilter {
  std::string serial = {};
  std::string family = {};
  std::string model = {};
  std::string kind = {};
  int64_t limit = 0;  // 0: all
};

// A new random UUID (version 4) in its usual text form.
std::string newEventId();

// Fills what the recording side does not know itself: the id, the time, the OS user and, when the
// bench has no name, the host's name.
void stampEvent(HistoryEvent& event);

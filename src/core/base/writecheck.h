#pragma once
// Proof that a device holds what was written to it: after a write the worker reads the same
// values back and compares them as the device encodes them, byte for byte. The decoded values
// only name the fields that differ for the user.

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <vector>

#include "core/base/errors.h"

// In order of gravity.
enum class WriteCheckResult {
  verified,     // the device holds exactly the bytes written
  mismatch,     // it holds other bytes: `fields` names them
  unconfirmed,  // the read-back failed; the write itself may have taken effect
};

struct WriteCheckField {
  std::string name;
  std::string written;  // as the user reads it
  std::string found;
  bool operator==(const WriteCheckField&) const = default;
};

struct WriteCheck {
  WriteCheckResult result = WriteCheckResult::verified;
  std::vector<WriteCheckField> fields;
  std::string reason;  // why the read-back failed
};

// One value of a block, decoded from the bytes written and from the bytes read back.
struct WriteCheckValue {
  std::string name;
  double written;
  double found;
};

// Verified when the two blocks are equal; otherwise a mismatch naming each value whose decoded
// form differs, or, when the difference lies in bytes no listed value shows, each such byte.
WriteCheck writeCheckCompare(std::span<const uint8_t> written, std::span<const uint8_t> found,
                             const std::vector<WriteCheckValue>& values);

WriteCheck writeCheckUnconfirmed(const std::string& reason);

// Runs a read-back that returns the comparison. Any failure of it (no reply, a bad checksum)
// makes the write unconfirmed with the failure's text; a cancelled worker stays cancelled.
template <class ReadBack>
WriteCheck writeCheckRun(ReadBack&& readBack) {
  try {
    return readBack();
  } catch (const SilentAbort&) {
    throw;
  } catch (...) {
    return writeCheckUnconfirmed(failureText(std::current_exception()));
  }
}

// One check for writes made as one step (a parameter block and then the offset): every field that
// differs, every reason; unconfirmed when any of them is, else a mismatch when any is.
WriteCheck writeCheckJoin(const WriteCheck& first, const WriteCheck& second);

// The console line that follows a write's own line.
std::string writeCheckLine(const WriteCheck& check);

// "verified", "mismatch" or "unconfirmed", as the command-line tool prints it.
const char* writeCheckResultName(WriteCheckResult result);

// A decoded value for people: a whole number as such, any other in six significant digits, or in
// as many more as it takes to tell it from `other`.
std::string writeCheckValueText(double value, double other);

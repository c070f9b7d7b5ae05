#pragma once
// Saving without ever losing the previous file: the content goes to a temporary file beside the
// target, which replaces the target only after every write, the flush to disk and the close
// succeeded. A crash, a full disk or a write error leaves the previous file byte-for-byte intact.

#include <functional>
#include <iosfwd>
#include <string>

namespace files {

// Calls `fill` with a stream into the temporary file, then renames it over `path` and flushes the
// folder. Raises win_error (the system's code) for any failure of the system calls; an exception
// from `fill` passes through. Either way the temporary file is removed and `path` is untouched.
// An existing target keeps its permission bits.
void writeFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& fill);

}  // namespace files

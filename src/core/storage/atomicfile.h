#pragma once
// Saving without ever losing the previous file: the content goes to a temporary file beside the
// target, which replaces the target only after every write, the flush to disk and the close
// succeeded. A crash, a full disk or a write error leaves the previous file byte-for-byte intact.
// What the user pointed at stays what it was: a symbolic link stays a link (the file it leads to
// is replaced), a device or a pipe is written in place, and a file with several hard links is
// rewritten in place so that every name sees the new content.

#include <functional>
#include <iosfwd>
#include <string>

namespace files {

// Calls `fill` with a stream into the file, then makes it the content of `path` and flushes it
// (and the folder) to disk. Raises win_error (the system's code) for any failure of the system
// calls; an exception from `fill` passes through. Either way a regular file at `path` keeps its
// previous content and no temporary file is left, unless the previous content of a hard-linked
// file could not be put back: its copy then stays beside it, hidden. A replaced file keeps its
// permission bits, and its owner and group where the process may set them; a new one gets 0666 less
// the umask.
void writeFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& fill);

}  // namespace files

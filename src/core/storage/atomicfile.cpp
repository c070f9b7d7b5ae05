#include "core/storage/atomicfile.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <vector>

#include "core/base/errors.h"
#include "core/storage/fdbuf.h"

namespace files {
namespace {

using Fill = std::function<void(std::ostream&)>;

void check(int result) {
  if (result != 0) throw win_error(errno);
}

// A descriptor closed when it goes out of scope, unless close() already reported on it.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  void close() {
    const int fd = fd_;
    fd_ = -1;
    check(::close(fd));
  }

 private:
  int fd_;
};

int openOrThrow(const std::string& path, int flags, mode_t mode = 0) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  if (fd < 0) throw win_error(errno);
  return fd;
}

// A hidden file beside the target; removed unless it was renamed over the target or kept.
class TempFile {
 public:
  TempFile(const std::filesystem::path& target, mode_t mode) : fd_(create(target, mode, path_)) {}
  ~TempFile() {
    if (!kept_) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return fd_.get(); }
  void close() { fd_.close(); }

  void renameTo(const std::filesystem::path& target) {
    check(::rename(path_.c_str(), target.c_str()));
    kept_ = true;
  }

  // Leaves the file on disk: it holds the only copy of something.
  void keep() { kept_ = true; }

 private:
  // Opens a new file named after the target, the process and the first free attempt number.
  static int create(const std::filesystem::path& target, mode_t mode, std::string& path) {
    const std::string stem = (target.parent_path() / ("." + target.filename().string())).string();
    for (int attempt = 0;; ++attempt) {
      path = stem + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) + ".tmp";
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (fd >= 0) return fd;
      if (errno != EEXIST || attempt == 99) throw win_error(errno);
    }
  }

  std::string path_;  // before fd_: create() names it
  Fd fd_;
  bool kept_ = false;
};

// Some files cannot be synced (a device, a pipe, a folder on some file systems: EINVAL); they are
// then as safe as they allow.
void syncFd(int fd) {
  if (::fsync(fd) != 0 && errno != EINVAL) throw win_error(errno);
}

// The rename is durable only once the folder itself is on disk.
void syncFolder(const std::filesystem::path& folder) {
  Fd fd(openOrThrow(folder.empty() ? "." : folder.string(), O_RDONLY | O_DIRECTORY));
  syncFd(fd.get());
}

void fillFd(int fd, const Fill& fill) {
  FdOutBuf buffer(fd);
  std::ostream stream(&buffer);
  fill(stream);
  stream.flush();
  if (!stream) throw win_error(buffer.error() != 0 ? buffer.error() : EIO);
  syncFd(fd);
}

// Copies the whole of `from` to the start of `to`, whatever their offsets.
void copyAll(int from, int to) {
  std::vector<char> buffer(1 << 16);
  for (off_t offset = 0;;) {
    const ssize_t n = ::pread(from, buffer.data(), buffer.size(), offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw win_error(errno);
    if (n == 0) return;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::pwrite(to, buffer.data() + done, size_t(n - done), offset + done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) throw win_error(w < 0 ? errno : EIO);
      done += w;
    }
    offset += n;
  }
}

// Where a chain of symbolic links that ends nowhere would create its file.
std::filesystem::path danglingTarget(std::filesystem::path path) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat link;
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    std::string to(size_t(link.st_size > 0 ? link.st_size : PATH_MAX), '\0');
    const ssize_t n = ::readlink(path.c_str(), to.data(), to.size());
    if (n < 0) throw win_error(errno);
    to.resize(size_t(n));
    path = path.parent_path() / std::filesystem::path(to);
  }
  throw win_error(ELOOP);
}

std::filesystem::path realPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  if (!real) throw win_error(errno);
  return real.get();
}

// Kernel files look regular but take no file beside them: they are written like a device.
bool isKernelFile(const std::string& path) {
  struct statfs fs;
  return ::statfs(path.c_str(), &fs) == 0 &&
         (fs.f_type == PROC_SUPER_MAGIC || fs.f_type == SYSFS_MAGIC);
}

// A device, a pipe or a socket cannot be replaced by a file: it gets the content as it is.
void writeInPlace(const std::string& path, const Fill& fill) {
  Fd fd(openOrThrow(path, O_WRONLY | O_NOCTTY));
  fillFd(fd.get(), fill);
  fd.close();
}

void writeReplacing(const std::filesystem::path& target, const struct stat* previous,
                    const Fill& fill) {
  TempFile temp(target, 0666);
  if (previous) {
    if (::fchown(temp.fd(), previous->st_uid, previous->st_gid) != 0 && errno != EPERM) {
      throw win_error(errno);
    }
    check(::fchmod(temp.fd(), previous->st_mode & 07777));
  }
  fillFd(temp.fd(), fill);
  temp.close();
  temp.renameTo(target);
  syncFolder(target.parent_path());
}

// Renaming would split the names of the file: it is rewritten in place, with a synced copy of the
// previous content beside it until the new content is on disk.
void writeKeepingHardLinks(const std::filesystem::path& target, const Fill& fill) {
  Fd file(openOrThrow(target, O_RDWR));
  TempFile copy(target, 0600);
  copyAll(file.get(), copy.fd());
  syncFd(copy.fd());
  syncFolder(target.parent_path());
  try {
    check(::ftruncate(file.get(), 0));
    fillFd(file.get(), fill);
  } catch (...) {
    try {
      check(::ftruncate(file.get(), 0));
      copyAll(copy.fd(), file.get());
      syncFd(file.get());
    } catch (...) {
      copy.keep();
    }
    throw;
  }
  file.close();
}

}  // namespace

void writeFileAtomically(const std::string& path, const Fill& fill) {
  struct stat previous;
  if (::stat(path.c_str(), &previous) != 0) {
    if (errno != ENOENT) throw win_error(errno);
    writeReplacing(danglingTarget(path), nullptr, fill);
    return;
  }
  if (!S_ISREG(previous.st_mode) || isKernelFile(path)) {
    writeInPlace(path, fill);
    return;
  }
  const std::filesystem::path target = realPath(path);
  // A file the user may not write is not replaced behind their back.
  Fd probe(openOrThrow(target, O_WRONLY));
  if (previous.st_nlink > 1) {
    writeKeepingHardLinks(target, fill);
  } else {
    writeReplacing(target, &previous, fill);
  }
}

}  // namespace files

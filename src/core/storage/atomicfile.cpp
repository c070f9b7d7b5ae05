#include "core/storage/atomicfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <ostream>

#include "core/base/errors.h"
#include "core/storage/fdbuf.h"

namespace files {
namespace {

// The temporary file beside the target; removed unless it was renamed over the target.
class TempFile {
 public:
  explicit TempFile(const std::filesystem::path& target) {
    const std::string stem = (target.parent_path() / ("." + target.filename().string())).string();
    for (int attempt = 0; fd_ < 0; ++attempt) {
      path_ = stem + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) + ".tmp";
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ < 0 && (errno != EEXIST || attempt == 99)) throw win_error(errno);
    }
  }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!renamed_) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return fd_; }

  void close() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw win_error(errno);
  }

  void renameTo(const std::filesystem::path& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) throw win_error(errno);
    renamed_ = true;
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool renamed_ = false;
};

void check(int result) {
  if (result != 0) throw win_error(errno);
}

// The rename is durable only once the folder itself is on disk. Some file systems cannot sync a
// folder (EINVAL); the file is then as safe as they allow.
void syncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw win_error(errno);
  const int result = ::fsync(fd);
  const int code = errno;
  ::close(fd);
  if (result != 0 && code != EINVAL) throw win_error(code);
}

}  // namespace

void writeFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& fill) {
  const std::filesystem::path target(path);
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";

  TempFile temp(target);
  struct stat previous;
  if (::stat(path.c_str(), &previous) == 0) check(::fchmod(temp.fd(), previous.st_mode & 07777));

  FdOutBuf buffer(temp.fd());
  std::ostream stream(&buffer);
  fill(stream);
  stream.flush();
  if (!stream) throw win_error(buffer.error() != 0 ? buffer.error() : EIO);
  check(::fsync(temp.fd()));
  temp.close();
  temp.renameTo(target);
  syncFolder(folder);
}

}  // namespace files

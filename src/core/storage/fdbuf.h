#pragma once
// Buffered stream buffers over a POSIX file descriptor. They keep the first system error, so a
// caller can report the system's own code (ENOSPC, EFBIG, EIO, EISDIR) rather than a bare stream
// failure. The descriptor stays owned by the caller.

#include <unistd.h>

#include <ios>
#include <streambuf>
#include <vector>

namespace files {

class FdOutBuf : public std::streambuf {
 public:
  explicit FdOutBuf(int fd);
  // errno of the first failed write, 0 while none failed.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type ch) override;
  int sync() override;

 private:
  bool drain();

  int fd_;
  std::vector<char> buffer_;
  int error_ = 0;
};

class FdInBuf : public std::streambuf {
 public:
  explicit FdInBuf(int fd);
  // errno of the first failed read, 0 while none failed (the end of the file is no error).
  int error() const { return error_; }

 protected:
  int_type underflow() override;
  // Seeking lets a reader learn how many bytes are left and so bound what it allocates.
  pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                   std::ios_base::openmode which) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

 private:
  int fd_;
  std::vector<char> buffer_;
  int error_ = 0;
};

// Closes a descriptor when it goes out of scope.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() { ::close(fd_); }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

}  // namespace files

#include "core/storage/fdbuf.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace files {
namespace {
constexpr size_t kBufferSize = 1 << 16;
}

FdOutBuf::FdOutBuf(int fd) : fd_(fd), buffer_(kBufferSize) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

FdOutBuf::int_type FdOutBuf::overflow(int_type ch) {
  if (!drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(ch, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
  }
  return traits_type::not_eof(ch);
}

int FdOutBuf::sync() { return drain() ? 0 : -1; }

bool FdOutBuf::drain() {
  if (error_ != 0) return false;
  const char* p = pbase();
  size_t left = size_t(pptr() - pbase());
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : EIO;
      return false;
    }
    p += n;
    left -= size_t(n);
  }
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return true;
}

FdInBuf::FdInBuf(int fd) : fd_(fd), buffer_(kBufferSize) {}

FdInBuf::int_type FdInBuf::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (error_ != 0) return traits_type::eof();
  ssize_t n;
  do {
    n = ::read(fd_, buffer_.data(), buffer_.size());
  } while (n < 0 && errno == EINTR);
  if (n < 0) error_ = errno;
  if (n <= 0) return traits_type::eof();
  setg(buffer_.data(), buffer_.data(), buffer_.data() + n);
  return traits_type::to_int_type(*gptr());
}

FdInBuf::pos_type FdInBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                   std::ios_base::openmode which) {
  if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
  const off_t filePos = ::lseek(fd_, 0, SEEK_CUR);
  if (filePos < 0) return pos_type(off_type(-1));
  const off_type buffered = egptr() - gptr();
  if (dir == std::ios_base::cur && off == 0) return pos_type(filePos - buffered);
  off_type target = off;
  if (dir == std::ios_base::cur) target += filePos - buffered;
  if (dir == std::ios_base::end) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return pos_type(off_type(-1));
    target += st.st_size;
  }
  if (target < 0 || ::lseek(fd_, target, SEEK_SET) < 0) return pos_type(off_type(-1));
  setg(buffer_.data(), buffer_.data(), buffer_.data());
  return pos_type(target);
}

FdInBuf::pos_type FdInBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
  return seekoff(off_type(pos), std::ios_base::beg, which);
}

}  // namespace files

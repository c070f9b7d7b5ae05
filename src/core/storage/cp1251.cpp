#include "core/storage/cp1251.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

#include "core/base/errors.h"

namespace {

struct IconvCloser {
  void operator()(void* cd) const { ::iconv_close(static_cast<iconv_t>(cd)); }
};

// Length of the character that iconv stopped at: its lead byte and the continuation bytes that
// follow it, at most as many as the lead byte announces.
size_t rejectedLength(std::string_view rest) {
  const auto lead = static_cast<unsigned char>(rest[0]);
  const size_t announced = (lead & 0xE0) == 0xC0   ? 2
                           : (lead & 0xF0) == 0xE0 ? 3
                           : (lead & 0xF8) == 0xF0 ? 4
                                                   : 1;
  size_t n = 1;
  while (n < announced && n < rest.size() && (static_cast<unsigned char>(rest[n]) & 0xC0) == 0x80)
    ++n;
  return n;
}

}  // namespace

std::string toWindows1251(std::string_view utf8) {
  const iconv_t cd = ::iconv_open("WINDOWS-1251", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw win_error(errno);
  const std::unique_ptr<void, IconvCloser> closer(cd);

  // Every character takes at least one byte in UTF-8 and exactly one here.
  std::string out(utf8.size(), '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* to = out.data();
  size_t toLeft = out.size();
  while (inLeft > 0 && ::iconv(cd, &in, &inLeft, &to, &toLeft) == static_cast<size_t>(-1)) {
    if (errno != EILSEQ && errno != EINVAL) throw win_error(errno);
    const size_t skip = rejectedLength({in, inLeft});
    in += skip;
    inLeft -= skip;
    *to++ = '?';
    --toLeft;
  }
  out.resize(static_cast<size_t>(to - out.data()));
  return out;
}

// tdservice-sim MODE [common options] [mode options]
// Opens a pseudo-terminal, prints the path of its slave side on one line of stdout and answers
// there as the device MODE until it is terminated.
//
// Common options, the line faults that look the same whatever the device:
//   --silent            receive everything, answer nothing
//   --delay=MS          pause before every byte of an answer (a slow line)
//   --reply-delay=MS    pause before the first byte of an answer (a device slow to answer)
//   --noise             three stray bytes after every answer
//   --truncate=N        the last N bytes of every answer are never sent (a reply cut short)
//   --silent-after=N    answers N requests, then none: a device that took a write and fell
//                       silent before it could be asked what it kept
//   --hangup-after=N    answers N requests, then takes the next one and closes the line instead
//                       of answering: the program's side sees a hang-up in mid-exchange. After
//                       --return-after=MS (default 300) the device is back on a NEW
//                       pseudo-terminal; this happens once.
//   --link=PATH         keeps the symbolic link PATH pointing at the current slave side, so the
//                       program can open the device by one name across a hang-up.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "simmode.h"

namespace {

std::map<std::string, SimModeFactory>& modes() {
  static std::map<std::string, SimModeFactory> all;
  return all;
}

struct CommonOptions {
  bool silent = false;   // receive everything, answer nothing
  int delayMs = 0;       // pause before every byte of an answer, to look like a slow line
  int replyDelayMs = 0;  // pause before an answer as a whole
  bool noise = false;    // stray bytes after every answer, as interference or a late reply leaves
  size_t truncate = 0;   // bytes cut from the end of every answer
  int silentAfter = -1;  // answers before the device falls silent; -1 never
  int hangupAfter = -1;  // answers before the line is closed; -1 never
  int returnMs = 300;    // how long the device stays away after the hang-up
  std::string link;      // symbolic link kept pointing at the current slave; empty: none
};

[[noreturn]] void fail(const std::string& text) {
  std::fprintf(stderr, "tdservice-sim: %s\n", text.c_str());
  std::exit(2);
}

[[noreturn]] void usage() {
  std::string names;
  for (const auto& [name, factory] : modes()) names += (names.empty() ? "" : "|") + name;
  fail("usage: tdservice-sim " + names +
       " [--silent] [--delay=MS] [--reply-delay=MS] [--noise] [--truncate=N] [--silent-after=N]"
       " [--hangup-after=N]"
       " [--return-after=MS] [--link=PATH] [mode options]");
}

// The value of a numeric common option; a bad one ends the simulator.
int number(const std::string& name, const std::string& value, long long max) {
  const auto n = optionNumber(value, 0, max);
  if (!n) fail("bad " + name + " " + value);
  return static_cast<int>(*n);
}

void parseOption(const std::string& arg, CommonOptions& common, SimMode& mode) {
  if (arg.rfind("--", 0) != 0) fail("unexpected argument " + arg);
  const auto eq = arg.find('=');
  const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
  const std::string value = eq == std::string::npos ? "" : arg.substr(eq + 1);
  if (name == "silent") {
    common.silent = true;
  } else if (name == "noise" && value.empty()) {
    common.noise = true;
  } else if (name == "delay") {
    common.delayMs = number(name, value, 60000);
  } else if (name == "reply-delay") {
    common.replyDelayMs = number(name, value, 60000);
  } else if (name == "truncate") {
    common.truncate = static_cast<size_t>(number(name, value, 1000));
  } else if (name == "silent-after") {
    common.silentAfter = number(name, value, 1000000);
  } else if (name == "hangup-after") {
    common.hangupAfter = number(name, value, 1000000);
  } else if (name == "return-after") {
    common.returnMs = number(name, value, 60000);
  } else if (name == "link" && !value.empty()) {
    common.link = value;
  } else if (!mode.option(name, value)) {
    fail("unknown option or bad value " + arg);
  }
}

// Master side of a new pseudo-terminal in raw mode. The simulator keeps the slave open as well,
// so the program may close and reopen its port without the master seeing a hang-up, and so the
// slave never echoes our answers back to us before the program has set its own line settings.
struct Line {
  int master = -1;
  int slave = -1;
  std::string path;  // of the slave side
};

Line openPty() {
  Line line;
  line.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (line.master < 0 || grantpt(line.master) != 0 || unlockpt(line.master) != 0)
    fail("no pseudo-terminal");
  const char* name = ptsname(line.master);
  if (!name) fail("no pseudo-terminal name");
  line.path = name;
  line.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (line.slave < 0) fail("cannot open " + line.path);
  termios tio{};
  if (tcgetattr(line.slave, &tio) != 0) fail("tcgetattr");
  cfmakeraw(&tio);
  if (tcsetattr(line.slave, TCSANOW, &tio) != 0) fail("tcsetattr");
  return line;
}

// Points `link` at `target`, replacing the link in one step so an opener never misses it.
void updateLink(const std::string& link, const std::string& target) {
  if (link.empty()) return;
  const std::string temporary = link + ".new";
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0 || rename(temporary.c_str(), link.c_str()))
    fail("cannot link " + link + ": " + std::strerror(errno));
}

// Closing the master hangs up every opener of the slave; the line then stays away for a while.
Line replaceLine(const Line& old, const CommonOptions& common) {
  close(old.master);
  close(old.slave);
  std::this_thread::sleep_for(std::chrono::milliseconds(common.returnMs));
  Line line = openPty();
  updateLink(common.link, line.path);
  return line;
}

void writeAll(int fd, const uint8_t* data, size_t n) {
  while (n > 0) {
    const ssize_t done = write(fd, data, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) fail(std::string("write: ") + std::strerror(errno));
    data += done;
    n -= static_cast<size_t>(done);
  }
}

void answer(int fd, std::vector<uint8_t> bytes, const CommonOptions& common) {
  if (common.silent || bytes.empty()) return;
  // erase, not resize: it never grows the vector, which gcc's overflow check sees at -O1.
  bytes.erase(bytes.end() - static_cast<std::ptrdiff_t>(std::min(common.truncate, bytes.size())),
              bytes.end());
  if (common.noise) bytes.insert(bytes.end(), {0xFF, 0x00, 0xFF});
  std::this_thread::sleep_for(std::chrono::milliseconds(common.replyDelayMs));
  if (common.delayMs == 0) return writeAll(fd, bytes.data(), bytes.size());
  for (uint8_t b : bytes) {
    std::this_thread::sleep_for(std::chrono::milliseconds(common.delayMs));
    writeAll(fd, &b, 1);
  }
}

// A request whose bytes stop coming for this long is abandoned by the mode.
constexpr int kIdleMs = 100;

[[noreturn]] void serve(Line line, SimMode& mode, const CommonOptions& common) {
  uint8_t buf[256];
  int answers = 0;
  for (;;) {
    pollfd p{line.master, POLLIN, 0};
    const int ready = poll(&p, 1, kIdleMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) fail(std::string("poll: ") + std::strerror(errno));
    if (ready == 0) {
      mode.idle();
      continue;
    }
    const ssize_t n = read(line.master, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) fail("line closed");
    const auto reply = mode.receive({buf, static_cast<size_t>(n)});
    if (reply.empty() || answers == common.silentAfter) continue;
    if (answers++ == common.hangupAfter) {
      line = replaceLine(line, common);
      mode.idle();
      continue;
    }
    answer(line.master, reply, common);
  }
}

}  // namespace

bool registerSimMode(const char* name, SimModeFactory factory) {
  modes()[name] = factory;
  return true;
}

int main(int argc, char** argv) {
  if (argc < 2) usage();
  const auto found = modes().find(argv[1]);
  if (found == modes().end()) usage();
  auto mode = found->second();
  CommonOptions common;
  for (int i = 2; i < argc; ++i) parseOption(argv[i], common, *mode);

  const Line line = openPty();
  updateLink(common.link, line.path);
  std::printf("%s\n", line.path.c_str());
  std::fflush(stdout);
  serve(line, *mode, common);
}

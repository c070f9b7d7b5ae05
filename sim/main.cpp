// tdservice-sim MODE [--silent] [--delay=MS] [--noise] [mode options]
// Opens a pseudo-terminal, prints the path of its slave side on one line of stdout and answers
// there as the device MODE until it is terminated.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>

#include "simmode.h"

namespace {

std::map<std::string, SimModeFactory>& modes() {
  static std::map<std::string, SimModeFactory> all;
  return all;
}

struct CommonOptions {
  bool silent = false;  // receive everything, answer nothing
  int delayMs = 0;      // pause before every byte of an answer, to look like a slow line
  bool noise = false;   // stray bytes after every answer, as interference or a late reply leaves
};

[[noreturn]] void fail(const std::string& text) {
  std::fprintf(stderr, "tdservice-sim: %s\n", text.c_str());
  std::exit(2);
}

[[noreturn]] void usage() {
  std::string names;
  for (const auto& [name, factory] : modes()) names += (names.empty() ? "" : "|") + name;
  fail("usage: tdservice-sim " + names + " [--silent] [--delay=MS] [--noise] [mode options]");
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
    const auto ms = optionNumber(value, 0, 60000);
    if (!ms) fail("bad delay " + value);
    common.delayMs = static_cast<int>(*ms);
  } else if (!mode.option(name, value)) {
    fail("unknown option or bad value " + arg);
  }
}

// Master side of a new pseudo-terminal in raw mode. The simulator keeps the slave open as well,
// so the program may close and reopen its port without the master seeing a hang-up, and so the
// slave never echoes our answers back to us before the program has set its own line settings.
int openPty(std::string& slavePath, int& slaveFd) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) fail("no pseudo-terminal");
  const char* name = ptsname(master);
  if (!name) fail("no pseudo-terminal name");
  slavePath = name;
  slaveFd = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slaveFd < 0) fail("cannot open " + slavePath);
  termios tio{};
  if (tcgetattr(slaveFd, &tio) != 0) fail("tcgetattr");
  cfmakeraw(&tio);
  if (tcsetattr(slaveFd, TCSANOW, &tio) != 0) fail("tcsetattr");
  return master;
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
  if (common.noise) bytes.insert(bytes.end(), {0xFF, 0x00, 0xFF});
  if (common.delayMs == 0) return writeAll(fd, bytes.data(), bytes.size());
  for (uint8_t b : bytes) {
    std::this_thread::sleep_for(std::chrono::milliseconds(common.delayMs));
    writeAll(fd, &b, 1);
  }
}

// A request whose bytes stop coming for this long is abandoned by the mode.
constexpr int kIdleMs = 100;

[[noreturn]] void serve(int master, SimMode& mode, const CommonOptions& common) {
  uint8_t buf[256];
  for (;;) {
    pollfd p{master, POLLIN, 0};
    const int ready = poll(&p, 1, kIdleMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) fail(std::string("poll: ") + std::strerror(errno));
    if (ready == 0) {
      mode.idle();
      continue;
    }
    const ssize_t n = read(master, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) fail("line closed");
    answer(master, mode.receive({buf, static_cast<size_t>(n)}), common);
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

  std::string path;
  int slave = -1;
  const int master = openPty(path, slave);
  std::printf("%s\n", path.c_str());
  std::fflush(stdout);
  serve(master, *mode, common);
}

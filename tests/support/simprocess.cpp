#include "support/simprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

#ifndef TDSERVICE_SIM_PATH
#error "TDSERVICE_SIM_PATH must name the tdservice-sim executable"
#endif

namespace {

constexpr auto kStartDeadline = std::chrono::seconds(10);

// First line the child writes to the pipe, or "" when it ends or the deadline passes first.
std::string readLine(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
  std::string line;
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return "";
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return "";
    char c;
    const ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return "";
    if (c == '\n') return line;
    line += c;
  }
}

}  // namespace

SimProcess::SimProcess(const std::vector<std::string>& args) {
  std::vector<std::string> all{TDSERVICE_SIM_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ == 0) {
    // Only async-signal-safe calls between fork and exec.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(out[1], STDOUT_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  if (pid_ < 0) {
    close(out[0]);
    throw std::runtime_error("fork failed");
  }
  path_ = readLine(out[0]);
  close(out[0]);
  if (path_.empty()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("tdservice-sim did not start: " + all[0]);
  }
}

SimProcess::~SimProcess() {
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

termios lineSettings(const std::string& path) {
  termios tio{};
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  const int rc = tcgetattr(fd, &tio);
  ::close(fd);
  if (rc != 0) throw std::runtime_error("cannot read the line settings of " + path);
  return tio;
}

#pragma once
// A tdservice-sim child process for device tests: started with a mode and its options, it gives
// the path of the pseudo-terminal on which the simulated device answers. The process ends with
// this object (and with the test program, should that die first).

#include <sys/types.h>
#include <termios.h>

#include <string>
#include <vector>

class SimProcess {
 public:
  // args: the mode first, then options, e.g. {"zorb", "--silent"}. Throws std::runtime_error
  // when the simulator does not start or prints no path within a few seconds.
  explicit SimProcess(const std::vector<std::string>& args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& path() const { return path_; }

 private:
  pid_t pid_ = -1;
  std::string path_;
};

// The line settings of the pseudo-terminal at `path` as the device's side sees them (baud rate,
// stop bits, byte size that the program set).
termios lineSettings(const std::string& path);

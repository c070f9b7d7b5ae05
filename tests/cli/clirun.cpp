#include "cli/clirun.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gtest/gtest.h"

#ifndef TDSERVICE_CLI_PATH
#error "TDSERVICE_CLI_PATH must name the tdservice-cli executable"
#endif

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

nlohmann::json CliRun::json() const {
  nlohmann::json value = nlohmann::json::parse(out, nullptr, false);
  if (value.is_discarded()) {
    ADD_FAILURE() << "not JSON: " << out << err;
    return nullptr;
  }
  return value;
}

// Standard output and error go to files, so a long output can never block the child.
CliRun runCli(const std::vector<std::string>& args) {
  const std::filesystem::path dir = testing::TempDir();
  // CTest runs tests side by side in processes of their own: the files carry the process id.
  const std::string id = std::to_string(getpid());
  const std::string outPath = dir / ("cli_stdout_" + id + ".txt");
  const std::string errPath = dir / ("cli_stderr_" + id + ".txt");
  std::vector<char*> argv{const_cast<char*>(TDSERVICE_CLI_PATH)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  CliRun run;
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
    run.exitCode = WEXITSTATUS(status);
  run.out = slurp(outPath);
  run.err = slurp(errPath);
  return run;
}

CliRun runCli(std::vector<std::string> args, const std::vector<std::string>& extra) {
  args.insert(args.end(), extra.begin(), extra.end());
  return runCli(args);
}

std::string writeTempFile(const std::string& name, const std::string& text) {
  const std::string path =
      std::filesystem::path(testing::TempDir()) / (std::to_string(getpid()) + "_" + name);
  std::ofstream(path) << text;
  return path;
}

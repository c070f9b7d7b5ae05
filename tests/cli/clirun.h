#pragma once
// Runs the built tdservice-cli with arguments and collects what it printed and its exit code.

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
  // The standard output as JSON (a test failure and null when it is not JSON).
  nlohmann::json json() const;
};

CliRun runCli(const std::vector<std::string>& args);
// The same with `extra` after `args`: a command's fixed words, then a test's own options.
CliRun runCli(std::vector<std::string> args, const std::vector<std::string>& extra);

// Writes `text` to a new file in the temporary folder and returns its path.
// The process id prefixes the name, so tests running side by side do not share the file.
std::string writeTempFile(const std::string& name, const std::string& text);

#pragma once
// The command table: each group of commands (document, one per device family) gives its entries,
// and main dispatches on the first words of the command line.

#include <functional>
#include <string>
#include <vector>

// The exit code of an import that stopped at a line too long: the entries before it were saved.
inline constexpr int kImportStopped = 3;
// The exit code of a verdict that the package is not fit.
inline constexpr int kVerdictFailed = 4;

struct Command {
  std::string name;   // one or two words: "show", "td read"
  std::string usage;  // the arguments after the name, for the usage text
  // Runs with the words after the name; returns the exit code. Wrong usage throws UsageError,
  // any other failure the program's own exceptions.
  std::function<int(const std::vector<std::string>& args)> run;
  std::string summary = {};  // what it does, for --help
};

std::vector<Command> documentCommands();
std::vector<Command> tdCommands();
std::vector<Command> zorbCommands();
std::vector<Command> keltCommands();
std::vector<Command> rm23Commands();
std::vector<Command> historyCommands();

#pragma once
// Arguments of one command: positional arguments and "--name value" options. Anything the command
// does not accept, a missing value or a number that is not exactly a number is wrong usage.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Wrong usage: the tool prints the message and the usage and exits with code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Option {
  std::string name;  // without the leading "--"
  bool required = false;
};

class CliArgs {
 public:
  // `args` are the words after the command's name; exactly `positionals` of them are not options.
  CliArgs(const std::vector<std::string>& args, size_t positionals,
          const std::vector<Option>& options);

  const std::string& positional(size_t index) const { return positionals_.at(index); }
  bool has(std::string_view name) const;
  // The option's value; UsageError when it was not given.
  const std::string& value(std::string_view name) const;
  // An integer lo..hi written in decimal digits with an optional sign, nothing else.
  int64_t integer(std::string_view name, int64_t lo, int64_t hi) const;
  // A finite number in C notation ("1.5", "-2e3"), nothing else.
  double real(std::string_view name) const;
  // The index of the option's value in `choices`.
  size_t choice(std::string_view name, const std::vector<std::string_view>& choices) const;

 private:
  std::vector<std::string> positionals_;
  std::map<std::string, std::string, std::less<>> options_;
};

// The same strict parsing for values that are not options (items of a list). `what` names the
// value in the message.
int64_t parseStrictInteger(std::string_view text, int64_t lo, int64_t hi, std::string_view what);
double parseStrictReal(std::string_view text, std::string_view what);

// Options every command takes; they may stand anywhere and are removed from `args`.
struct CommonOptions {
  bool help = false;
  std::string locale;  // empty: the user's
  std::string trace;   // the device commands' frames go to this file; empty: none
};
// Also remembers the trace file for the device workers (traceFile()).
CommonOptions takeCommonOptions(std::vector<std::string>& args);
// The --trace file of the command line; empty when none was given.
const std::string& traceFile();

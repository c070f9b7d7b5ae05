#include "cliargs.h"

#include <charconv>
#include <cmath>

namespace {

std::string dashed(std::string_view name) { return "--" + std::string(name); }

[[noreturn]] void badNumber(std::string_view what, std::string_view text) {
  throw UsageError("Неправильное значение " + std::string(what) + ": \"" + std::string(text) +
                   "\"");
}

// from_chars takes no '+', and a leading one is fine in a number a user types.
std::string_view withoutPlus(std::string_view text) {
  return text.starts_with('+') && text.size() > 1 && text[1] != '-' ? text.substr(1) : text;
}

}  // namespace

CliArgs::CliArgs(const std::vector<std::string>& args, size_t positionals,
                 const std::vector<Option>& options) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (!word.starts_with("--")) {
      positionals_.push_back(word);
      continue;
    }
    const std::string name = word.substr(2);
    bool known = false;
    for (const Option& option : options) known = known || option.name == name;
    if (!known) throw UsageError("Неизвестный параметр " + word);
    if (i + 1 == args.size()) throw UsageError("Нет значения параметра " + word);
    if (!options_.emplace(name, args[++i]).second)
      throw UsageError("Параметр " + word + " задан дважды");
  }
  if (positionals_.size() != positionals) throw UsageError("Неверное число аргументов");
  for (const Option& option : options) {
    if (option.required && !has(option.name))
      throw UsageError("Не задан параметр " + dashed(option.name));
  }
}

bool CliArgs::has(std::string_view name) const { return options_.find(name) != options_.end(); }

const std::string& CliArgs::value(std::string_view name) const {
  const auto it = options_.find(name);
  if (it == options_.end()) throw UsageError("Не задан параметр " + dashed(name));
  return it->second;
}

int64_t CliArgs::integer(std::string_view name, int64_t lo, int64_t hi) const {
  return parseStrictInteger(value(name), lo, hi, "параметра " + dashed(name));
}

double CliArgs::real(std::string_view name) const {
  return parseStrictReal(value(name), "параметра " + dashed(name));
}

size_t CliArgs::choice(std::string_view name, const std::vector<std::string_view>& choices) const {
  const std::string& text = value(name);
  for (size_t i = 0; i < choices.size(); ++i) {
    if (choices[i] == text) return i;
  }
  badNumber("параметра " + dashed(name), text);
}

int64_t parseStrictInteger(std::string_view text, int64_t lo, int64_t hi, std::string_view what) {
  const std::string_view digits = withoutPlus(text);
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || v < lo ||
      v > hi)
    badNumber(what, text);
  return v;
}

double parseStrictReal(std::string_view text, std::string_view what) {
  const std::string_view digits = withoutPlus(text);
  double v = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
      !std::isfinite(v))
    badNumber(what, text);
  return v;
}

namespace {

std::string& tracePath() {
  static std::string path;
  return path;
}

}  // namespace

const std::string& traceFile() { return tracePath(); }

CommonOptions takeCommonOptions(std::vector<std::string>& args) {
  CommonOptions common;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      common.help = true;
    } else if (args[i] == "--trace") {
      if (i + 1 == args.size()) throw UsageError("Нет значения параметра --trace");
      common.trace = args[++i];
      if (common.trace.empty()) throw UsageError("Пустое имя файла в параметре --trace");
      tracePath() = common.trace;
    } else if (args[i] == "--locale") {
      if (i + 1 == args.size()) throw UsageError("Нет значения параметра --locale");
      common.locale = args[++i];
    } else {
      rest.push_back(args[i]);
    }
  }
  args = std::move(rest);
  return common;
}

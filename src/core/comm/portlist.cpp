#include "core/comm/portlist.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace comprt {

namespace {
constexpr std::size_t kMaxComDigits = 9;
constexpr int kFallbackPorts = 20;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool equalsIgnoringCase(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}
}  // namespace

bool isComPortName(std::string_view name) {
  constexpr std::string_view prefix = "com";
  if (name.size() < prefix.size() || name.size() > prefix.size() + kMaxComDigits) return false;
  if (!std::equal(prefix.begin(), prefix.end(), name.begin(), equalsIgnoringCase)) return false;
  return std::all_of(name.begin() + prefix.size(), name.end(), isDigit);
}

std::vector<std::string> filterComPortNames(const std::vector<std::string>& deviceNames) {
  std::vector<std::string> ports;
  for (const std::string& name : deviceNames) {
    if (ports.size() == kMaxPorts) break;
    if (isComPortName(name)) ports.push_back(name);
  }
  return ports;
}

std::vector<std::string> buildPortList(const std::vector<std::string>& systemNames,
                                       std::string_view extraPaths) {
  std::vector<std::string> ports;
  auto add = [&ports](std::string_view name) {
    if (!name.empty() && ports.size() < kMaxPorts) ports.emplace_back(name);
  };
  for (const std::string& name : systemNames) add(name);
  while (!extraPaths.empty()) {
    const std::size_t colon = extraPaths.find(':');
    add(extraPaths.substr(0, colon));
    extraPaths.remove_prefix(colon == std::string_view::npos ? extraPaths.size() : colon + 1);
  }
  if (ports.empty()) {
    for (int i = 0; i < kFallbackPorts; ++i) ports.push_back("ttyS" + std::to_string(i));
  }
  return ports;
}

std::string_view extraPortPaths() {
  const char* paths = std::getenv("TDSERVICE_PORTS");
  return paths ? paths : "";
}

}  // namespace comprt

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

std::vector<std::string> mergePortList(const std::vector<std::string>& current,
                                       const std::vector<std::string>& found) {
  std::vector<std::string> ports = current;
  for (const std::string& name : found) {
    if (ports.size() >= kMaxPorts) break;
    if (std::find(ports.begin(), ports.end(), name) == ports.end()) ports.push_back(name);
  }
  return ports;
}

namespace {
// "usb-FTDI_FT232R_A1-if00-port0" -> "FTDI_FT232R_A1": the bus and the interface say nothing a
// person looks for.
std::string_view linkDeviceText(std::string_view linkName) {
  const std::size_t dash = linkName.find('-');
  if (dash != std::string_view::npos && dash < linkName.find('_')) linkName.remove_prefix(dash + 1);
  const std::size_t interface = linkName.rfind("-if");
  if (interface != std::string_view::npos) linkName = linkName.substr(0, interface);
  return linkName;
}

std::vector<std::string> words(std::string_view text) {
  std::vector<std::string> found;
  while (!text.empty()) {
    const std::size_t gap = text.find('_');
    if (gap != 0) found.emplace_back(text.substr(0, gap));
    text.remove_prefix(gap == std::string_view::npos ? text.size() : gap + 1);
  }
  return found;
}

bool looksLikeSerial(const std::vector<std::string>& parts) {
  return parts.size() >= 3 && std::any_of(parts.back().begin(), parts.back().end(), isDigit);
}
}  // namespace

PortLabel labelFromLinkName(std::string_view linkName, std::string_view knownSerial) {
  std::vector<std::string> parts = words(linkDeviceText(linkName));
  PortLabel label;
  const bool serialLast =
      knownSerial.empty() ? looksLikeSerial(parts) : !parts.empty() && parts.back() == knownSerial;
  if (serialLast) {
    label.serial = parts.back();
    parts.pop_back();
  }
  for (const std::string& part : parts) {
    if (!label.product.empty()) label.product += ' ';
    label.product += part;
  }
  return label;
}

std::string_view extraPortPaths() {
  const char* paths = std::getenv("TDSERVICE_PORTS");
  return paths ? paths : "";
}

}  // namespace comprt

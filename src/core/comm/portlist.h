#pragma once
// How the port list is assembled from what the system reports. Pure functions, so the rules
// (order kept, limit, fallback) are testable without any serial hardware.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace comprt {

// The panels address ports by a 1-based position in a list of at most this many names.
inline constexpr std::size_t kMaxPorts = 256;

// A Windows device name of a serial port: "COM" in any letter case followed by zero to nine
// decimal digits and nothing else ("COM", "com7", "COM123456789"; not "COMx1").
bool isComPortName(std::string_view name);

// The names of the Windows device list that are serial ports, in the order met, at most kMaxPorts.
std::vector<std::string> filterComPortNames(const std::vector<std::string>& deviceNames);

// The port list: the system's serial devices in the system's order, then the colon-separated
// paths of `extraPaths` (virtual ports and simulators), at most kMaxPorts names. When that
// leaves nothing, the list is ttyS0..ttyS19.
std::vector<std::string> buildPortList(const std::vector<std::string>& systemNames,
                                       std::string_view extraPaths);

// The extra paths configured for this process: the environment variable TDSERVICE_PORTS.
std::string_view extraPortPaths();

}  // namespace comprt

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

// The list that replaces `current` when the ports found now are `found`: every name of `current`
// keeps its position, also one whose device has gone, and the names of `found` not yet listed
// follow in their order, up to kMaxPorts. Panels and workers exchange positions, not names, so a
// position that kept its name is never misread by a worker that got it a moment before the list
// was replaced; and a device that returns finds its old position again.
std::vector<std::string> mergePortList(const std::vector<std::string>& current,
                                       const std::vector<std::string>& found);

// What a person recognises a USB serial adapter by, read from the name of its link in
// /dev/serial/by-id ("usb-FTDI_FT232R_USB_UART_A10K3X9-if00-port0"): the maker and product
// ("FTDI FT232R USB UART") and the serial number ("A10K3X9"). The name does not mark where the
// product ends, so a last word is taken for the serial number only when it holds a digit and
// follows at least two others; `knownSerial`, when the system told it, decides instead.
struct PortLabel {
  std::string product;
  std::string serial;
};
PortLabel labelFromLinkName(std::string_view linkName, std::string_view knownSerial = {});

// The extra paths configured for this process: the environment variable TDSERVICE_PORTS.
std::string_view extraPortPaths();

}  // namespace comprt

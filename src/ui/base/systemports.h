#pragma once
// The machine's serial ports as the system reports them, for the process-wide port list.

#include <functional>
#include <string>
#include <vector>

// One serial port the system reports, with what it knows of the device behind it (empty texts
// when it knows nothing, as for a built-in port).
struct SystemPort {
  std::string name;
  std::string manufacturer;
  std::string description;
  std::string serialNumber;
  // The USB vendor and product ids; 0 when the port is not on USB.
  unsigned vendorId = 0;
  unsigned productId = 0;
};

// The system's serial ports in the system's order (Windows: its COM devices only).
std::vector<SystemPort> systemPorts();
// Their names.
std::vector<std::string> systemPortNames();

// Asking the system for its ports takes a noticeable part of the program's start, so it runs on a
// thread of its own while the main window is built. Called once at start-up, before any device
// panel exists.
void startPortListing();
// Installs the process-wide port list (comprt::ComPort::ComList) from the system's ports and the
// paths in TDSERVICE_PORTS once the listing started by startPortListing() has ended, waiting for
// it if need be, and from then on keeps it up to date as ports come and go (PortWatcher). Does
// nothing when no listing is pending, so every user of the list may call it.
void installListedPorts();

// Installs the port list of a single command and returns the 1-based position of `nameOrPath` in
// it: a name of the list (the system's ports and TDSERVICE_PORTS), or any other name or path,
// which is added to the list so the worker can open it. A path (anything with a '/') needs no
// system's ports, so they are asked for (`listSystemPorts`) only for a name.
int installPortListWith(
    const std::string& nameOrPath,
    const std::function<std::vector<std::string>()>& listSystemPorts = systemPortNames);

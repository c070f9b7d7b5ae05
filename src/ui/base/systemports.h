#pragma once
// The machine's serial ports as the system reports them, for the process-wide port list.

#include <string>
#include <vector>

// The system's serial port names in the system's order (Windows: its COM device names only).
std::vector<std::string> systemPortNames();

// Builds the process-wide port list (comprt::ComPort::ComList) from the system's ports and the
// paths in TDSERVICE_PORTS. Called once at start-up, before any device panel exists.
void installPortList();

#pragma once
// Names of document files: the one the command line gives and the one Save As proposes.

#include <optional>
#include <string>
#include <vector>

#include "core/document/devicebase.h"

// The first argument after the program's own name that does not begin with "-"; later ones are
// ignored.
std::optional<std::string> firstDocumentArgument(const std::vector<std::string>& arguments);

// "<device name> Ду<diameter> N<serial>", the serial as formatSerialNumber writes it. A "/" in the
// name would make a folder of it and is written "_".
std::string proposedFileName(const std::string& deviceName, const DeviceIdentity& identity);

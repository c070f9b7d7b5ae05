#include "core/storage/filenames.h"

#include <algorithm>

std::optional<std::string> firstDocumentArgument(const std::vector<std::string>& arguments) {
  for (size_t i = 1; i < arguments.size(); ++i)
    if (!arguments[i].starts_with('-')) return arguments[i];
  return std::nullopt;
}

std::string proposedFileName(const std::string& deviceName, const DeviceIdentity& identity) {
  std::string name = deviceName;
  std::replace(name.begin(), name.end(), '/', '_');
  return name + " Ду" + std::string(DuText(identity.duCode)) + " N" +
         formatSerialNumber(identity.serialNumber, identity.duCode);
}

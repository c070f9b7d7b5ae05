#include "ui/base/systemports.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <future>
#include <system_error>

#include "core/comm/comport.h"
#include "core/comm/portlist.h"
#include "ui/base/portwatcher.h"

namespace {

// Used on the UI thread only; the listing itself touches nothing but its own result.
std::future<std::vector<SystemPort>> pendingListing;

std::vector<std::string> namesOf(const std::vector<SystemPort>& ports) {
  std::vector<std::string> names;
  for (const SystemPort& port : ports) names.push_back(port.name);
  return names;
}

}  // namespace

std::vector<SystemPort> systemPorts() {
  std::vector<SystemPort> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    SystemPort port{info.portName().toStdString(), info.manufacturer().toStdString(),
                    info.description().toStdString(), info.serialNumber().toStdString()};
    if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
      port.vendorId = info.vendorIdentifier();
      port.productId = info.productIdentifier();
    }
    ports.push_back(std::move(port));
  }
#ifdef Q_OS_WIN
  std::erase_if(ports, [](const SystemPort& port) { return !comprt::isComPortName(port.name); });
  if (ports.size() > comprt::kMaxPorts) ports.resize(comprt::kMaxPorts);
#endif
  return ports;
}

std::vector<std::string> systemPortNames() { return namesOf(systemPorts()); }

void startPortListing() {
  try {
    pendingListing = std::async(std::launch::async, systemPorts);
  } catch (const std::system_error&) {
    // No thread to be had: the ports are listed when the list is first needed.
    pendingListing = std::async(std::launch::deferred, systemPorts);
  }
}

void installListedPorts() {
  if (!pendingListing.valid()) return;
  std::vector<SystemPort> listing = pendingListing.get();
  comprt::ComPort::ComList::install(
      comprt::buildPortList(namesOf(listing), comprt::extraPortPaths()));
  // The watcher's first look takes this listing rather than asking the system again.
  PortWatcher::instance().start({}, std::move(listing));
}

int installPortListWith(const std::string& nameOrPath,
                        const std::function<std::vector<std::string>()>& listSystemPorts) {
  const bool path = nameOrPath.find('/') != std::string::npos;
  std::vector<std::string> names = comprt::buildPortList(
      path ? std::vector<std::string>{} : listSystemPorts(), comprt::extraPortPaths());
  auto found = std::find(names.begin(), names.end(), nameOrPath);
  if (found == names.end()) {
    // The workers take a position of one byte: the added port replaces the list's last.
    constexpr size_t kLastPosition = 255;
    if (names.size() >= kLastPosition) names.resize(kLastPosition - 1);
    names.push_back(nameOrPath);
    found = names.end() - 1;
  }
  const int position = static_cast<int>(found - names.begin()) + 1;
  comprt::ComPort::ComList::install(std::move(names));
  return position;
}

#include "ui/base/systemports.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <future>
#include <system_error>

#include "core/comm/comport.h"
#include "core/comm/portlist.h"

namespace {

// Used on the UI thread only; the listing itself touches nothing but its own result.
std::future<std::vector<std::string>> pendingListing;

}  // namespace

std::vector<std::string> systemPortNames() {
  std::vector<std::string> names;
  for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
    names.push_back(port.portName().toStdString());
  }
#ifdef Q_OS_WIN
  names = comprt::filterComPortNames(names);
#endif
  return names;
}

void startPortListing() {
  try {
    pendingListing = std::async(std::launch::async, systemPortNames);
  } catch (const std::system_error&) {
    // No thread to be had: the ports are listed when the list is first needed.
    pendingListing = std::async(std::launch::deferred, systemPortNames);
  }
}

void installListedPorts() {
  if (!pendingListing.valid()) return;
  comprt::ComPort::ComList::install(
      comprt::buildPortList(pendingListing.get(), comprt::extraPortPaths()));
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

#include "ui/base/systemports.h"

#include <QSerialPortInfo>

#include "core/comm/comport.h"
#include "core/comm/portlist.h"

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

void installPortList() {
  comprt::ComPort::ComList::install(
      comprt::buildPortList(systemPortNames(), comprt::extraPortPaths()));
}

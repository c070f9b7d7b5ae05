#include "ui/base/portwatcher.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include "core/comm/comport.h"
#include "core/comm/portlist.h"

namespace {

QString devicePath(const std::string& name) {
  const QString text = QString::fromStdString(name);
  return name.find('/') == std::string::npos ? "/dev/" + text : text;
}

// The device nodes the links of `folder` point at, each with the link's name.
std::map<QString, QString> linksByTarget(const QString& folder) {
  std::map<QString, QString> links;
  for (const QFileInfo& link : QDir(folder).entryInfoList(QDir::System | QDir::Files)) {
    const QString target = link.canonicalFilePath();
    if (!target.isEmpty()) links.emplace(target, link.fileName());
  }
  return links;
}

std::string nodeOf(const QString& canonicalPath) {
  struct stat st {};
  if (::stat(canonicalPath.toLocal8Bit().constData(), &st) != 0) return {};
  return canonicalPath.toStdString() + "#" + std::to_string(st.st_ino);
}

std::string withSerial(std::string product, const std::string& serial) {
  if (serial.empty()) return product;
  return product.empty() ? serial : product + " (" + serial + ")";
}

// "FTDI FT232R USB UART (A10K3X9)" from what the system reports, the maker not repeated when the
// description already starts with it.
std::string systemLabel(const SystemPort& port) {
  std::string product = port.description;
  if (!port.manufacturer.empty() && product.rfind(port.manufacturer, 0) != 0)
    product = product.empty() ? port.manufacturer : port.manufacturer + " " + product;
  return withSerial(std::move(product), port.serialNumber);
}

std::vector<std::string> listedNames() {
  const auto list = comprt::ComPort::ComList::instance();
  std::vector<std::string> names;
  for (int i = 1; i <= list->count(); ++i) names.push_back(list->name(i));
  return names;
}

}  // namespace

PortWatcher& PortWatcher::instance() {
  // A child of the application, so its notifiers end before the event loop's machinery does.
  static QPointer<PortWatcher> watcher;
  if (!watcher) {
    watcher = new PortWatcher;
    watcher->setParent(QCoreApplication::instance());
  }
  return *watcher;
}

PortWatcher::PortWatcher() {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_, qOverload<>(&QTimer::start));
  connect(&settle_, &QTimer::timeout, this, &PortWatcher::refresh);
}

void PortWatcher::start(PortSources sources, std::optional<std::vector<SystemPort>> listing) {
  stop();
  sources_ = std::move(sources);
  watching_ = true;
  if (listing)
    lookAt(std::move(*listing));
  else
    refresh();
}

void PortWatcher::stop() {
  watching_ = false;
  settle_.stop();
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  states_.clear();
  lastPresent_.clear();
}

// Folders that do not exist yet (/dev/serial before the first USB adapter) are taken up by a
// later look, which the change of their parent folder starts.
void PortWatcher::watchFolders() {
  QStringList folders = sources_.folders;
  std::string_view extra = comprt::extraPortPaths();
  while (!extra.empty()) {
    const std::size_t colon = extra.find(':');
    const QFileInfo path(QString::fromStdString(std::string(extra.substr(0, colon))));
    folders << path.absolutePath();
    // A link's device may vanish without the link changing (a pseudo-terminal closed).
    if (path.exists()) folders << QFileInfo(path.canonicalFilePath()).absolutePath();
    extra.remove_prefix(colon == std::string_view::npos ? extra.size() : colon + 1);
  }
  const QStringList watched = watcher_.directories();
  for (const QString& folder : folders) {
    if (!watched.contains(folder) && QFileInfo(folder).isDir()) watcher_.addPath(folder);
  }
}

PortState PortWatcher::look(const std::string& name,
                            const std::map<std::string, SystemPort>& system,
                            const std::map<QString, QString>& byId) const {
  const QFileInfo info(devicePath(name));
  PortState state;
  const QString target = info.canonicalFilePath();
  state.present = info.exists() && !target.isEmpty();
  if (!state.present) return state;
  state.node = nodeOf(target);

  auto port = system.find(name);
  if (port == system.end() && target.startsWith("/dev/"))
    port = system.find(QFileInfo(target).fileName().toStdString());
  const SystemPort* known = port == system.end() ? nullptr : &port->second;

  if (const auto link = byId.find(target); link != byId.end()) {
    const std::string linkName = link->second.toStdString();
    const comprt::PortLabel label =
        comprt::labelFromLinkName(linkName, known ? known->serialNumber : std::string());
    state.label = withSerial(label.product, label.serial);
    state.identity = "by-id:" + linkName;
    return state;
  }
  if (!known) return state;
  state.label = systemLabel(*known);
  // Without a serial number two adapters of one kind look alike: no identity then.
  if (known->vendorId != 0 && !known->serialNumber.empty()) {
    state.identity = "usb:" + std::to_string(known->vendorId) + ":" +
                     std::to_string(known->productId) + ":" + known->serialNumber;
  }
  return state;
}

void PortWatcher::refresh() {
  if (watching_) lookAt(sources_.listSystemPorts());
}

void PortWatcher::lookAt(std::vector<SystemPort> listing) {
  watchFolders();
  std::map<std::string, SystemPort> system;
  std::vector<std::string> found;
  for (SystemPort& port : listing) {
    found.push_back(port.name);
    system.emplace(port.name, std::move(port));
  }
  const std::vector<std::string> listed = listedNames();
  const std::vector<std::string> names =
      comprt::mergePortList(listed, comprt::buildPortList(found, comprt::extraPortPaths()));
  if (names != listed) comprt::ComPort::ComList::install(names);

  const std::map<QString, QString> byId = linksByTarget(sources_.byIdFolder);
  std::map<std::string, PortState> states;
  for (const std::string& name : names) {
    PortState state = look(name, system, byId);
    if (state.present) lastPresent_[name] = state;
    states.emplace(name, std::move(state));
  }
  if (names == listed && states == states_) return;
  states_ = std::move(states);
  emit portsChanged();
}

PortState PortWatcher::state(const std::string& name) const {
  const auto found = states_.find(name);
  return found == states_.end() ? PortState{} : found->second;
}

PortState PortWatcher::lastPresent(const std::string& name) const {
  const auto found = lastPresent_.find(name);
  return found == lastPresent_.end() ? PortState{} : found->second;
}

QString PortWatcher::displayText(const std::string& name) const {
  const QString text = QString::fromStdString(name);
  const auto found = states_.find(name);
  if (found == states_.end()) return text;
  if (!found->second.present) return text + " — отключён";
  if (found->second.label.empty()) return text;
  return text + " — " + QString::fromStdString(found->second.label);
}

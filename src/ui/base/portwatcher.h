#pragma once
// Keeps the process-wide port list (comprt::ComPort::ComList) up to date while USB adapters are
// plugged in and pulled out, and knows what device sits behind each port of it.
//
// The system tells of a new or vanished device node through inotify on the device folders
// (QFileSystemWatcher); a burst of such events (a node, its by-id link, its by-path link) ends in
// one look at the ports a moment after the last event. Runs on the user-interface thread.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/base/systemports.h"

// One port of the list as it was last seen.
struct PortState {
  bool present = false;
  // What a person knows the device by, "FTDI FT232R USB UART (A10K3X9)"; empty when unknown.
  std::string label;
  // What tells this device from another one on the same path: its by-id link name or its USB
  // ids with the serial number; empty when the system cannot tell (a built-in port, a
  // pseudo-terminal).
  std::string identity;
  // The device node behind the name (its final path and inode): a device plugged in again gets a
  // new one even on the same path.
  std::string node;

  bool operator==(const PortState&) const = default;
};

// Where ports are looked for; tests point them at a temporary folder.
struct PortSources {
  // Folders whose changes start a new look (besides the folders of the TDSERVICE_PORTS paths).
  QStringList folders = {"/dev", "/dev/serial", "/dev/serial/by-id"};
  // The folder of the links named after the devices.
  QString byIdFolder = "/dev/serial/by-id";
  std::function<std::vector<SystemPort>()> listSystemPorts = systemPorts;
};

class PortWatcher : public QObject {
  Q_OBJECT

 public:
  // How long the ports have to be quiet before they are looked at.
  static constexpr int kSettleMs = 300;

  static PortWatcher& instance();

  // Starts watching (again) with `sources` and looks at the ports at once: at `listing` when the
  // system's ports were just listed, else at what sources.listSystemPorts gives.
  void start(PortSources sources = {}, std::optional<std::vector<SystemPort>> listing = {});
  // Stops watching and forgets what was seen: the ports are shown by their names alone.
  void stop();

  // Looks at the ports now: replaces the process-wide list when a new port appeared and
  // announces portsChanged() when anything about the listed ports changed.
  void refresh();

  // The port of this name as last seen; an empty state (not present) when never seen.
  PortState state(const std::string& name) const;
  // The port's state from the last look at which it was present.
  PortState lastPresent(const std::string& name) const;
  // The text a port selector shows for the port: "ttyUSB0 — FTDI FT232R USB UART (A10K3X9)",
  // "ttyUSB0 — отключён", or the name alone when nothing more is known.
  QString displayText(const std::string& name) const;

 signals:
  void portsChanged();

 private:
  PortWatcher();
  void watchFolders();
  void lookAt(std::vector<SystemPort> listing);
  PortState look(const std::string& name, const std::map<std::string, SystemPort>& system,
                 const std::map<QString, QString>& byId) const;

  PortSources sources_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
  bool watching_ = false;
  std::map<std::string, PortState> states_;
  std::map<std::string, PortState> lastPresent_;
};

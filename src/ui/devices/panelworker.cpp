#include "ui/devices/panelworker.h"

#include <QApplication>
#include <QComboBox>
#include <QSignalBlocker>

#include "core/comm/comport.h"
#include "ui/base/messagelog.h"
#include "ui/base/portwatcher.h"
#include "ui/base/regkey.h"
#include "ui/base/systemports.h"

PanelBusyState::~PanelBusyState() {
  if (busy_) QApplication::restoreOverrideCursor();
}

void PanelBusyState::setControls(const QList<QWidget*>& controls) {
  controls_.clear();
  for (QWidget* control : controls) controls_.append(control);
}

void PanelBusyState::enableControls(bool enabled) {
  for (const QPointer<QWidget>& control : controls_) {
    if (control) control->setEnabled(enabled);
  }
}

void PanelBusyState::enter() {
  if (busy_) return;
  busy_ = true;
  focusBefore_ = QApplication::focusWidget();
  QApplication::setOverrideCursor(Qt::BusyCursor);
  enableControls(false);
  focusAfter_ = QApplication::focusWidget();
}

void PanelBusyState::leave() {
  if (!busy_) return;
  busy_ = false;
  enableControls(true);
  QApplication::restoreOverrideCursor();
  if (focusBefore_ && focusBefore_->isEnabled() && QApplication::focusWidget() == focusAfter_)
    focusBefore_->setFocus(Qt::OtherFocusReason);
}

void fillPortCombo(QComboBox& combo, bool withNoPort) {
  // Positions keep their names when the list grows, so the chosen position stays right.
  const int chosen = combo.currentIndex();
  const QSignalBlocker quiet(combo);
  combo.clear();
  if (withNoPort) combo.addItem(kNoPortText);
  installListedPorts();
  const auto ports = comprt::ComPort::ComList::instance();
  const PortWatcher& watcher = PortWatcher::instance();
  for (int i = 1; i <= ports->count(); ++i) {
    combo.addItem(watcher.displayText(ports->name(i)), QString::fromStdString(ports->name(i)));
  }
  if (chosen >= 0 && chosen < combo.count()) combo.setCurrentIndex(chosen);
  // A device's name makes the texts long; none is to be cut off.
  combo.setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

PortChoice::PortChoice(QComboBox& combo, bool withNoPort, std::function<bool()> inUse,
                       std::function<void()> reopen)
    : QObject(&combo),
      combo_(combo),
      withNoPort_(withNoPort),
      inUse_(std::move(inUse)),
      reopen_(std::move(reopen)) {
  connect(&PortWatcher::instance(), &PortWatcher::portsChanged, this,
          [this] { guarded([this] { portsChanged(); }); });
}

PortChoice::PortChoice(QComboBox& combo, std::function<void()> reopen)
    : PortChoice(
          combo, true, [&combo] { return combo.currentIndex() > 0; }, std::move(reopen)) {}

std::string PortChoice::chosenName() const {
  if (combo_.currentIndex() < (withNoPort_ ? 1 : 0)) return {};
  return combo_.currentData().toString().toStdString();
}

void PortChoice::portsChanged() {
  fillPortCombo(combo_, withNoPort_);
  const std::string name = chosenName();
  if (name.empty() || !inUse_()) {
    held_ = {};
    lost_ = false;
    return;
  }
  const PortWatcher& watcher = PortWatcher::instance();
  if (held_.name != name) {
    // The device the panel opened is the one last seen on the port.
    const PortState opened = watcher.lastPresent(name);
    held_ = {name, opened.identity, opened.node};
    lost_ = false;
  }
  const PortState now = watcher.state(name);
  const QString text = QString::fromStdString(name);
  if (!now.present) {
    if (!lost_) logMessage("Порт " + text + " отключён");
    lost_ = true;
    return;
  }
  if (!lost_ && now.node == held_.node) return;
  // Back: plugged in again, possibly between two looks at the ports. A known device is named
  // by its link a moment after its node appears: until then it is not taken for another one.
  if (!held_.identity.empty() && now.identity.empty()) {
    lost_ = true;
    return;
  }
  lost_ = false;
  held_.node = now.node;
  deviceBack(now.identity, QString::fromStdString(now.label));
}

void PortChoice::deviceBack(const std::string& identity, const QString& label) {
  const QString port = "Порт " + QString::fromStdString(held_.name);
  if (held_.identity.empty() || identity.empty()) {
    logMessage(port + " снова доступен, но устройство на нём не опознать: откройте порт сами");
  } else if (identity != held_.identity) {
    logMessage(port + " снова доступен, но к нему подключено другое устройство" +
               (label.isEmpty() ? QString() : ": " + label) + ". Порт не открыт заново");
  } else {
    reopen_();
    logMessage(port + " снова подключён: порт открыт заново");
  }
}

int rememberedPort(const QComboBox& combo, const QString& valueName) {
  int position = 0;
  guarded([&] {
    RegKey key;
    key.create(kProgramKey);
    position = key.readInt(valueName, 0);
  });
  return position >= 0 && position < combo.count() ? position : 0;
}

void rememberPort(const QComboBox& combo, const QString& valueName) {
  const int position = combo.currentIndex();
  guarded([&] {
    RegKey key;
    key.create(kProgramKey);
    key.writeInt(valueName, position);
  });
}

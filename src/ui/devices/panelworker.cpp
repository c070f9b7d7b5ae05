#include "ui/devices/panelworker.h"

#include <QApplication>
#include <QComboBox>

#include "core/comm/comport.h"
#include "ui/base/messagelog.h"
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
  combo.clear();
  if (withNoPort) combo.addItem(kNoPortText);
  installListedPorts();
  const auto& ports = comprt::ComPort::ComList::instance();
  for (int i = 1; i <= ports.count(); ++i) combo.addItem(QString::fromStdString(ports.name(i)));
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

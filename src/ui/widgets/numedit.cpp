#include "ui/widgets/numedit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>

#include "ui/base/messageboxes.h"
#include "ui/widgets/disabledlook.h"

QLabel* StatusPanelLabel(QStatusBar* bar, int index) {
  if (bar == nullptr || index < 0) return nullptr;
  const QList<QLabel*> panels = bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
  return index < panels.size() ? panels[index] : nullptr;
}

// ---- TNumEdit -------------------------------------------------------------------------------

TNumEdit::TNumEdit(QWidget* parent) : QLineEdit(parent) {}

void TNumEdit::SetStatusBar(QStatusBar* bar) {
  statusBar_ = bar;
  RefreshPanel();
}

void TNumEdit::SetStatusPanel(int index) {
  statusPanel_ = index;
  RefreshPanel();
}

void TNumEdit::SetMessage(const QString& message) {
  message_ = message;
  RefreshPanel();
}

void TNumEdit::RefreshPanel() {
  if (QLabel* panel = StatusPanelLabel(statusBar_, statusPanel_))
    panel->setText(hasFocus() ? message_ : QString());
}

void TNumEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  RefreshPanel();
}

void TNumEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  RefreshPanel();
}

// ---- TValueEdit -----------------------------------------------------------------------------

TValueEdit::TValueEdit(QWidget* parent) : TNumEdit(parent) {
  UseButtonFaceWhenDisabled(this);
  // Connected before anyone else, so listeners of textChanged already see the new value.
  connect(this, &QLineEdit::textChanged, this, [this] {
    if (!showing_) FollowText();
  });
}

void TValueEdit::ShowText(const QString& text) {
  showing_ = true;
  setText(text);
  showing_ = false;
}

bool TValueEdit::AcceptText() {
  if (accepting_) return true;
  accepting_ = true;
  // Text the user did not touch is the value's own display; reading it back would round the value.
  const bool ok = !isModified() || TakeText();
  if (!ok) {
    MessageBoxes::error(window(), QStringLiteral("Неправильное значение: \"%1\"").arg(text()));
    // While typing, a valid prefix ("1,5" of "1,5.3") already became the value; the user never
    // accepted it, so the field goes back to the last accepted value.
    RestoreValue();
    setFocus(Qt::OtherFocusReason);
  }
  SaveValue();
  accepting_ = false;
  return ok;
}

void TValueEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // A rejected number keeps the Enter, so a dialog's default button does not fire on it.
      if (!AcceptText()) return;
      break;
    case Qt::Key_Escape:
      RestoreValue();
      break;
    default:
      break;
  }
  TNumEdit::keyPressEvent(event);
}

void TValueEdit::focusInEvent(QFocusEvent* event) {
  TNumEdit::focusInEvent(event);
  SaveValue();
}

void TValueEdit::focusOutEvent(QFocusEvent* event) {
  TNumEdit::focusOutEvent(event);
  // Switching windows, a context menu or our own message box is no leaving of the field; a field
  // that was just disabled has nothing to accept.
  const Qt::FocusReason reason = event->reason();
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || !isEnabled())
    return;
  AcceptText();
}

void TValueEdit::changeEvent(QEvent* event) {
  TNumEdit::changeEvent(event);
  if (event->type() != QEvent::EnabledChange) return;
  if (isEnabled())
    UpdateText();
  else
    ShowText(QString());
}

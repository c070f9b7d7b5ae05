#include "ui/base/messageboxes.h"

#include <exception>
#include <utility>

namespace {

QMessageBox::StandardButton askUser(const MessageBoxes::Request& r) {
  QMessageBox box(r.icon, r.caption, r.text, r.buttons, r.parent);
  if (r.defaultButton != QMessageBox::NoButton) box.setDefaultButton(r.defaultButton);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

MessageBoxes::Answerer& answerer() {
  static MessageBoxes::Answerer current;
  return current;
}

}  // namespace

QMessageBox::StandardButton MessageBoxes::show(const Request& request) {
  return answerer() ? answerer()(request) : askUser(request);
}

QMessageBox::StandardButton MessageBoxes::question(QWidget* parent, const QString& caption,
                                                   const QString& text,
                                                   QMessageBox::StandardButtons buttons) {
  return show({parent, QMessageBox::Warning, caption, text, buttons, QMessageBox::NoButton});
}

void MessageBoxes::error(QWidget* parent, const QString& text) {
  show({parent, QMessageBox::Critical, QStringLiteral("Ошибка"), text, QMessageBox::Ok,
        QMessageBox::Ok});
}

MessageBoxes::Answerer MessageBoxes::setAnswerer(Answerer a) {
  return std::exchange(answerer(), std::move(a));
}

bool saveUnlessRefused(QWidget* dialog, const QString& problem, const std::function<void()>& save) {
  if (!problem.isEmpty()) {
    MessageBoxes::error(dialog, problem);
    return false;
  }
  try {
    save();
  } catch (const std::exception& e) {
    MessageBoxes::error(dialog, QString::fromUtf8(e.what()));
    return false;
  }
  return true;
}

#include "ui/app/rm23input.h"

#include "ui/devices/rm23/rm23frame.h"

Rm23Input::Rm23Input(QWidget* window, std::function<void()> entryAdded)
    : window_(window), entryAdded_(std::move(entryAdded)) {}

void Rm23Input::open(const PackagePtr& package) {
  // A closed dialog may still wait for its deletion; it is not shown again.
  if (!dialog_ || dialog_->isHidden()) {
    dialog_ = new TSpprDlg(window_);
    QObject::connect(dialog_, &TSpprDlg::entryAdded, window_, entryAdded_);
  }
  dialog_->setPackage(package);
  dialog_->show();
  dialog_->activateWindow();
}

void Rm23Input::setPackage(const PackagePtr& package) {
  if (dialog_) dialog_->setPackage(package);
}

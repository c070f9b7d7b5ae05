#include "ui/widgets/discombobox.h"

#include <QEvent>

#include "ui/widgets/disabledlook.h"

TDisComboBox::TDisComboBox(QWidget* parent) : QComboBox(parent) {
  UseButtonFaceWhenDisabled(this);
  // The combo box selects the first item put into an empty list; while disabled it must not show.
  connect(model(), &QAbstractItemModel::rowsInserted, this, [this] {
    if (!isEnabled()) setCurrentIndex(-1);
  });
}

int TDisComboBox::GetItemIndex() const { return isEnabled() ? currentIndex() : remembered_; }

void TDisComboBox::SetItemIndex(int index) {
  if (isEnabled())
    setCurrentIndex(index);
  else
    remembered_ = index;
}

void TDisComboBox::changeEvent(QEvent* event) {
  QComboBox::changeEvent(event);
  if (event->type() != QEvent::EnabledChange) return;
  if (isEnabled()) {
    setCurrentIndex(remembered_);
  } else {
    remembered_ = currentIndex();
    setCurrentIndex(-1);
  }
}

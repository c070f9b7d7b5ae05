#include "ui/graphs/tabbuttons.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QPushButton>

TabButtons::TabButtons(int columns, QWidget* parent)
    : QWidget(parent),
      columns_(columns),
      layout_(new QGridLayout(this)),
      group_(new QButtonGroup(this)) {
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(2);
  group_->setExclusive(true);
  connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) emit currentChanged(id);
  });
}

void TabButtons::addTab(const QString& caption) {
  const int index = count();
  auto* button = new QPushButton(caption, this);
  button->setCheckable(true);
  button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  layout_->addWidget(button, index / columns_, index % columns_);
  group_->addButton(button, index);
  if (index == 0) button->setChecked(true);
}

int TabButtons::count() const { return static_cast<int>(group_->buttons().size()); }

QString TabButtons::tabText(int index) const {
  const QPushButton* b = button(index);
  return b ? b->text() : QString();
}

QPushButton* TabButtons::button(int index) const {
  return static_cast<QPushButton*>(group_->button(index));
}

int TabButtons::currentIndex() const { return group_->checkedId(); }

void TabButtons::setCurrentIndex(int index) {
  if (QPushButton* b = button(index)) b->setChecked(true);
}

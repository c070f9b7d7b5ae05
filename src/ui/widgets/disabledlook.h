#pragma once

#include <QPalette>
#include <QWidget>

// A disabled field shows the button-face colour instead of the window colour, so it reads as
// "not in use" at a glance; the enabled look stays the theme's own.
inline void UseButtonFaceWhenDisabled(QWidget* widget) {
  QPalette pal = widget->palette();
  pal.setBrush(QPalette::Disabled, QPalette::Base, pal.brush(QPalette::Disabled, QPalette::Button));
  widget->setPalette(pal);
}

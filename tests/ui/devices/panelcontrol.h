#pragma once
// Tests reach a panel's private controls by their object names.

#include <gtest/gtest.h>

#include <QWidget>

template <class W>
W* control(const QWidget* panel, const char* objectName) {
  W* found = panel->findChild<W*>(objectName);
  if (!found) ADD_FAILURE() << "no control named " << objectName;
  return found;
}

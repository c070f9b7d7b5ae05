#pragma once
// Device panel tests reach a panel's controls, which the panel keeps private, by their object
// names.

#include <gtest/gtest.h>

#include <QWidget>

// The child of `panel` named `objectName`; a missing one fails the test and gives null.
template <class W>
W* control(const QWidget* panel, const char* objectName) {
  W* found = panel->findChild<W*>(objectName);
  if (!found) ADD_FAILURE() << "no control named " << objectName;
  return found;
}

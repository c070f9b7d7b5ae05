#pragma once
// A panel's control by its object name: panels keep their controls private, tests find them.

#include <gtest/gtest.h>

#include <QWidget>

template <class W>
W* control(const QWidget* panel, const char* objectName) {
  W* found = panel->findChild<W*>(objectName);
  if (!found) ADD_FAILURE() << "no control " << objectName;
  return found;
}

#pragma once
// A field's caption: its shortcut and screen readers lead to the field it names.

#include <QLabel>
#include <QString>
#include <QWidget>

inline QLabel* labelFor(const QString& text, QWidget* field, QWidget* parent = nullptr) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(field);
  return label;
}

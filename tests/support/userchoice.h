#pragma once
// Choosing a combo-box item as a user does: the selection changes and the panel's handler runs
// (programmatic selections do not run the handlers).

#include <QComboBox>
#include <QString>

inline void chooseItem(QComboBox* combo, int position) {
  combo->setCurrentIndex(position);
  emit combo->activated(position);
}

inline void chooseItem(QComboBox* combo, const char* text) {
  chooseItem(combo, combo->findText(QString::fromUtf8(text)));
}

#include "ui/app/about.h"

// TD_VERSION is the project version from CMake; the build stamp is the compiler's date and time
// of this file.
#ifndef TD_VERSION
#define TD_VERSION ""
#endif

QString aboutText() {
  const QString version = QStringLiteral(TD_VERSION);
  const QString date = QStringLiteral(__DATE__);
  QString text = "ТайдМарк-Duvara";
  text += "\nВерсия: ";
  if (!version.isEmpty()) text += version + " ";
  text += "\n" + date + "\n" + QStringLiteral(__TIME__);
  text += "\n\n© " + date.right(4) + " Орбитон";
  return text;
}

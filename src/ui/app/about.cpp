#include "ui/app/about.h"

#include <QDate>

// TD_VERSION is the project version from CMake; the build stamp is the compiler's date and time
// of this file.
#ifndef TD_VERSION
#define TD_VERSION ""
#endif

namespace {

// The compiler writes the month in English and pads a one-digit day with a blank.
QDate stampDate(const char* stamp) {
  return QLocale::c().toDate(QString::fromLatin1(stamp).simplified(), QStringLiteral("MMM d yyyy"));
}

}  // namespace

QString buildDateText(const char* stamp, const QLocale& locale) {
  const QDate date = stampDate(stamp);
  return date.isValid() ? locale.toString(date, QLocale::ShortFormat) : QString::fromLatin1(stamp);
}

QString aboutText() {
  const QString version = QStringLiteral(TD_VERSION);
  const QString year = QString::fromLatin1(__DATE__).right(4);
  QString text = "ТайдМарк-Duvara";
  text += "\nВерсия: ";
  if (!version.isEmpty()) text += version + " ";
  text += "\n" + buildDateText(__DATE__, QLocale()) + "\n" + QStringLiteral(__TIME__);
  text += "\n\n© " + year + " Орбитон";
  return text;
}

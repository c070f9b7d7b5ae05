#include "ui/app/systemlocale.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>
#include <clocale>
#include <stdexcept>

#include "core/base/localehook.h"

namespace {

QDate dateOf(const SystemTime& t) {
  const QDate d(t.year, t.month, t.day);
  if (!isValidSystemTime(t) || !d.isValid()) throw std::invalid_argument("invalid date");
  return d;
}

}  // namespace

QString shortTimeFormat(const QLocale& locale, bool withSeconds) {
  QString format = locale.timeFormat(QLocale::ShortFormat);
  const bool hasSeconds = format.contains('s');
  if (withSeconds && !hasSeconds) format.replace("mm", "mm:ss");
  if (!withSeconds && hasSeconds) format.remove(QRegularExpression("[^Hhmap ]?s+(\\.z+)?"));
  return format;
}

void installSystemLocaleHook() { installLocaleHook(QLocale::system()); }

void installLocaleHook(const QLocale& locale) {
  // Qt took the C library's locale from the environment. The core writes and reads numbers with
  // the C library and applies the hook's separator itself, so the C library keeps the C notation:
  // otherwise a Russian environment would write "0,5" where the parsers expect "0.5".
  std::setlocale(LC_NUMERIC, "C");
  const QString point = locale.decimalPoint();
  LocaleHook hook;
  // The core parses with one byte; a separator outside ASCII falls back to the point.
  hook.decimalSeparator =
      point.size() == 1 && point[0].unicode() < 0x80 ? point[0].toLatin1() : '.';
  hook.formatDate = [locale](const SystemTime& t) {
    return locale.toString(dateOf(t), QLocale::ShortFormat).toStdString();
  };
  hook.formatTime = [locale](const SystemTime& t) {
    dateOf(t);
    return locale.toString(QTime(t.hour, t.minute), shortTimeFormat(locale, false)).toStdString();
  };
  setLocaleHook(std::move(hook));
}

#include "ui/app/systemlocale.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QString>
#include <QTime>
#include <clocale>

// Package captions show the time without seconds and console lines with them, whatever the
// locale's own short format has.
TEST(SystemLocale, ShortTimeFormatWithAndWithoutSeconds) {
  const QTime t(9, 5, 7);
  for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Russian, QLocale::Russia),
                                QLocale(QLocale::English, QLocale::UnitedStates)}) {
    SCOPED_TRACE(locale.name().toStdString());
    const QString without = locale.toString(t, shortTimeFormat(locale, false));
    const QString with = locale.toString(t, shortTimeFormat(locale, true));
    EXPECT_TRUE(without.contains("05")) << without.toStdString();
    EXPECT_FALSE(without.contains("07")) << without.toStdString();
    EXPECT_TRUE(with.contains("05:07")) << with.toStdString();
  }
  EXPECT_EQ(shortTimeFormat(QLocale::c(), false), "HH:mm");
}

// Qt hands the environment's locale to the C library; the core's number texts need the C notation.
TEST(SystemLocale, HookKeepsTheCLibraryNumbersInCNotation) {
  std::setlocale(LC_NUMERIC, "C.UTF-8");
  installLocaleHook(QLocale(QLocale::Russian, QLocale::Russia));
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  installLocaleHook(QLocale::c());
}

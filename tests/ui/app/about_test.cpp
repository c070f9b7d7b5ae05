#include "ui/app/about.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QStringList>

TEST(About, BuildDateInTheUserLocale) {
  const QLocale russian(QLocale::Russian, QLocale::Russia);
  const QLocale american(QLocale::English, QLocale::UnitedStates);
  struct Case {
    const char* stamp;
    QLocale locale;
    const char* shown;
  };
  const Case cases[] = {
      {"Dec 10 2026", russian, "10.12.2026"},
      {"Jan  5 2027", russian, "05.01.2027"},  // the compiler's blank-padded day
      {"Dec 10 2026", american, "12/10/26"},
      {"Xyz 10 2026", russian, "Xyz 10 2026"},  // unreadable: as it came
  };
  for (const Case& c : cases)
    EXPECT_EQ(buildDateText(c.stamp, c.locale), QString::fromUtf8(c.shown)) << c.stamp;
}

TEST(About, TextShowsTheBuildDateOfTheProgramLocale) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  const QStringList lines = aboutText().split('\n');
  QLocale::setDefault(saved);
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines[2], buildDateText(__DATE__, QLocale(QLocale::Russian, QLocale::Russia)));
  EXPECT_NE(lines[2], QString::fromLatin1(__DATE__));
  EXPECT_TRUE(lines[2].contains(QString::fromLatin1(__DATE__).right(4))) << lines[2].toStdString();
}

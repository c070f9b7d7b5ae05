#pragma once

#include <QLocale>
#include <QString>

// The About box text: product, version of this build, build date and time, maker.
QString aboutText();
// A compiler date stamp ("Dec 10 2026", "Jan  5 2027") in the short date format of `locale`;
// the stamp as it is when it cannot be read.
QString buildDateText(const char* stamp, const QLocale& locale);

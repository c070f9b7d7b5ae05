#pragma once

// Hands the user's decimal separator and short date and time formats (the system locale) to the
// core, which formats package names and numbers with them. The C library's numbers stay in the C
// notation.
void installSystemLocaleHook();

class QLocale;
class QString;

// The same with the conventions of a given locale.
void installLocaleHook(const QLocale& locale);

// The locale's short time-of-day format with or without seconds, whichever way the locale
// itself writes it (the C locale's short format has seconds, the Russian one has none).
QString shortTimeFormat(const QLocale& locale, bool withSeconds);

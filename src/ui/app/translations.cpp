#include "ui/app/translations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

void installRussianTranslation(QApplication& app) {
  auto* qt = new QTranslator(&app);
  if (qt->load(QLocale(QLocale::Russian), "qtbase", "_",
               QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(qt);
}

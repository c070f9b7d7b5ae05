#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <clocale>

// Widget tests run without a display, in a fixed locale, with settings in a throw-away folder.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  // The calibration history the windows record goes below the data folder.
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toUtf8());
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale::c());
  std::setlocale(LC_ALL, "C");
  return RUN_ALL_TESTS();
}

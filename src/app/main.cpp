#include <QApplication>
#include <QMainWindow>

#include "app/translations.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Орбитон");
  QApplication::setApplicationName("Duvara");
  installRussianTranslation(app);
  QMainWindow window;
  window.setWindowTitle("TidemarkService");
  window.resize(900, 600);
  window.show();
  return app.exec();
}

// The yardstick of the start-up benchmarks: about the least a Qt program with a chart does, a
// main window holding an empty QCustomPlot. It is shown and left the way tdservice leaves with
// TDSERVICE_QUIT_WHEN_SHOWN set, so the two are timed alike.

#include <qcustomplot.h>

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setCentralWidget(new QCustomPlot(&window));
  window.show();
  QTimer::singleShot(0, &app, [] { QApplication::exit(0); });
  return app.exec();
}

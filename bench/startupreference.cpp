// The yardstick of the start-up benchmarks: about the least a Qt program with a chart does, a
// main window holding an empty QCustomPlot. Once its first frame is painted it says "shown" on
// the standard output and leaves, the way tdservice does with TDSERVICE_QUIT_WHEN_SHOWN set, so
// the two are timed alike.

#include <qcustomplot.h>

#include <QApplication>
#include <QMainWindow>

#include "ui/base/quitwhenpainted.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setCentralWidget(new QCustomPlot(&window));
  quitWhenPainted();
  window.show();
  return app.exec();
}

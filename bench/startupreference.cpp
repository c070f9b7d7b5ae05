// The yardstick of the start-up benchmarks: about the least a Qt program with a chart does, a
// main window holding an empty QCustomPlot. Once its first frame is painted it says "shown" on
// the standard output and leaves, the way tdservice does with TDSERVICE_QUIT_WHEN_SHOWN set, so
// the two are timed alike.

#include <qcustomplot.h>

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>

namespace {

class FirstPaint : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    qApp->removeEventFilter(this);
    QTimer::singleShot(0, qApp, [] {
      std::fputs("shown\n", stdout);
      std::fflush(stdout);
      QApplication::exit(0);
    });
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setCentralWidget(new QCustomPlot(&window));
  qApp->installEventFilter(new FirstPaint(&window));
  window.show();
  return app.exec();
}

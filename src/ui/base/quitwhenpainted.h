#pragma once
// For measuring a start-up: once the program's first frame is painted (and the work queued
// before it done), "shown" goes to the standard output and the event loop ends. Leaving the event
// loop closes no window, so an open document asks nothing and the settings stay as they were.
// The start-up benchmark's reference window uses it too, so both are timed alike.

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <cstdio>

inline void quitWhenPainted() {
  class FirstPaint : public QObject {
   public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() != QEvent::Paint) return false;
      qApp->removeEventFilter(this);
      // The first widget painted starts the frame; queued, the rest of it is painted first.
      QTimer::singleShot(0, qApp, [] {
        std::fputs("shown\n", stdout);
        std::fflush(stdout);
        QApplication::exit(0);
      });
      return false;
    }
  };
  qApp->installEventFilter(new FirstPaint(qApp));
}

#pragma once
// Device panel tests wait for their workers' results by letting the test's own event loop run
// until a condition holds; production code never waits like this.

#include <QCoreApplication>
#include <QDeadlineTimer>

// Processes events until `done()` holds or `timeoutMs` passed; returns done().
template <class Done>
bool waitUntil(Done done, int timeoutMs = 8000) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return done();
}

#include "ui/base/queuednotifier.h"

#include <QMetaObject>

#include "ui/base/messagelog.h"

QueueNotifier queuedNotifier(QObject* panel, std::function<void(int message, int word)> handler) {
  return [panel, handler = std::move(handler)](int message, int word) {
    QMetaObject::invokeMethod(
        panel, [handler, message, word] { guarded([&] { handler(message, word); }); },
        Qt::QueuedConnection);
  };
}

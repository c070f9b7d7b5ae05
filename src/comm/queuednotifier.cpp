#include "comm/queuednotifier.h"

#include <QMetaObject>

QueueNotifier queuedNotifier(QObject* panel, std::function<void(int message, int word)> handler) {
  return [panel, handler = std::move(handler)](int message, int word) {
    QMetaObject::invokeMethod(
        panel, [handler, message, word] { handler(message, word); }, Qt::QueuedConnection);
  };
}

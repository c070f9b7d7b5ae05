#include "ui/base/queuednotifier.h"

#include <QMetaObject>

#include "ui/base/messagelog.h"

QueueNotifier queuedNotifier(QObject* panel,
                             std::function<void(QueueMessage message, int word)> handler) {
  return [panel, handler = std::move(handler)](QueueMessage message, int word) {
    QMetaObject::invokeMethod(
        panel, [handler, message, word] { guarded([&] { handler(message, word); }); },
        Qt::QueuedConnection);
  };
}

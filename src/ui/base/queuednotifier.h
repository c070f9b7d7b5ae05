#pragma once
// How a device panel receives its worker's notifications: on the panel's own (UI) thread,
// through a queued call, in the order the worker sent them. Notifications still pending when
// the panel is destroyed are dropped with it.

#include <QObject>
#include <functional>

#include "core/comm/queuethread.h"

// A notifier for QueueThread::start that re-posts every notification to `panel`'s thread and
// hands it to `handler` there, inside the error guard.
QueueNotifier queuedNotifier(QObject* panel,
                             std::function<void(QueueMessage message, int word)> handler);

// Starts `worker` for `panel`. Each finished item is handed to `onItem` on the UI thread
// (ok = word 1: succeeded or skipped) and then consumed; QM_INDICATOR words go to
// `onIndicator`. Both run inside the application's error guard: whatever they throw becomes a
// console line and never reaches Qt.
template <class Common>
void startWorker(QObject* panel, QueueThread<Common>& worker,
                 std::function<void(typename QueueThread<Common>::QueueItem& item, bool ok)> onItem,
                 std::function<void(int word)> onIndicator = {}) {
  worker.start(
      queuedNotifier(panel, [&worker, onItem = std::move(onItem),
                             onIndicator = std::move(onIndicator)](QueueMessage message, int word) {
        if (message == QM_ITEM) {
          worker.consume([&](auto& item) { onItem(item, word != 0); });
        } else if (message == QM_INDICATOR && onIndicator) {
          onIndicator(word);
        }
      }));
}

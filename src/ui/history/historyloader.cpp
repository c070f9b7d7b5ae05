#include "ui/history/historyloader.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>
#include <exception>

#include "ui/history/historysettings.h"

HistoryResult queryHistory(const std::string& location, const HistoryFilter& filter) {
  HistoryResult result;
  try {
    result.events = openHistoryStore(location)->list(filter);
  } catch (const std::exception& e) {
    // HistoryError says which store failed and why; anything else still must not end the thread.
    result.error = QString::fromUtf8(e.what());
  }
  return result;
}

HistoryLoader pooledHistoryLoader(std::function<std::string()> location) {
  return [location = std::move(location)](const HistoryFilter& filter, HistoryReply reply) {
    QThreadPool::globalInstance()->start([where = location(), filter, reply] {
      HistoryResult result = queryHistory(where, filter);
      // The application outlives every window, so the answer always has somewhere to go; the
      // reply itself checks whether its window still wants it.
      QMetaObject::invokeMethod(
          QCoreApplication::instance(), [reply, result] { reply(result); }, Qt::QueuedConnection);
    });
  };
}

HistoryLoader settingsHistoryLoader() {
  return pooledHistoryLoader([] { return historyLocation(loadHistorySettings()); });
}

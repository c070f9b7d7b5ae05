#pragma once
// Records the events of the calibration history as they happen, into the store the settings
// choose, without ever making calibration work wait: the store lives on a worker thread of its
// own, opened there on the first event, and the caller only stamps the event and queues it.
//
// A store that cannot be opened or written is told once on the console; its events stay in
// memory and go to the store with the next event after it works again, so none is lost while
// the program runs. A shared database that cannot be reached keeps them in its local outbox, and
// the console says how many arrived once the server answers.

#include <QObject>
#include <QString>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "core/history/historyevent.h"

struct HistoryBatch;
class HistoryWorker;
struct HistoryWorkerState;

class HistoryRecorder : public QObject {
  Q_OBJECT
 public:
  // How long the program's end waits for the events still queued.
  static constexpr std::chrono::seconds kExitWait{5};

  // `location` as openHistoryStore takes it; `storeText` names the store on the console.
  HistoryRecorder(std::string location, QString storeText, QObject* parent = nullptr);
  // Waits up to kExitWait for the queued events; a store still busy then is left to its thread.
  ~HistoryRecorder() override;
  HistoryRecorder(const HistoryRecorder&) = delete;
  HistoryRecorder& operator=(const HistoryRecorder&) = delete;

  // Fills the version, the bench (the protocol's) and the stamp here, and returns at once. An
  // event without a time gets one later than any stamped before.
  void record(HistoryEvent event);
  // The next events go to this store; those still waiting go with them.
  void switchStore(std::string location, QString storeText);
  // Hands over what waits and blocks until the store took it or `wait` passed; true when nothing
  // waits any more.
  bool drain(std::chrono::milliseconds wait);
  // Events kept in memory or on their way to the store.
  size_t waiting() const;

 signals:
  // The worker finished a batch (written or not).
  void batchDone();

 private:
  void send();
  void batchFinished(bool ok);
  // What a shared database's answer tells the console.
  void reportServer(const HistoryBatch& batch);

  std::string location_;
  QString storeText_;
  std::deque<HistoryEvent> pending_;
  size_t inFlight_ = 0;       // events handed to the worker and not yet back
  size_t sent_ = 0;           // batches handed to the worker
  int64_t lastTimeMs_ = 0;    // of the newest event stamped here
  bool failing_ = false;      // the store's failure has been told
  bool unreachable_ = false;  // the shared server's absence has been told
  std::shared_ptr<HistoryWorkerState> state_;
  std::unique_ptr<HistoryWorker> worker_;
};

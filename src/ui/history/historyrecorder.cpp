#include "ui/history/historyrecorder.h"

#include <QCoreApplication>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "core/comm/queuethread.h"
#include "core/history/historystore.h"
#include "core/history/pghistory.h"
#include "ui/base/messagelog.h"
#include "ui/base/queuednotifier.h"
#include "ui/package/toleranceprofiles.h"

// One hand-over to the worker.
struct HistoryBatch {
  std::string location;
  std::vector<HistoryEvent> events;  // in: to record; out: those the store did not take
  size_t delivered = 0;              // events of the outbox that reached the server
  std::string unreachable;           // why the shared server did not answer; empty when it did
};

// What the worker's notifications and the recorder share: the count of batches finished, for a
// bounded wait, and the way to the recorder, cut when the recorder leaves before its worker.
struct HistoryWorkerState {
  std::mutex mutex;
  std::condition_variable finished;
  size_t batches = 0;
  QueueNotifier forward;
};

// Owns the store: it is opened, written and dropped on this thread only.
class HistoryWorker : public QueueThread<HistoryBatch> {
 public:
  ~HistoryWorker() override { stop(); }

 protected:
  void execute(std::int32_t, HistoryBatch& batch) override;

 private:
  // The store reopens after any failure: a file replaced or repaired is then read anew.
  void write(HistoryBatch& batch);

  std::unique_ptr<HistoryStore> store_;
  std::string location_;
  size_t sentBefore_ = 0;  // the store's count of events sent from its outbox, as last told
};

void HistoryWorker::execute(std::int32_t, HistoryBatch& batch) {
  if (!store_ || location_ != batch.location) {
    store_.reset();
    store_ = openHistoryStore(batch.location);  // can throw
    location_ = batch.location;
    sentBefore_ = 0;
  }
  write(batch);
}

void HistoryWorker::write(HistoryBatch& batch) {
  auto next = batch.events.begin();
  try {
    for (; next != batch.events.end(); ++next) store_->record(*next);
  } catch (...) {
    batch.events.erase(batch.events.begin(), next);
    store_.reset();
    throw;
  }
  batch.events.clear();
  auto* shared = dynamic_cast<PgHistoryStore*>(store_.get());
  if (!shared) return;
  // What waits is sent while the server answers, not only with the next connection.
  if (shared->connected() && shared->waiting() > 0) shared->flush();
  batch.delivered = shared->sentFromOutbox() - sentBefore_;
  sentBefore_ = shared->sentFromOutbox();
  if (!shared->connected()) batch.unreachable = shared->lastError();
}

HistoryRecorder::HistoryRecorder(std::string location, QString storeText, QObject* parent)
    : QObject(parent),
      location_(std::move(location)),
      storeText_(std::move(storeText)),
      state_(std::make_shared<HistoryWorkerState>()),
      worker_(std::make_unique<HistoryWorker>()) {
  state_->forward = queuedNotifier(this, [this](QueueMessage message, int word) {
    if (message == QM_ITEM) batchFinished(word != 0);
  });
  worker_->start([state = state_](QueueMessage message, int word) {
    const std::lock_guard lock(state->mutex);
    if (message == QM_ITEM) {
      ++state->batches;
      state->finished.notify_all();
    }
    if (state->forward) state->forward(message, word);
  });
}

HistoryRecorder::~HistoryRecorder() {
  drain(kExitWait);
  {
    const std::lock_guard lock(state_->mutex);
    state_->forward = nullptr;
  }
  // A store that still blocks keeps its thread until the program ends; joining it would make
  // the program's end wait for it.
  if (inFlight_ != 0) (void)worker_.release();
}

void HistoryRecorder::record(HistoryEvent event) {
  if (event.version.empty()) event.version = TD_VERSION;
  if (event.bench.empty()) event.bench = loadProtocolSigning().bench;
  const bool timed = event.timeMs != 0;
  stampEvent(event);
  // The history sorts by time: events of the same millisecond (a summary and the save that
  // brought it) get consecutive ones, so they keep the order they happened in.
  if (!timed && event.timeMs <= lastTimeMs_) event.timeMs = lastTimeMs_ + 1;
  lastTimeMs_ = std::max(lastTimeMs_, event.timeMs);
  pending_.push_back(std::move(event));
  send();
}

void HistoryRecorder::switchStore(std::string location, QString storeText) {
  location_ = std::move(location);
  storeText_ = std::move(storeText);
  failing_ = false;
  unreachable_ = false;
  send();
}

bool HistoryRecorder::drain(std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  send();
  while (inFlight_ != 0) {
    std::unique_lock lock(state_->mutex);
    if (!state_->finished.wait_until(lock, deadline, [this] { return state_->batches == sent_; }))
      break;
    lock.unlock();
    // The batch's outcome waits among this object's queued calls: taken now, and with it the
    // next batch goes.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  }
  return waiting() == 0;
}

size_t HistoryRecorder::waiting() const { return pending_.size() + inFlight_; }

// One batch at a time: what comes meanwhile waits here and goes with the next.
void HistoryRecorder::send() {
  if (inFlight_ != 0 || pending_.empty()) return;
  HistoryBatch& batch = worker_->nextItem().data;
  batch = HistoryBatch{};
  batch.location = location_;
  batch.events.assign(pending_.begin(), pending_.end());
  inFlight_ = pending_.size();
  pending_.clear();
  ++sent_;
  worker_->push(0, 0);
}

// A failed batch is not sent again until the next event: a store that stays broken costs one
// attempt per event, never a loop.
void HistoryRecorder::batchFinished(bool ok) {
  HistoryBatch batch;
  std::string failure;
  worker_->consume([&](QueueThread<HistoryBatch>::QueueItem& item) {
    batch = std::move(item.data);
    failure = item.message;
  });
  inFlight_ = 0;
  pending_.insert(pending_.begin(), batch.events.begin(), batch.events.end());
  if (!ok) {
    if (!failing_)
      logMessage(QString("Журнал калибровок %1 недоступен: %2. События сохраняются в памяти и "
                         "будут записаны, когда журнал заработает; калибровку можно продолжать")
                     .arg(storeText_, QString::fromStdString(failure)));
    failing_ = true;
  } else {
    if (failing_) logMessage(QString("Журнал калибровок %1 снова записывается").arg(storeText_));
    failing_ = false;
    reportServer(batch);
    send();
  }
  emit batchDone();
}

void HistoryRecorder::reportServer(const HistoryBatch& batch) {
  if (!batch.unreachable.empty() && !unreachable_)
    logMessage(QString("Сервер журнала калибровок %1 недоступен: %2. События ждут в очереди на "
                       "этом компьютере и будут переданы, когда сервер ответит; калибровку можно "
                       "продолжать")
                   .arg(storeText_, QString::fromStdString(batch.unreachable)));
  unreachable_ = !batch.unreachable.empty();
  if (batch.delivered > 0)
    logMessage(QString("На сервер журнала калибровок %1 переданы события, ждавшие связи: %2")
                   .arg(storeText_)
                   .arg(batch.delivered));
}

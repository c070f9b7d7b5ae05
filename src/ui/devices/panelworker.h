#pragma once
// What every device panel shares: the busy state while a command is pending, the serial port
// choice kept across program runs, and the path of commands to the panel's worker and of their
// results back to the panel.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "core/document/devicebase.h"
#include "ui/base/queuednotifier.h"

class QComboBox;

// While a command is pending the panel's command controls are disabled and the application shows
// the busy cursor. Entering remembers the control that had the focus and the one Qt moved it to
// when the controls were disabled; leaving gives the focus back to the first if it still rests on
// the second, so the user's place survives the command.
class PanelBusyState {
 public:
  PanelBusyState() = default;
  PanelBusyState(const PanelBusyState&) = delete;
  PanelBusyState& operator=(const PanelBusyState&) = delete;
  // Restores the cursor of a panel destroyed while busy.
  ~PanelBusyState();

  // The controls disabled on entering and enabled again on leaving.
  void setControls(const QList<QWidget*>& controls);

  // Both do nothing when the panel already is in that state, so the cursor is set once and
  // restored once.
  void enter();
  void leave();
  bool isBusy() const { return busy_; }

 private:
  void enableControls(bool enabled);

  QList<QPointer<QWidget>> controls_;
  QPointer<QWidget> focusBefore_;
  QPointer<QWidget> focusAfter_;
  bool busy_ = false;
};

// What a panel's device hears from it: each read and write the panel completed.
class PanelExchanges {
 public:
  using Sink = std::function<void(DeviceExchange exchange, const WriteCheck* check)>;
  void setExchangeSink(Sink sink) { sink_ = std::move(sink); }

 protected:
  // Called once the panel shows the values read, or after a write with its check (null when the
  // device was not read back).
  void exchangeCompleted(DeviceExchange exchange, const WriteCheck* check = nullptr) const {
    if (sink_) sink_(exchange, check);
  }

 private:
  Sink sink_;
};

// The port selectors of the panels list "-------" (no port) first, so a position is the 1-based
// index of the port list that the workers take, 0 meaning none.
inline constexpr char kNoPortText[] = "-------";

// Fills `combo` with "-------" (when `withNoPort`) and the ports of the port list, each shown by
// its name and, when known, the device behind it. The port chosen before stays chosen.
void fillPortCombo(QComboBox& combo, bool withNoPort);

// A panel's port selector while ports come and go: refilled whenever the port list or what is
// known of its ports changes, and watching the port the panel holds open. When that port vanishes
// the console says so; when it comes back, the panel opens it again by itself only if it is
// recognisably the same device (by-id link name, or USB ids with serial number). A device that
// cannot be recognised (a pseudo-terminal, a built-in port, an adapter without serial number) is
// left to the user: another transducer on the same path must not get the commands meant for the
// first.
class PortChoice : public QObject {
 public:
  // `inUse` tells whether the panel holds the chosen port open; `reopen` opens it again.
  PortChoice(QComboBox& combo, bool withNoPort, std::function<bool()> inUse,
             std::function<void()> reopen);
  // For a selector that starts with "-------" and opens the port it is set to: a chosen port is
  // a port in use.
  PortChoice(QComboBox& combo, std::function<void()> reopen);

 private:
  struct Device {
    std::string name;
    std::string identity;
    std::string node;
  };

  std::string chosenName() const;
  void portsChanged();
  void deviceBack(const std::string& identity, const QString& label);

  QComboBox& combo_;
  bool withNoPort_;
  std::function<bool()> inUse_;
  std::function<void()> reopen_;
  Device held_;
  bool lost_ = false;
};

// The position remembered in `valueName` under the program's settings key, or 0 when there is
// none, it is not a position of `combo`, or the settings cannot be read (that is logged).
int rememberedPort(const QComboBox& combo, const QString& valueName);

// Remembers the position of `combo` in `valueName`; a settings failure is logged, never thrown,
// since panels call this while they are destroyed.
void rememberPort(const QComboBox& combo, const QString& valueName);

// A panel's worker thread together with its busy state: commands go out through push(), and each
// result comes back to the panel's handler on the panel's thread, inside the error guard.
template <class Thread>
class PanelWorker {
 public:
  using Item = typename Thread::QueueItem;
  using Common = decltype(Item::data);
  using ResultHandler = std::function<void(Item& item, bool ok)>;

  // `threadArgs` go to the worker's constructor (a shortened pause for tests, for example).
  template <class... ThreadArgs>
  explicit PanelWorker(PanelBusyState& busy, ThreadArgs&&... threadArgs)
      : busy_(busy), thread_(std::forward<ThreadArgs>(threadArgs)...) {}
  PanelWorker(const PanelWorker&) = delete;
  PanelWorker& operator=(const PanelWorker&) = delete;

  // Starts the worker for `panel`. Before a result reaches `onResult` the panel leaves the busy
  // state when that result was the last command pending (background items do not count).
  void start(QObject* panel, ResultHandler onResult,
             std::function<void(int word)> onIndicator = {}) {
    startWorker<Common>(
        panel, thread_,
        [this, onResult = std::move(onResult)](Item& item, bool ok) {
          const int others = thread_.busyCount() - ((item.flags & QF_BACKGROUND) ? 0 : 1);
          if (others <= 0) busy_.leave();
          onResult(item, ok);
        },
        std::move(onIndicator));
  }

  // Hands `data` to the worker as a command of `type`; the panel is busy until its result. A
  // refused push throws ("Queue is not empty", "Queue overflow") and leaves the panel as it was;
  // a background item, or one dropped by QF_DROP, does not make it busy.
  void push(std::int32_t type, const Common& data, std::uint32_t flags = 0) {  // can throw
    const int busyBefore = thread_.busyCount();
    thread_.nextItem().data = data;
    thread_.push(type, flags);
    if (thread_.busyCount() > busyBefore) busy_.enter();
  }

  // Runs what is still queued and ends the worker; its port closes with it. Results not yet
  // handed to the panel are dropped.
  void stop() { thread_.stop(); }

  Thread& thread() { return thread_; }

 private:
  PanelBusyState& busy_;
  Thread thread_;
};

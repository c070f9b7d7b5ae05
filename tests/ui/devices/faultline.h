#pragma once
// Line faults for the device panel tests: the text a vanished port is reported with, the options
// that make tdservice-sim hang up and come back under a fixed link, a check that the event loop
// kept turning while a worker waited on its port, and a fixture that collects the console.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/comm/comport.h"
#include "support/simprocess.h"
#include "ui/base/messagelog.h"
#include "ui/base/portwatcher.h"
#include "ui/base/regkey.h"
#include "ui/devices/panelwait.h"

inline const char* const kHangUpText =
    "System Error.  Code: 5.\r\nСвязь с портом потеряна: устройство отключено. Откройте порт "
    "заново";

// A simulator behind a symbolic link: it hangs up at the first request it would answer and comes
// back on a new pseudo-terminal, which the link then names. The link goes with this object.
class FaultLink {
 public:
  explicit FaultLink(const std::string& name)
      : path_(::testing::TempDir() + "tdsim-" + std::to_string(::getpid()) + "-" + name) {}
  ~FaultLink() { std::filesystem::remove(path_); }
  FaultLink(const FaultLink&) = delete;
  FaultLink& operator=(const FaultLink&) = delete;

  const std::string& path() const { return path_; }
  std::vector<std::string> options(int returnMs = 300) const {
    return {"--hangup-after=0", "--return-after=" + std::to_string(returnMs), "--link=" + path_};
  }
  // Waits until the link names another slave than `first`: the device is back.
  bool waitReturned(const std::string& first) const {
    return waitUntil([&] {
      std::error_code error;
      const auto target = std::filesystem::read_symlink(path_, error);
      return !error && target != first;
    });
  }

 private:
  std::string path_;
};

// The link's port watched as the program watches the machine's ports, the only port of
// TDSERVICE_PORTS; the by-id folder is the test's own, linked the way the system names a USB
// adapter.
class WatchedLink {
 public:
  explicit WatchedLink(const FaultLink& link) : link_(link) {
    setenv("TDSERVICE_PORTS", link.path().c_str(), 1);
  }
  ~WatchedLink() {
    PortWatcher::instance().stop();
    unsetenv("TDSERVICE_PORTS");
  }
  WatchedLink(const WatchedLink&) = delete;
  WatchedLink& operator=(const WatchedLink&) = delete;

  // Away long enough for the watcher to see the port gone before it returns.
  static constexpr int kReturnMs = PortWatcher::kSettleMs * 10;

  void start() {
    const QString folder =
        QString::fromStdString(std::filesystem::path(link_.path()).parent_path());
    PortWatcher::instance().start(
        {{folder, byId_.path()}, byId_.path(), [] { return std::vector<SystemPort>{}; }});
  }

  // Names the device the link now leads to as the system would, in place of the one named before.
  void name(const std::string& deviceName) {
    for (const auto& entry : std::filesystem::directory_iterator(byId_.path().toStdString()))
      std::filesystem::remove(entry.path());
    std::filesystem::create_symlink(std::filesystem::read_symlink(link_.path()),
                                    byId_.path().toStdString() + "/" + deviceName);
  }

 private:
  const FaultLink& link_;
  QTemporaryDir byId_;
};

// A fast timer on the user-interface thread and the longest time it went without a tick. A
// handler that waited there on the port would stop it for a whole time-out (1.5 s and more for a
// silent device); a responsive loop ticks every 10 ms. The click's own work may hold the loop for
// a moment (several hundred milliseconds under the sanitizers on a loaded machine), so only a
// stall of a second or more counts.
class UiPulse {
 public:
  UiPulse() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    timer_.start(10);
    clock_.start();
  }
  void expectResponsive() {
    tick();
    EXPECT_LT(longestGap_, 1000) << "the event loop stood still for " << longestGap_ << " ms of "
                                 << clock_.elapsed() << " ms";
  }

 private:
  void tick() {
    const qint64 now = clock_.elapsed();
    longestGap_ = std::max(longestGap_, now - lastTick_);
    lastTick_ = now;
  }

  QTimer timer_;
  QElapsedTimer clock_;
  qint64 lastTick_ = 0;
  qint64 longestGap_ = 0;
};

// A panel test against one simulator whose console lines are collected.
class FaultPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setMessageSink([this](const QString& text) { console << text; });
  }
  void TearDown() override { setMessageSink({}); }

  // Starts tdservice-sim with `args` (the mode first) and makes `port`, or the simulator's own
  // path when empty, the only port; the panel's remembered position `portKey` is `remembered`.
  void startSim(std::vector<std::string> args, const std::string& port, const char* portKey,
                int remembered) {
    sim = std::make_unique<SimProcess>(args);
    comprt::ComPort::ComList::install({port.empty() ? sim->path() : port});
    RegKey key;
    key.create(kProgramKey);
    key.writeInt(portKey, remembered);
  }

  // Clicks and waits until `idle` holds again, the event loop turning all the while; returns
  // the console lines of the command.
  template <class Idle>
  std::string clickAndWait(QPushButton* button, Idle idle) {
    console.clear();
    UiPulse pulse;
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(waitUntil(idle, 15000));
    pulse.expectResponsive();
    return console.join('\n').toStdString();
  }

  std::unique_ptr<SimProcess> sim;
  QStringList console;
};

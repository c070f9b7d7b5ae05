#pragma once
// The exchange monitor: every frame on every open port as it happens, decoded. It lives beside
// the panels, below them in the layers, so that each panel and the main window can open it.
//
// While the window is shown and not paused it listens to the frame tap; a timer takes what the
// workers handed over every 100 ms and appends it to the model in one batch. The history keeps
// the newest kHistoryLimit frames.

#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "core/comm/frametap.h"
#include "core/devices/exchangelines.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

// The frames of one port and one family as rows, oldest first. The model keeps at most `limit`
// frames; the filter is its own, so that the oldest frames giving way and new ones arriving cost
// only what they touch (a proxy model would re-map all rows on every batch).
class ExchangeModel : public QAbstractTableModel {
 public:
  explicit ExchangeModel(std::size_t limit, QObject* parent = nullptr);

  // Appends the lines; the oldest give way when the limit is passed.
  void append(std::vector<ExchangeLine> lines);
  void clear();
  // An empty port or FrameFamily::unknown takes all.
  void setFilter(const std::string& port, comprt::FrameFamily family);
  const ExchangeLine& line(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  bool accepts(const comprt::ExchangeFrame& frame) const;
  void dropOldest(std::size_t count);

  std::size_t limit_;
  std::deque<ExchangeLine> lines_;
  std::uint64_t firstNumber_ = 0;    // the number of lines_.front(), counted since the start
  std::deque<std::uint64_t> shown_;  // numbers of the lines the filter takes
  std::string port_;
  comprt::FrameFamily family_ = comprt::FrameFamily::unknown;
};

class ExchangeMonitor : public QWidget {
 public:
  static constexpr std::size_t kHistoryLimit = 100000;
  static constexpr int kRefreshMs = 100;

  using ChooseSaveFile = std::function<QString(QWidget* parent)>;  // "" when cancelled

  explicit ExchangeMonitor(QWidget* parent = nullptr, std::size_t historyLimit = kHistoryLimit);
  ~ExchangeMonitor() override;

  // Shows the one monitor of the program, created on first use as a window of `from`'s window.
  static ExchangeMonitor* open(QWidget* from);

  // Takes the frames waiting in the tap into the view (what the timer does).
  void refresh();
  // Writes the rows the filter shows: CSV when the name ends in .csv, text otherwise.
  void saveTo(const QString& path);  // can throw
  // The selected rows as text lines, as Ctrl+C copies them.
  QString selectedText() const;
  void setSaveDialog(ChooseSaveFile choose);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void buildControls();
  void connectHandlers();
  // The window's place and the column layout, kept in the program's settings.
  void restoreLayout();
  void storeLayout();
  void listen(bool on);
  void pauseToggled(bool paused);
  void clearRows();
  void copySelection();
  void saveChosen();
  void addPortChoice(const std::string& port);
  void applyFilter();
  void showDropped();

  QComboBox* cbPort;
  QComboBox* cbFamily;
  QPushButton* bnPause;
  QPushButton* bnClear;
  QPushButton* bnCopy;
  QPushButton* bnSave;
  QLabel* lbDropped;
  QTableView* View;
  QTimer* RefreshTimer;

  ExchangeModel* model_;
  ExchangeDecoder decoder_;
  std::unique_ptr<comprt::FrameListener> listener_;  // while frames are wanted
  std::uint64_t dropped_ = 0;
  ChooseSaveFile chooseSaveFile_;
};

// The button a device panel shows to open the monitor.
QPushButton* exchangeMonitorButton(QWidget* parent);

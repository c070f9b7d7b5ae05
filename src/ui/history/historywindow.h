#pragma once
// The calibration history of one instrument: finding it by serial number or by family and model,
// its events newest first with the details of the selected one, two coefficient sets side by side
// and the drift of each flow section's mean error over successive verifications.
//
// The store is read through a HistoryLoader, never on the UI thread; while a query runs the
// window says so and stays usable, and an answer older than the latest query is dropped.

#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "core/history/historyevent.h"
#include "ui/history/historyloader.h"

class DeviceBase;
class QComboBox;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTableWidget;
class QTabWidget;

// What names an instrument in the history; empty fields match any.
struct HistoryInstrument {
  std::string family;
  std::string model;
  std::string serial;
};

// The instrument of a document's device; all empty without a device.
HistoryInstrument instrumentOf(DeviceBase* device);

class HistoryWindow : public QWidget {
 public:
  // Names the store the loader reads for the user (historyStoreText); asked at every search, as
  // the settings may have changed the store meanwhile.
  using StoreText = std::function<QString()>;
  HistoryWindow(HistoryLoader loader, StoreText storeText, QWidget* parent = nullptr);
  ~HistoryWindow() override;

  // Shows the one history window of the program, reading the store the settings name, created on
  // first use as a window of `from`'s main window; searches for `instrument` when it names one.
  static HistoryWindow* open(QWidget* from, const HistoryInstrument& instrument);

  // Puts the instrument into the search fields and searches.
  void showInstrument(const HistoryInstrument& instrument);
  // Searches with what the fields hold; a message instead when they hold nothing to search by.
  void search();
  // Compares the two selected coefficient sets, the older one first.
  void compareSelected();

  // The events shown, as the list shows them (newest first).
  const std::vector<HistoryEvent>& events() const { return events_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Instrument {
    HistoryInstrument id;
    std::vector<HistoryEvent> events;  // newest first
  };

  void buildControls();
  QWidget* buildSearchRow();
  QWidget* buildEventsPane();
  QWidget* buildComparePage();
  QWidget* buildDriftPage();
  void connectHandlers();
  void restoreLayout();
  void storeLayout();

  // `store` names the store that gave the result; it replaces the one shown only with events.
  void showResult(const HistoryResult& result, const QString& store);
  void showInstruments();
  void chooseInstrument(int row);
  void showEvents(std::vector<HistoryEvent> events);
  void showDetails();
  void showDrift();
  void updateCompareButton();
  std::vector<int> selectedEventRows() const;
  void setStatus(const QString& text, bool failed = false);

  HistoryLoader loader_;
  StoreText storeText_;
  int query_ = 0;  // the number of the latest query; older answers are dropped
  std::vector<Instrument> found_;
  std::vector<HistoryEvent> events_;

  QLineEdit* edSerial;
  QComboBox* cbFamily;
  QLineEdit* edModel;
  QPushButton* bnFind;
  QLabel* lbStatus;
  QLabel* lbStore;
  QSplitter* Splitter;
  QWidget* InstrumentsPane;
  QTableWidget* Instruments;
  QLabel* lbEvents;
  QTableWidget* Events;
  QPushButton* bnCompare;
  QTabWidget* Pages;
  QPlainTextEdit* Details;
  QLabel* lbCompare;
  QTableWidget* Compare;
  QStackedWidget* DriftStack;
  QLabel* lbDrift;
  QCustomPlot* DriftPlot;
};

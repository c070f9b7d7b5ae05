#pragma once
// The RM-2.3 dialog: runs a measurement on the instrument through its own worker, shows the
// supply voltage, the reference time, the pulses and times of two inputs and the temperature, and
// adds the measurement as a new entry of the package the main window hands it. Closing it
// destroys it.

#include <QDialog>
#include <QElapsedTimer>
#include <memory>

#include "core/base/reflinkedptr.h"
#include "core/devices/rm23/rm23panelmodel.h"
#include "core/devices/rm23/rm23thread.h"
#include "ui/devices/panelworker.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTimer;
class TDisComboBox;
class TFloatEdit;
class TIntEdit;

class TSpprDlg : public QDialog {
  Q_OBJECT

 public:
  // Starts the worker, takes the choices of the last dialog and opens the port it used.
  explicit TSpprDlg(QWidget* parent = nullptr);
  // Remembers the port and the other choices, then runs what is still queued and closes the
  // port.
  ~TSpprDlg() override;

  // The package "Добавить в пакет" adds to; none on the device page. It is held weakly: a
  // package the document has dropped since is no longer offered.
  void setPackage(const PackagePtr& package);  // can throw

 signals:
  // A measurement became the package's new last entry: the main window redraws its table.
  void entryAdded();

 private:
  // The controls, named as on the form (also their object names).
  QComboBox* cbPort;
  QLabel* pnU;
  QComboBox* cbChannel1;
  QComboBox* cbChannel2;
  QComboBox* cbMode;
  QLabel* lbCriterion;
  QStackedWidget* criterion;  // holds edTime, edPulses and stBlank
  TFloatEdit* edTime;
  TIntEdit* edPulses;
  QWidget* stBlank;
  TDisComboBox* cbChannel;
  QComboBox* cbTempCh;
  QComboBox* cbTspType;
  QPushButton* bnStart;
  QPushButton* bnStop;
  QLabel* lbRun;        // the time left of a run, or the time since its start
  QProgressBar* pbRun;  // the part done of a run with a set time
  QLabel* pntq;
  QLabel* pnN1;
  QLabel* pnt1;
  QLabel* pnN2;
  TFloatEdit* pnTemp;
  QLabel* lbVolMass;
  TFloatEdit* edVolMass;
  QPushButton* bnToPackage;
  QTimer* Timer;     // the poll of the instrument's state
  QTimer* RunTimer;  // redraws lbRun and pbRun while measuring

  void buildControls();
  QWidget* buildSettingsGroup();
  QWidget* buildDataGroup();
  void connectHandlers();
  void restoreChoices();
  void storeChoices() const;

  void cbPortChange();
  void cbModeChange();
  void cbChannelsChange();
  void cbTempChChange();
  void bnStartClick();
  void bnStopClick();
  void bnToPackageClick();
  void TimerTimer();
  void RunTimerTimer();
  void SpprResult(SpprThread::QueueItem& item, bool ok);

  void pushAll(const std::vector<SpprPush>& items);  // can throw
  void showVoltage(const SpprVoltage& voltage);
  void showReadings();
  void showRun();
  int input1() const;
  int input2() const;
  void updateControls();

  PanelBusyState busy_;
  PanelWorker<SpprThread> worker_{busy_};
  SpprSession session_;
  QElapsedTimer runClock_;  // since the instrument took the start
  std::weak_ptr<PackageBase> package_;
};

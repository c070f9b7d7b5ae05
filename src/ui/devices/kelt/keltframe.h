#pragma once
// The KELT panel: the device page of a KELT document. Its controls hold the transducer's
// identity, output settings and coefficient lines; it reads and writes them over the serial line
// (through the ОМБ-КЕЛТ adapter or direct) and operates the adapter, through its own worker.

#include <QFrame>
#include <chrono>

#include "core/devices/kelt/keltpanelmodel.h"
#include "core/devices/kelt/keltthread.h"
#include "ui/devices/panelworker.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class TDisComboBox;
class TFloatEdit;
class TIntEdit;

class TKeltFrame : public QFrame, public PanelExchanges {
  Q_OBJECT

 public:
  // busyPause: how long a busy adapter is waited out; only tests shorten it.
  explicit TKeltFrame(QWidget* parent = nullptr,
                      std::chrono::milliseconds busyPause = kKeltBusyPause);
  // Remembers the port choice, then runs what is still queued and closes the port.
  ~TKeltFrame() override;

  // Called once, right after construction, with the model index 0..17: starts the worker,
  // selects and opens the remembered port, selects Ду 20 with its pulse weights and lays the
  // panel out for the model.
  void init(int model);
  int model() const { return model_; }

  // What the document's device reads and sets; the controls stay the panel's own.
  KeltPanelValues values() const;
  void setCharacteristic(const double (&A)[5], const double (&B)[5], const double (&F)[4]);
  // The Ду list's pulse weights follow the new Ду.
  void setIdentity(const KeltPanelIdentity& identity);
  // The output type shows and enables its controls; the edits apply their limits.
  void setOutputSettings(const KeltOutputSettings& settings);

 private:
  // The controls, named as on the form (also their object names).
  QComboBox* cbPort;
  QLineEdit* edDevNum;
  QGroupBox* gbAdapter;
  QSlider* tbLevel;
  QPushButton* bnSetLevel;
  QLabel* lbAmp;
  QPushButton* bnGetAmp;
  QPushButton* bnReset;
  QPushButton* bnAuto;
  QGroupBox* gbParameters;
  QComboBox* cbDu;
  QComboBox* cbOutType;
  QLabel* lbWeight;
  TDisComboBox* cbWeight;
  QLabel* lbN;
  TIntEdit* edN;
  TFloatEdit* edTauOut;
  QLabel* lbOffset;
  TIntEdit* edOffset;  // steps of 0.5 °C, shown in degrees
  TFloatEdit* edA[5];
  TFloatEdit* edB[5];
  TFloatEdit* edF[4];  // F12, F23, F34, F45
  QLabel* lbA[5];
  QLabel* lbB[5];
  QLabel* lbF[4];
  QPushButton* bnRead;
  QPushButton* bnWrite;
  QPushButton* bnGetU;
  QPushButton* bnGetT;
  QCheckBox* DisableRestore;
  QCheckBox* DisableThermocorrection;

  void buildControls();
  QWidget* buildAdapterGroup();
  QWidget* buildParameterGroup();
  void connectHandlers();
  void applyLayout();

  // The Ду keeps the pulse-weight position; the output type shows and enables its controls.
  void cbDuChange();
  void cbOutTypeChange();
  void cbPortChange();
  void cbWeightChange();
  void bnSetLevelClick();
  void bnGetAmpClick();
  void bnAutoClick();
  void bnResetClick();
  void bnReadClick();
  void bnWriteClick();
  void bnGetUClick();
  void bnGetTClick();
  void pushExchange(uint8_t command);

  void characteristic(double (&A)[5], double (&B)[5], double (&F)[4]) const;
  void showParameters(const KeltShownParameters& shown);
  void showCoupling(int value);
  void KeltResult(KeltThread::QueueItem& item, bool ok);
  void exchangeResult(const KeltThread::QueueItem& item);

  int model_ = 0;
  PanelBusyState busy_;
  PanelWorker<KeltThread> worker_;
  KeltWriteChecks writeChecks_;
};

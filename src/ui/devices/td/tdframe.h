#pragma once
// The TD panel: the device page of a TD document. It opens the meter's line, reads and writes the
// system parameters, the outputs, both coefficient tables, the network address and the flow
// integrator, polls the current values every 1.5 s (and one raw reading every 200 ms for the
// readings page), and shows the meter's status bits. Requests and replies are the core's; the
// exchanges run on the panel's own worker, and a command the user gave keeps the panel busy until
// its result (the polls do not).

#include <QFrame>
#include <array>
#include <cstdint>
#include <string>

#include "core/devices/td/tdpanelmodel.h"
#include "core/devices/td/tdthread.h"
#include "ui/devices/panelworker.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class QTabWidget;
class QTimer;
class TTDReadingsPage;

class TTDFrame : public QFrame, public PanelExchanges {
  Q_OBJECT

 public:
  explicit TTDFrame(QWidget* parent = nullptr);
  // Runs what is still queued, then closes the port.
  ~TTDFrame() override;

  // Called once, right after construction: starts the worker and the timer and selects the
  // remembered port.
  void init();

  bool portOpen() const;
  bool lampLit(TdLamp lamp) const { return lamps_[lamp]; }

  // The values the document keeps, as the controls hold them.
  TdPanelValues values() const;
  void setIdentity(const std::string& serialText, int duPosition);
  // Shows an output block as a read of the meter's outputs does.
  void setOutputs(const TdOutputs& outputs);
  // The direct table with its limits; cells that are not numbers read as 0 and are shown so.
  TdCoefficients readDirectGrid();
  void setDirectGrid(const TdCoefficients& block);

  // The last average signal code and output pulse count of the current-values polls.
  double lastAverageCode() const { return lastAverage_; }
  std::uint32_t lastPulseCount() const { return lastPulses_; }

 private:
  // The controls, named as on the form (their object names too).
  QComboBox* PortSelectBox;
  QPushButton* OpenPortButton;
  QPushButton* PortParams;
  QLabel* RxPanel;
  QLabel* TxPanel;
  std::array<QPushButton*, 6> Bits;  // Bit0..Bit5, in TdLamp order
  QTabWidget* PageControl;

  QLineEdit* Serial;
  QComboBox* DuCombo;
  QLineEdit* Version;
  QPushButton* ReadParam;
  QLineEdit* Integrator;
  QLineEdit* NMeasure;
  QLineEdit* MiddleCode;
  QLineEdit* Volume;
  QLineEdit* ImpulseVolume;
  QLineEdit* MiddleNoise;
  QLineEdit* NoiseSignal;
  QSpinBox* NetAddress;
  QPushButton* GetNetAddr;
  QPushButton* SetNetAddr;
  QSpinBox* FlowIntegrator;
  QPushButton* GetIntegrator;
  QPushButton* SetIntegrator;
  QPushButton* Advanced_Info;
  QLineEdit* Expenditure;
  QLineEdit* VolumeDir;
  QLineEdit* VolumeRev;
  QLineEdit* WorkTime;
  QPushButton* ClearMeasure;

  QComboBox* ImpulseWeight;
  QSpinBox* ImpulseLen;
  QLabel* ImpulseLenLabel;
  QCheckBox* Meandr;
  QComboBox* PluginCard;
  QComboBox* ReverseType;
  QCheckBox* NoFilterThereshold;
  QPushButton* ReadImpulseOut;
  QPushButton* SetImpulseOut;
  QTabWidget* CoefficientPages;  // "Прямые", "Реверсивные"
  QTableWidget* CalibrGrid;
  QTableWidget* ReverseCalibrGrid;
  QLineEdit* LoLimit;
  QLineEdit* HiLimit;
  QPushButton* ReadCalibr;
  QPushButton* SetCalibr;
  std::array<QRadioButton*, 4> StartStop;  // top to bottom
  QSpinBox* NoiseCancelStSt;
  QLabel* NoiseStStLabel;
  QPushButton* SetStSt;

  TTDReadingsPage* Readings;
  QTimer* SystemTimer;

  QWidget* buildTopBar();
  QWidget* buildMainPage();
  QWidget* buildSetupPage();
  QWidget* buildOutputsGroup(QWidget* parent);
  QWidget* buildCoefficientsGroup(QWidget* parent);
  QWidget* buildStartStopGroup(QWidget* parent);
  void connectHandlers();

  TdOutputsFields outputsFields() const;
  void push(const TdRequest& request);
  std::uint8_t address() const;

  void togglePort();
  void openPort();
  void editLineSettings();
  void readCoefficients();
  void writeCoefficients();
  void writeOutputs();
  void writeStartStop();
  void toggleLamp(TdLamp lamp);
  void refreshPulseLength();
  void tick();
  void lightIndicator(int word);
  void handleResult(TDx2Thread::QueueItem& item, bool ok);
  void reportExchange(const TdReply& reply, const TDx2Common& data);
  void showReply(const TdReply& reply);

  void showSystem(const TdSystemParameters& p);
  void showCurrent(const TdCurrentValues& values);
  void showStatus(std::uint8_t status);
  void showGrid(QTableWidget* grid, const TdCoefficients& block, bool direct);
  TdCoefficients readGrid(QTableWidget* grid, bool direct);
  void refreshImpulseLenLabel();

  std::uint8_t major_ = 0;
  std::uint8_t minor_ = 0;
  double litresPerPulse_ = 0;
  bool meander_ = false;
  std::uint32_t lastPulses_ = 0;
  double lastAverage_ = 0;
  std::array<bool, 6> lamps_{};
  int statusCountdown_ = 30;
  int readingsCountdown_ = 4;
  int rxCountdown_ = 0;
  int txCountdown_ = 0;
  int pending_ = 0;  // requests in the worker queue, the polls among them
  PanelBusyState busy_;
  PanelWorker<TDx2Thread> worker_{busy_};
};

#pragma once
// The ZORB panel: the device page of a ZORB document. Its controls hold the transducer's
// identity, its one coefficient line and its pulse weight; for the models with a pulse output it
// also reads and writes the coefficients over the serial line, through its own worker.

#include <QFrame>
#include <cstdint>

#include "core/devices/zorb/zorbpanelmodel.h"
#include "core/devices/zorb/zorbthread.h"
#include "ui/devices/panelworker.h"

class QComboBox;
class QLabel;
class QPushButton;
class TFloatEdit;
class TIntEdit;

class TZorbFrame : public QFrame, public PanelExchanges {
  Q_OBJECT

 public:
  explicit TZorbFrame(QWidget* parent = nullptr);
  // Remembers the port choice, then runs what is still queued and closes the port.
  ~TZorbFrame() override;

  // Called once, right after construction, with the model index 0..16: starts the worker,
  // selects and opens the remembered port and fills the pulse-weight list for the first Ду.
  void init(int model);
  int model() const { return model_; }

  ZorbPanelValues values() const;
  // The edits apply their own limits.
  void setCoefficients(double a, double b);
  // Selects the Ду of a Du code; a code outside 2..11 leaves none selected. The pulse-weight list
  // follows the new Ду.
  void setIdentity(int32_t serial, int duCode);
  void setWeightPosition(int position);

 private:
  void buildControls();
  void connectHandlers();

  void cbPortChange();
  void bnWriteClick();
  void bnReadClick();
  void cbDuChange();
  void push(const ZorbRequest& request);
  void ZorbResult(ZorbThread::QueueItem& item, bool ok);
  void updateButtons();

  // Named as on the form; tests find them by these names.
  QComboBox* cbPort;
  TIntEdit* edDevNum;
  QLabel* lbOutType;
  QComboBox* cbOutType;  // pulse weight, m³ per pulse
  QComboBox* cbDu;
  TFloatEdit* edA;
  TFloatEdit* edB;
  QPushButton* bnRead;
  QPushButton* bnWrite;

  int model_ = 0;
  PanelBusyState busy_;
  PanelWorker<ZorbThread> worker_{busy_};
};

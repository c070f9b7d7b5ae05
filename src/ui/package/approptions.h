#pragma once
// The approximation settings dialog. It edits the process-wide settings directly: OK writes the
// controls into them, "По умолчанию" resets them at once (so a later Cancel keeps the defaults),
// Cancel otherwise leaves them as they were. The controls are filled from the settings each time
// the dialog is shown.

#include <QDialog>

class QPushButton;
class QRadioButton;
class TFloatEdit;

class TApprOptionsDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TApprOptionsDlg(QWidget* parent = nullptr);

  QRadioButton* rbPiecewiseLinear;
  QRadioButton* rbLinear;
  QRadioButton* rbProportional;
  QRadioButton* rbAuto;
  QRadioButton* rbManual;
  QRadioButton* rbSections;
  QRadioButton* rbEntries;
  TFloatEdit* edSectionScatter;
  TFloatEdit* edMaxAutoErr;
  TFloatEdit* edRefTemp;
  QPushButton* bnOK;
  QPushButton* bnCancel;
  QPushButton* bnDefault;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Settings into the controls, and back.
  void showSettings();
  void takeSettings();
  void bnOKClick();
  void bnDefaultClick();
};

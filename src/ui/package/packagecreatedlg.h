#pragma once
// The new-package dialog: package kind and reference method. Created once and reused, so the last
// choices stay selected.

#include <QDialog>

class QPushButton;
class QRadioButton;

class TPackageCreateDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TPackageCreateDlg(QWidget* parent = nullptr);

  // 0 "Объёмный", 1 "Массовый", 2 "Эталонный".
  int method() const;
  // 0 calibration, 1 verification.
  int kind() const;

  QRadioButton* rbCalibrMode;
  QRadioButton* rbCheckMode;
  QRadioButton* rbVolMethod;
  QRadioButton* rbMassMethod;
  QRadioButton* rbGMethod;
  QPushButton* bnOk;
  QPushButton* bnCancel;
};

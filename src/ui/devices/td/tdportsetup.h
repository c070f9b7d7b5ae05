#pragma once
// The line settings of the TD panel: the port speed and the network address the requests go to.
// One form serves every TD panel of the program run, so the choice outlives a document.

#include <QDialog>
#include <cstdint>

class QComboBox;
class QSpinBox;

class TPortSetupForm : public QDialog {
  Q_OBJECT

 public:
  explicit TPortSetupForm(QWidget* parent = nullptr);

  // The program's one form, made on first use.
  static TPortSetupForm& instance();

  // Baud rate of the chosen speed.
  int baudRate() const;
  std::uint8_t address() const;

  // Shows the form modally, centred on `anchor`'s window.
  void execCentredOn(QWidget* anchor);

 private:
  // Only the four speeds the meter knows can be chosen.
  QComboBox* ComboPortSpeed;
  QSpinBox* CSpinAddress;
};

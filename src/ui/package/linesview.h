#pragma once
// The coefficient window: the current line set as a read-only table (A, B and the upper bound of
// each line's range). It stays on top of the other windows and may stay open while the user works;
// the main window refreshes it whenever the line set may have changed.

#include <QDialog>
#include <QString>

class TGoodTable;

class TLinesDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TLinesDlg(QWidget* parent = nullptr);

  // One row per line of the current line set: A and B with 7 decimals, F with 6; the last line's
  // range is unbounded, so its F cell stays empty.
  void refresh();
  // Caption of the range column: "Частота (Гц)" or "Код" by the device family.
  void setReadingCaption(const QString& caption);

  TGoodTable* LinesTable;

 protected:
  void showEvent(QShowEvent* event) override;
};

// The caption of a device's reading: "Код" for the TD meter, "Частота (Гц)" for the others.
QString readingCaption(int typeCode);

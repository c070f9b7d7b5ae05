#pragma once
// "Журнал калибровок": where the calibration history is kept (the file on this computer or a
// PostgreSQL server the lab shares) and the bench the events and the protocols name. The
// connection can be tried without closing the dialog; the attempt runs off the UI thread. OK
// keeps the settings, Cancel nothing.

#include <QDialog>
#include <QString>
#include <memory>

#include "ui/history/historysettings.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
struct HistoryProbeState;

// Opens the store of `settings` and reads its schema; the text says where the history is kept.
// Raises HistoryError when it cannot be used. A shared database is tried with an outbox of its
// own, so the attempt sends nothing the program's recording still holds.
QString probeHistoryStore(const HistorySettings& settings);

class HistorySettingsDlg : public QDialog {
  Q_OBJECT
 public:
  explicit HistorySettingsDlg(QWidget* parent = nullptr);
  ~HistorySettingsDlg() override;

  void load(const HistorySettings& settings, const QString& bench);
  HistorySettings settings() const;
  QString bench() const;
  // What OK would not keep; empty when the settings can be kept.
  QString problem() const;
  // Keeps the settings and the bench; throws when they cannot be written.
  void save();

  void done(int result) override;

  QRadioButton* embedded;
  QRadioButton* shared;
  QLabel* filePath;
  QLineEdit* host;
  QSpinBox* port;
  QLineEdit* database;
  QLineEdit* user;
  QLineEdit* benchName;
  QPushButton* bnProbe;
  QLabel* probeResult;

 signals:
  // The connection test ended; its text is in probeResult.
  void probeFinished();

 private:
  void buildLayout();
  void updateControls();
  void startProbe();
  void showProbe(bool ok, const QString& text);

  std::shared_ptr<HistoryProbeState> probe_;
  bool refocusProbe_ = false;
};

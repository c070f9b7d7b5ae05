#pragma once
// The text export and import dialog: which package columns a text file holds and in which order,
// the field separator and, for export, the decimal separator. The choices are remembered in the
// user's settings, the file list per device family, package kind, method and direction, the two
// separators for all of them. Created once and reused; the lists are rebuilt at every run.

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class PackageBase;
class QComboBox;
class QFileDialog;
class QLabel;
class QListWidget;
class QPushButton;

class TCsvOptionsDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TCsvOptionsDlg(QWidget* parent = nullptr);

  // Runs the dialog for the package and, after OK and a chosen file, exports it or imports into
  // it. `hiddenColumns` trailing columns are not offered; `family` is the device family (0 ZORB,
  // 1 KELT, 2 TD), which is also the package's entry kind. Raises win_error when the file cannot
  // be written or read, and the error of an import that stopped at a bad line (the entries read
  // until then stay in the package, recalculated); the settings are then not stored.
  void runTextExchange(PackageBase& package, bool exporting, int hiddenColumns, int family);

  // Fills the dialog for a run: caption, separators and both lists from the stored settings.
  void prepare(const PackageBase& package, bool exporting, int hiddenColumns, int family);

  // The values of the file list, in order (kFillerItem for a filler).
  std::vector<int> fileItems() const;

  // Asks for the file to write (exporting) or read; an empty name when the user cancels. The
  // default shows SaveDialog or OpenDialog; tests replace it.
  using FileChooser = std::function<QString(bool exporting)>;
  void setFileChooser(FileChooser chooser);

  QListWidget* lbFile;
  QListWidget* lbAvailable;
  QPushButton* bnAvail2File;
  QPushButton* bnFile2Avail;
  QPushButton* bnUp;
  QPushButton* bnDown;
  QComboBox* cbSeparator;
  QLabel* lbDecimalSeparator;
  QComboBox* cbDecimalSeparator;
  QPushButton* bnOK;
  QPushButton* bnCancel;
  QFileDialog* OpenDialog;
  QFileDialog* SaveDialog;

 private:
  void bnAvail2FileClick();
  void bnFile2AvailClick();
  void bnUpClick();
  void bnDownClick();
  void exchangeFile(int row, int other);
  void moveToFile(int availableRow);
  QString chooseFile(bool exporting);
  char decimalSeparator() const;
  void exchange(PackageBase& package, bool exporting, const QString& path);
  void storeSettings();

  FileChooser chooser_;
  QString listName_;  // the settings name of the file list of the current run
};

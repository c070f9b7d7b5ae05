#pragma once
// "Профили допусков": the user's tolerance profiles (add, copy, rename, delete, edit the zones),
// the default profile of the open document's device model and the names the protocol is signed
// with. Nothing is kept until OK, and OK keeps nothing while a profile is not usable.

#include <QDialog>
#include <QString>
#include <vector>

#include "core/storage/report.h"
#include "core/verdict/tolerance.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

class ToleranceProfilesDlg : public QDialog {
 public:
  // `deviceName` and `typeCode` name the model whose default can be chosen; an empty name offers
  // no default.
  ToleranceProfilesDlg(const QString& deviceName, int typeCode, QWidget* parent = nullptr);

  // Fills the dialog from the settings; `current` is selected when it is a profile.
  void load(const QString& current);
  // What OK would keep; empty when it may be kept, else the first problem, and the profile that
  // has it is selected.
  QString problem();
  // Saves profiles, default and signing; throws when the settings cannot be written.
  void save();
  // The profile selected when the dialog closed.
  QString selectedName() const;

  QListWidget* list;
  QLineEdit* name;
  QComboBox* basis;
  QTableWidget* zones;
  QCheckBox* isDefault;
  QLineEdit* operatorName;
  QLineEdit* bench;
  QLineEdit* reference;
  QPushButton* bnAdd;
  QPushButton* bnCopy;
  QPushButton* bnDelete;
  QPushButton* bnAddZone;
  QPushButton* bnDeleteZone;

  void done(int result) override;

 private:
  void buildLayout(const QString& deviceName);
  void showProfile(int index);
  void takeEdits();
  void addProfile(ToleranceProfile profile);
  void deleteProfile();
  void addZone();
  void deleteZone();
  ToleranceProfile* current();

  std::vector<ToleranceProfile> profiles_;
  int shown_ = -1;
  int typeCode_;
  QString defaultName_;
  bool filling_ = false;
};

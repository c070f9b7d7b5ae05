#pragma once
// The New document dialog: a tree of the device types, grouped as the type table orders them.

#include <QDialog>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TDocCreateDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TDocCreateDlg(QWidget* parent = nullptr);

  // The type code of the selected row; -1 for a group or when nothing is selected. Kept between
  // uses of the dialog.
  int selectedType() const { return selectedType_; }
  // Selects the row of a type code (-1 clears the selection).
  void selectType(int typeCode);

  QTreeWidget* DeviceTree;
  QPushButton* bnOk;
  QPushButton* bnCancel;

 private:
  void fillTree();
  void DeviceTreeChange();
  void DeviceTreeDblClick(QTreeWidgetItem* item);

  int selectedType_ = -1;
};

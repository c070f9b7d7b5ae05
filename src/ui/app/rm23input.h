#pragma once
// "Ввод с РМ-2.3": the RM-2.3 instrument's input dialog beside the main window. There is one
// dialog at a time; it adds its measurements to the package of the selected page.

#include <QPointer>
#include <functional>

#include "core/document/document.h"

class QWidget;
class TSpprDlg;

class Rm23Input {
 public:
  // The dialog is a child of `window`; `entryAdded` runs after it added an entry to its package.
  Rm23Input(QWidget* window, std::function<void()> entryAdded);

  // Opens the dialog on `package` (none: the device page), or brings the open one forward.
  void open(const PackagePtr& package);
  // The selected page changed; nothing while no dialog is open.
  void setPackage(const PackagePtr& package);

 private:
  QWidget* window_;
  std::function<void()> entryAdded_;
  QPointer<TSpprDlg> dialog_;
};

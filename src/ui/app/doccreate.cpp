#include "ui/app/doccreate.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>
#include <string>

#include "core/devices/devicetypes.h"
#include "ui/base/messagelog.h"

namespace {
constexpr int kCodeRole = Qt::UserRole;

int codeOf(const QTreeWidgetItem* item) { return item ? item->data(0, kCodeRole).toInt() : -1; }
}  // namespace

TDocCreateDlg::TDocCreateDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Создать новый документ");
  setSizeGripEnabled(true);

  DeviceTree = new QTreeWidget(this);
  DeviceTree->setHeaderHidden(true);
  DeviceTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DeviceTree->setSelectionMode(QAbstractItemView::SingleSelection);
  DeviceTree->setAccessibleName("Типы приборов");
  bnOk = new QPushButton("OK", this);
  bnOk->setDefault(true);
  bnOk->setEnabled(false);
  bnCancel = new QPushButton("Отмена", this);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(bnOk);
  buttons->addWidget(bnCancel);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(DeviceTree, 1);
  layout->addLayout(buttons);
  resize(420, 360);

  fillTree();
  connect(bnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(bnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(DeviceTree, &QTreeWidget::itemSelectionChanged, this,
          [this] { guarded([this] { DeviceTreeChange(); }); });
  connect(DeviceTree, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { guarded([this, item] { DeviceTreeDblClick(item); }); });
}

// Rows without a group are top-level leaves; each group is a collapsed top-level node (code -1)
// placed where the table first names it, holding its rows in table order.
void TDocCreateDlg::fillTree() {
  std::map<std::string, QTreeWidgetItem*> groups;
  for (const DeviceTypeInfo& type : deviceTypes()) {
    QTreeWidgetItem* parent = nullptr;
    if (type.group) {
      auto [it, isNew] = groups.try_emplace(type.group, nullptr);
      if (isNew) {
        it->second = new QTreeWidgetItem(DeviceTree, {QString::fromUtf8(type.group)});
        it->second->setData(0, kCodeRole, -1);
      }
      parent = it->second;
    }
    auto* row = parent ? new QTreeWidgetItem(parent, {QString::fromUtf8(type.treeRow)})
                       : new QTreeWidgetItem(DeviceTree, {QString::fromUtf8(type.treeRow)});
    row->setData(0, kCodeRole, int{type.code});
  }
  DeviceTree->collapseAll();
}

void TDocCreateDlg::selectType(int typeCode) {
  for (QTreeWidgetItemIterator it(DeviceTree); *it; ++it) {
    if (codeOf(*it) == typeCode && typeCode >= 0) {
      DeviceTree->setCurrentItem(*it);
      return;
    }
  }
  DeviceTree->clearSelection();
}

void TDocCreateDlg::DeviceTreeChange() {
  const QList<QTreeWidgetItem*> selected = DeviceTree->selectedItems();
  selectedType_ = selected.isEmpty() ? -1 : codeOf(selected.first());
  bnOk->setEnabled(selectedType_ >= 0);
}

void TDocCreateDlg::DeviceTreeDblClick(QTreeWidgetItem* item) {
  if (codeOf(item) >= 0 && selectedType_ >= 0) accept();
}

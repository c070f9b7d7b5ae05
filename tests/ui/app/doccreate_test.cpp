#include "ui/app/doccreate.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

namespace {

QTreeWidgetItem* find(QTreeWidget* tree, const QString& text) {
  const QList<QTreeWidgetItem*> items =
      tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return items.isEmpty() ? nullptr : items.first();
}

// A user's double click: the view acts on the second press only after a first one.
void doubleClick(QTreeWidget* tree, QTreeWidgetItem* item) {
  const QPoint at = tree->visualItemRect(item).center();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

TEST(DocCreateDlgTest, TreeFollowsTheTypeTable) {
  TDocCreateDlg dlg;
  EXPECT_EQ(dlg.windowTitle(), "Создать новый документ");
  EXPECT_EQ(dlg.selectedType(), -1);
  EXPECT_FALSE(dlg.bnOk->isEnabled());

  QStringList top;
  for (int i = 0; i < dlg.DeviceTree->topLevelItemCount(); ++i)
    top << dlg.DeviceTree->topLevelItem(i)->text(0);
  EXPECT_EQ(top, QStringList({"Тайдмарк (ТД)", "ЗОРБ-Т(ТИ)", "ЗОРБ-Т1(Т2)", "ЗОРБ-ТИ1(ТИ2)",
                              "КЕЛТ-ЧИ7-xxx", "КЕЛТ-ЧИх.6х-xxx", "КЕЛТ-ЧИ7.73", "КЕЛТ-ЧИ7.84(94)",
                              "КЕЛТ-ЧИ7.95(85)", "КЕЛТ-ЧИ7.96(86)"}));
  struct Group {
    int index, children, firstCode;
  } groups[] = {{1, 3, 1}, {2, 4, 4}, {3, 10, 8}, {5, 6, 19}, {6, 2, 25}, {9, 3, 33}};
  for (const Group& g : groups) {
    QTreeWidgetItem* group = dlg.DeviceTree->topLevelItem(g.index);
    EXPECT_FALSE(group->isExpanded());
    ASSERT_EQ(group->childCount(), g.children) << g.index;
    dlg.DeviceTree->setCurrentItem(group->child(0));
    EXPECT_EQ(dlg.selectedType(), g.firstCode) << g.index;
  }
  // The tree shows the tree row (Cyrillic х), not the model name (Latin x).
  ASSERT_NE(find(dlg.DeviceTree, "ЗОРБ-Т1-ххх-М"), nullptr);
  dlg.DeviceTree->setCurrentItem(find(dlg.DeviceTree, "ЗОРБ-Т1-ххх-М"));
  EXPECT_EQ(dlg.selectedType(), 4);
}

TEST(DocCreateDlgTest, OnlyADeviceRowConfirms) {
  TDocCreateDlg dlg;
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  QSignalSpy accepted(&dlg, &QDialog::accepted);

  QTreeWidgetItem* group = find(dlg.DeviceTree, "ЗОРБ-Т(ТИ)");
  dlg.DeviceTree->setCurrentItem(group);
  EXPECT_EQ(dlg.selectedType(), -1);
  EXPECT_FALSE(dlg.bnOk->isEnabled());
  doubleClick(dlg.DeviceTree, group);
  EXPECT_EQ(accepted.count(), 0);

  QTreeWidgetItem* td = find(dlg.DeviceTree, "Тайдмарк (ТД)");
  dlg.DeviceTree->setCurrentItem(td);
  EXPECT_EQ(dlg.selectedType(), 0);
  EXPECT_TRUE(dlg.bnOk->isEnabled());
  doubleClick(dlg.DeviceTree, td);
  EXPECT_EQ(accepted.count(), 1);

  // The choice stays for the next use; clearing the selection disables OK again.
  EXPECT_EQ(dlg.selectedType(), 0);
  dlg.DeviceTree->clearSelection();
  EXPECT_EQ(dlg.selectedType(), -1);
  EXPECT_FALSE(dlg.bnOk->isEnabled());
}

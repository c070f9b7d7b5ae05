#include "ui/base/filedialogsize.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>

namespace {

TEST(FitFileDialog, WideAsTheScreenAllowsWithColumnsSizedToTheirTexts) {
  QWidget owner;
  owner.show();
  QFileDialog dialog(&owner);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  const QSize room = owner.screen()->availableGeometry().size() * 9 / 10;

  fitFileDialog(dialog);
  EXPECT_EQ(dialog.size(), QSize(900, 500).boundedTo(room));
  const auto* details = dialog.findChild<QTreeView*>("treeView");
  ASSERT_NE(details, nullptr);
  const QHeaderView* header = details->header();
  EXPECT_EQ(header->sectionResizeMode(0), QHeaderView::Stretch);
  for (int column = 1; column < header->count(); ++column)
    EXPECT_EQ(header->sectionResizeMode(column), QHeaderView::ResizeToContents) << column;

  // A dialog the user made larger keeps its size at the next use; one beyond the screen does not.
  dialog.resize(room);
  fitFileDialog(dialog);
  EXPECT_EQ(dialog.size(), room);
  dialog.resize(room * 2);
  fitFileDialog(dialog);
  EXPECT_EQ(dialog.size(), room);
}

}  // namespace

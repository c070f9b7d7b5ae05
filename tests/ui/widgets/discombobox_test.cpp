#include "ui/widgets/discombobox.h"

#include <gtest/gtest.h>

namespace {

TEST(DisComboBox, RemembersTheSelectionWhileDisabled) {
  TDisComboBox box;
  box.addItems({"a", "b", "c"});
  box.SetItemIndex(2);
  box.setEnabled(false);
  EXPECT_EQ(box.currentIndex(), -1);
  EXPECT_EQ(box.currentText(), "");
  EXPECT_EQ(box.GetItemIndex(), 2);
  box.setEnabled(true);
  EXPECT_EQ(box.currentText(), "c");

  box.setEnabled(false);
  box.SetItemIndex(1);
  EXPECT_EQ(box.currentIndex(), -1) << "set while disabled, shown only when enabled";
  EXPECT_EQ(box.GetItemIndex(), 1);
  box.setEnabled(true);
  EXPECT_EQ(box.currentText(), "b");
  EXPECT_EQ(box.GetItemIndex(), 1);
}

TEST(DisComboBox, ItemsFilledWhileDisabledStayUnselected) {
  TDisComboBox box;
  box.setEnabled(false);
  box.addItems({"a", "b"});
  EXPECT_EQ(box.currentIndex(), -1);
  EXPECT_EQ(box.GetItemIndex(), -1);
  box.SetItemIndex(0);
  box.setEnabled(true);
  EXPECT_EQ(box.currentText(), "a");
}

}  // namespace

#include "ui/package/packagecreatedlg.h"

#include <gtest/gtest.h>

#include <QRadioButton>

#include "core/package/columns.h"

TEST(PackageCreateDlgTest, RadioButtonsGiveKindAndMethod) {
  TPackageCreateDlg dlg;
  EXPECT_EQ(dlg.windowTitle(), "Создать пакет");
  EXPECT_EQ(dlg.property("helpKeyword").toString(), "packet_work");
  EXPECT_EQ(dlg.kind(), pkCalibration);
  EXPECT_EQ(dlg.method(), mVolume);
  struct Case {
    QRadioButton* kindButton;
    QRadioButton* methodButton;
    int kind, method;
  } cases[] = {
      {dlg.rbCheckMode, dlg.rbMassMethod, pkVerification, mMass},
      {dlg.rbCalibrMode, dlg.rbGMethod, pkCalibration, mReference},
      {dlg.rbCheckMode, dlg.rbVolMethod, pkVerification, mVolume},
  };
  for (const Case& c : cases) {
    c.kindButton->setChecked(true);
    c.methodButton->setChecked(true);
    EXPECT_EQ(dlg.kind(), c.kind);
    EXPECT_EQ(dlg.method(), c.method);
  }
}

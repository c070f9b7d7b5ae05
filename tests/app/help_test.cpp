#include "app/help.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

// The build tree keeps the pages beside the program; an installed program finds them under
// share/ of its prefix; without either, the folder beside the program is named and help is off.
TEST(HelpFolderTest, BesideTheProgramFirstThenTheInstalledLayout) {
  QTemporaryDir prefix;
  ASSERT_TRUE(prefix.isValid());
  const QDir root(prefix.path());
  ASSERT_TRUE(root.mkpath("bin"));
  const QString bin = root.filePath("bin");
  const QString beside = root.filePath("bin/help");
  const QString installed = root.filePath("share/tdservice/help");

  EXPECT_EQ(THelp::folderFor(bin), beside);
  ASSERT_TRUE(root.mkpath("share/tdservice/help"));
  EXPECT_EQ(THelp::folderFor(bin), installed);
  EXPECT_EQ(THelp::folderFor(bin + "/"), installed);
  ASSERT_TRUE(root.mkpath("bin/help"));
  EXPECT_EQ(THelp::folderFor(bin), beside);
}

#include "ui/base/regkey.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <functional>

#include "core/base/errors.h"

namespace {

// Each test keeps its values in its own settings file, so tests run in one process do not meet.
QString testKey() {
  return QString("Software\\Орбитон\\") +
         ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

QString settingsFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Орбитон/" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".conf";
}

TEST(RegKey, EveryOperationNeedsAnOpenKey) {
  RegKey key;
  const std::function<void()> operations[] = {
      [&] { key.readInt("TdComPort", 0); },
      [&] { key.writeInt("TdComPort", 1); },
      [&] { key.readString("Separator"); },
      [&] { key.writeString("Separator", ";"); },
  };
  for (int round = 0; round < 2; ++round) {
    for (const auto& operation : operations) {
      try {
        operation();
        ADD_FAILURE() << "round " << round;
      } catch (const MessageError& e) {
        EXPECT_STREQ(e.what(), "Registry key is not opened");
      }
    }
    key.create(testKey());
    key.close();
  }
}

TEST(RegKey, ValuesSurviveInTheSettingsFile) {
  {
    RegKey key;
    key.create(testKey());
    key.writeInt("TdComPort", 3);
    key.writeInt("Negative", -2147483647 - 1);
    key.writeString("Separator", ";");
    key.writeString("DecimalSeparator", ",");
    key.writeString("Caption", "Расход, л/ч = 5");
    key.writeString("Empty", "");
  }
  ASSERT_TRUE(QFileInfo::exists(settingsFile())) << settingsFile().toStdString();
  RegKey key;
  key.create(testKey());
  EXPECT_EQ(key.readInt("TdComPort", 0), 3);
  EXPECT_EQ(key.readInt("Negative", 0), -2147483647 - 1);
  EXPECT_EQ(key.readString("Separator", "x"), ";");
  EXPECT_EQ(key.readString("DecimalSeparator", "x"), ",");
  EXPECT_EQ(key.readString("Caption", "x"), "Расход, л/ч = 5");
  EXPECT_EQ(key.readString("Empty", "x"), "");
}

TEST(RegKey, MissingOrMistypedValuesGiveTheDefault) {
  QDir().mkpath(QFileInfo(settingsFile()).path());
  QFile file(settingsFile());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[General]\nText=abc\nHuge=4294967296\nList=a, b\nHalf=1.5\n");
  file.close();

  RegKey key;
  key.create(testKey());
  for (const char* name : {"Missing", "Text", "Huge", "List", "Half"}) {
    EXPECT_EQ(key.readInt(name, -7), -7) << name;
  }
  EXPECT_EQ(key.readString("Missing", "def"), "def");
  EXPECT_EQ(key.readString("Missing"), "");
  EXPECT_EQ(key.readString("List", "def"), "def");  // a list is not one text
}

TEST(RegKey, SubKeyIsAGroupOfItsOwn) {
  RegKey key;
  key.create(testKey());
  key.writeInt("Value", 1);
  RegKey sub;
  sub.create(testKey() + "\\Graph");
  EXPECT_EQ(sub.readInt("Value", 0), 0);
  sub.writeInt("Value", 2);
  EXPECT_EQ(key.readInt("Value", 0), 1);
  EXPECT_EQ(sub.readInt("Value", 0), 2);
}

TEST(RegKey, FailedCreateKeepsTheKeyHeldBefore) {
  RegKey key;
  key.create(testKey());
  key.writeInt("Value", 5);
  for (const char* path : {"Software", "Software\\Орбитон", ""}) {
    try {
      key.create(path);
      ADD_FAILURE() << path;
    } catch (const win_error& e) {
      EXPECT_EQ(e.code(), EINVAL) << path;
    }
    EXPECT_EQ(key.readInt("Value", 0), 5) << path;
  }
}

// A folder where the settings file belongs: neither readable nor writable, whoever runs.
TEST(RegKey, UnusableSettingsFileIsAnOsError) {
  QDir().mkpath(settingsFile());
  try {
    RegKey key;
    key.create(testKey());
    key.writeInt("Value", 1);
    ADD_FAILURE();
  } catch (const win_error& e) {
    EXPECT_EQ(e.code(), EACCES);
  }
}

}  // namespace

#include "ui/base/messagelog.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <new>

#include "core/base/errors.h"

namespace {
struct MessageLogTest : ::testing::Test {
  QStringList lines;
  void SetUp() override {
    setMessageSink([this](const QString& text) { lines << text; });
  }
  void TearDown() override { setMessageSink({}); }
};
}  // namespace

TEST_F(MessageLogTest, GuardTurnsEveryFailureIntoOneLine) {
  EXPECT_TRUE(guarded([] {}));
  EXPECT_FALSE(guarded([] { throw MessageError("Неправильный формат файла"); }));
  EXPECT_FALSE(guarded([] { throw std::bad_alloc(); }));
  EXPECT_FALSE(guarded([] { throw 42; }));
  EXPECT_EQ(lines, QStringList(
                       {"Неправильный формат файла", "Недостаточно памяти", "Неизвестная ошибка"}));
}

TEST_F(MessageLogTest, SilentAbortWritesNothing) {
  EXPECT_FALSE(guarded([] { throw SilentAbort(); }));
  EXPECT_TRUE(lines.isEmpty());
}

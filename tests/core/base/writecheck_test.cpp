#include "core/base/writecheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/base/localehook.h"

namespace {

using Bytes = std::vector<uint8_t>;

class WriteCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LocaleHook hook = defaultLocaleHook();
    hook.decimalSeparator = ',';
    setLocaleHook(hook);
  }
  void TearDown() override { setLocaleHook(defaultLocaleHook()); }
};

std::string fieldsText(const WriteCheck& check) {
  std::string text;
  for (const WriteCheckField& f : check.fields)
    text += f.name + "=" + f.written + "/" + f.found + " ";
  return text;
}

TEST_F(WriteCheckTest, ComparesTheBytesAndNamesTheValuesThatDiffer) {
  const struct {
    const char* name;
    Bytes written;
    Bytes found;
    std::vector<WriteCheckValue> values;
    WriteCheckResult result;
    const char* fields;
  } cases[] = {
      {"equal bytes", {1, 2, 3}, {1, 2, 3}, {{"A", 1, 1}}, WriteCheckResult::verified, ""},
      // Equal bytes decide even when a decoded value is not a number.
      {"equal NaN", {1}, {1}, {{"A", NAN, NAN}}, WriteCheckResult::verified, ""},
      {"one value",
       {1, 2, 3},
       {1, 2, 4},
       {{"A", 1.2345, 1.2346}, {"B", 0.5, 0.5}},
       WriteCheckResult::mismatch,
       "A=1,2345/1,2346 "},
      {"two values",
       {1, 2},
       {2, 3},
       {{"A", 1, 2}, {"Ду", 5, 6}},
       WriteCheckResult::mismatch,
       "A=1/2 Ду=5/6 "},
      // Six digits cannot tell these apart: both get the digits that can.
      {"close values",
       {1},
       {2},
       {{"A", 1.0000001, 1.0000002}},
       WriteCheckResult::mismatch,
       "A=1,0000001/1,0000002 "},
      // The differing byte carries no listed value: the byte itself is named.
      {"unlisted byte",
       {0x10, 0x20},
       {0x10, 0x2F},
       {{"A", 1, 1}},
       WriteCheckResult::mismatch,
       "байт 1=20/2F "},
      {"short answer", {0x10, 0x20}, {0x10}, {}, WriteCheckResult::mismatch, "байт 1=20/нет "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const WriteCheck check = writeCheckCompare(c.written, c.found, c.values);
    EXPECT_EQ(check.result, c.result);
    EXPECT_EQ(fieldsText(check), c.fields);
  }
}

TEST_F(WriteCheckTest, ConsoleLines) {
  EXPECT_EQ(writeCheckLine({}), "Запись подтверждена: прибор хранит записанные значения");
  const WriteCheck mismatch{
      WriteCheckResult::mismatch, {{"A", "1,2345", "1,2346"}, {"B", "0", "0,1"}}, ""};
  EXPECT_EQ(writeCheckLine(mismatch),
            "ВНИМАНИЕ! Запись не подтверждена: A: записано 1,2345, в приборе 1,2346; B: записано "
            "0, в приборе 0,1");
  EXPECT_EQ(writeCheckLine(writeCheckUnconfirmed("Прибор не отвечает")),
            "ВНИМАНИЕ! Запись не удалось проверить (значения могли быть записаны): Прибор не "
            "отвечает");
}

TEST_F(WriteCheckTest, AFailingReadBackLeavesTheWriteUnconfirmed) {
  const WriteCheck check =
      writeCheckRun([]() -> WriteCheck { throw MessageError("Ошибка контрольной суммы"); });
  EXPECT_EQ(check.result, WriteCheckResult::unconfirmed);
  EXPECT_EQ(check.reason, "Ошибка контрольной суммы");
  EXPECT_THROW(writeCheckRun([]() -> WriteCheck { throw SilentAbort(); }), SilentAbort);
  EXPECT_EQ(writeCheckRun([] { return WriteCheck{}; }).result, WriteCheckResult::verified);
}

}  // namespace

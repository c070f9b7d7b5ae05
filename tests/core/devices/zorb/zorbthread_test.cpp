#include "core/devices/zorb/zorbthread.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/simprocess.h"
#include "support/workerprobe.h"
#include "support/writecheckprint.h"

namespace {

using comprt::ComPort;

// The worker against tdservice-sim: each command is pushed, its notification awaited, and its
// slot consumed as the panel would.
class ZorbThreadTest : public ::testing::Test {
 protected:
  struct Outcome {
    int word = -1;
    ZorbCommon data;
    std::string message;
  };

  // Starts a simulated transducer with the given options and opens the port to it.
  void attach(std::vector<std::string> options) {
    options.insert(options.begin(), "zorb");
    sim_ = std::make_unique<SimProcess>(options);
    ComPort::ComList::install({sim_->path()});
    ASSERT_EQ(openPort(1).word, 1);
  }

  Outcome openPort(uint8_t index) {
    ZorbCommon data;
    data.port = index;
    return run(ZORB_OPEN, data);
  }

  Outcome run(ZorbCommand type, const ZorbCommon& data) {
    const auto result = probe_.run(type, data);
    return {result.word, result.item.data, result.item.message};
  }

  static ZorbCommon coefficients(uint8_t du, double a = 0, double b = 0) {
    ZorbCommon data;
    data.Du = du;
    data.A = a;
    data.B = b;
    return data;
  }

  std::unique_ptr<SimProcess> sim_;
  ZorbThread thread_;
  WorkerProbe<ZorbThread> probe_{thread_};
};

TEST_F(ZorbThreadTest, OpensTheLineAt600BaudWithOneStopBit) {
  attach({});
  const termios tio = lineSettings(sim_->path());
  EXPECT_EQ(cfgetospeed(&tio), B600);
  EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
}

TEST_F(ZorbThreadTest, ReadsTheDeviceBytesScaledByThePanelsDu) {
  const struct {
    const char* frame;
    uint8_t du;
    double a, b;
  } cases[] = {
      {"008CA001F830", 8, 3.6, -0.2},  // Ду 100
      {"008CA001F830", 9, 36, -2},     // the same bytes read as Ду 125
      {"012710000000", 2, 0.05, 0},    // Ду 25: doubled A code
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frame);
    attach({std::string("--frame=") + c.frame});
    const auto got = run(ZORB_READ, coefficients(c.du));
    ASSERT_EQ(got.word, 1) << got.message;
    EXPECT_DOUBLE_EQ(got.data.A, c.a);
    EXPECT_DOUBLE_EQ(got.data.B, c.b);
  }
}

TEST_F(ZorbThreadTest, WrittenCoefficientsAreEchoedAndReadBack) {
  attach({});
  const auto written = run(ZORB_WRITE, coefficients(8, 3.6, -0.2));
  ASSERT_EQ(written.word, 1) << written.message;
  const auto got = run(ZORB_READ, coefficients(8));
  ASSERT_EQ(got.word, 1) << got.message;
  EXPECT_DOUBLE_EQ(got.data.A, 3.6);
  EXPECT_DOUBLE_EQ(got.data.B, -0.2);
}

// Each write reads the coefficients back in the same item and says what the device kept.
TEST_F(ZorbThreadTest, AWriteIsReadBackAndCompared) {
  const struct {
    std::vector<std::string> options;
    WriteCheckResult result;
    std::vector<WriteCheckField> fields;
    const char* reason;
  } cases[] = {
      {{}, WriteCheckResult::verified, {}, ""},
      {{"--keep-wrong=2"}, WriteCheckResult::mismatch, {{"A", "3.6", "3.6001"}}, ""},
      {{"--keep-wrong=5"}, WriteCheckResult::mismatch, {{"B", "-0.2", "-0.1999"}}, ""},
      // The echo of the write came; the answer to the read-back did not.
      {{"--silent-after=1"}, WriteCheckResult::unconfirmed, {}, "Прибор не отвечает"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options.empty() ? "plain" : c.options[0]);
    attach(c.options);
    const auto got = run(ZORB_WRITE, coefficients(8, 3.6, -0.2));
    ASSERT_EQ(got.word, 1) << got.message;
    ASSERT_TRUE(got.data.check);
    EXPECT_EQ(got.data.check->result, c.result);
    EXPECT_EQ(got.data.check->fields, c.fields);
    EXPECT_EQ(got.data.check->reason, c.reason);
  }
}

TEST_F(ZorbThreadTest, OnlyWritesCarryACheck) {
  attach({});
  ZorbCommon stale = coefficients(8);
  stale.check = WriteCheck{};
  EXPECT_FALSE(run(ZORB_READ, stale).data.check);
  EXPECT_FALSE(run(ZORB_WRITE, coefficients(8, 3.7, 0)).data.check);  // refused before sending
}

TEST_F(ZorbThreadTest, StrayBytesLeftOnTheLineAreNotTakenForTheNextAnswer) {
  attach({"--noise"});
  ASSERT_EQ(run(ZORB_WRITE, coefficients(8, 3.6, -0.2)).word, 1);
  const auto got = run(ZORB_READ, coefficients(8));
  ASSERT_EQ(got.word, 1) << got.message;
  EXPECT_DOUBLE_EQ(got.data.A, 3.6);
  EXPECT_DOUBLE_EQ(got.data.B, -0.2);
}

TEST_F(ZorbThreadTest, UncodableCoefficientsAreRefusedWithoutSendingAnything) {
  attach({"--frame=012710000000"});
  const auto refused = run(ZORB_WRITE, coefficients(8, 3.7, 0));
  EXPECT_EQ(refused.word, 0);
  EXPECT_EQ(refused.message, "Недопустимые значения коэффициентов A и/или B");
  const auto got = run(ZORB_READ, coefficients(2));
  ASSERT_EQ(got.word, 1) << got.message;
  EXPECT_DOUBLE_EQ(got.data.A, 0.05);
}

TEST_F(ZorbThreadTest, LineFaultsBecomeTheSlotsMessage) {
  const struct {
    const char* option;
    ZorbCommand command;
    const char* message;
  } cases[] = {
      {"--silent", ZORB_WRITE, "Прибор не отвечает"},
      {"--bad-echo", ZORB_WRITE, "Ошибка обмена"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    attach({c.option});
    const auto got = run(c.command, coefficients(8, 1, 0));
    EXPECT_EQ(got.word, 0);
    EXPECT_EQ(got.message, c.message);
  }
}

TEST_F(ZorbThreadTest, AnAnswerTrickingInWithinTheTimeOutIsRead) {
  attach({"--delay=60", "--frame=008CA001F830"});  // about half a second for 8 bytes
  const auto got = run(ZORB_READ, coefficients(8));
  ASSERT_EQ(got.word, 1) << got.message;
  EXPECT_DOUBLE_EQ(got.data.A, 3.6);
}

TEST_F(ZorbThreadTest, PortIndexZeroClosesTheLine) {
  attach({});
  EXPECT_EQ(openPort(0).word, 1);
  const auto got = run(ZORB_READ, coefficients(8));
  EXPECT_EQ(got.word, 0);
  EXPECT_EQ(got.message, "COM-порт не открыт");
}

}  // namespace

#include "devices/zorb/zorbthread.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/simprocess.h"

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

  void SetUp() override {
    thread_.start([this](int message, int word) {
      if (message != QM_ITEM) return;
      std::lock_guard lock(mutex_);
      words_.push_back(word);
      arrived_.notify_all();
    });
  }

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
    thread_.nextItem().data = data;
    thread_.push(type, 0);
    std::unique_lock lock(mutex_);
    // The port gives up after 4 s; a few more are the worker's own margin.
    const bool done = arrived_.wait_for(lock, std::chrono::seconds(10),
                                        [&] { return consumed_ < words_.size(); });
    Outcome out;
    if (!done) {
      ADD_FAILURE() << "no notification";
      return out;
    }
    out.word = words_[consumed_++];
    thread_.consume([&](const auto& item) {
      out.data = item.data;
      out.message = item.message;
    });
    return out;
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
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<int> words_;
  size_t consumed_ = 0;
};

TEST_F(ZorbThreadTest, OpensTheLineAt600BaudWithOneStopBit) {
  attach({});
  const int fd = ::open(sim_->path().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  termios tio{};
  ASSERT_EQ(tcgetattr(fd, &tio), 0);
  ::close(fd);
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

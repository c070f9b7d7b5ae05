// The serial port over pseudo-terminal pairs: the test plays the device on the master side.
// A pseudo-terminal delivers asynchronously, so every wait has a deadline and times are
// checked only against a lower and a generous upper bound.

#include "core/comm/comport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/base/errors.h"
#include "support/failureof.h"

namespace {
using comprt::ComPort;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// The code of the win_error `f` throws, -1 when it throws nothing or something else.
int osErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const win_error& e) {
    return e.code();
  } catch (...) {
  }
  return -1;
}

milliseconds timed(const std::function<void()>& f) {
  const auto start = Clock::now();
  f();
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

constexpr milliseconds kGenerous{2000};

class PtyPort : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[256];
    ASSERT_EQ(::openpty(&master_, &slave_, name, nullptr, nullptr), 0);
    path_ = name;
  }
  void TearDown() override {
    port_.close();
    ::close(master_);
    ::close(slave_);
  }

  // The device sends.
  void send(const std::string& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // The device sends after a pause, while the port is already reading.
  std::jthread sendLater(milliseconds pause, std::string bytes) {
    return std::jthread([this, pause, bytes] {
      std::this_thread::sleep_for(pause);
      send(bytes);
    });
  }
  // What the device received within a few seconds, up to n bytes.
  std::string deviceReceives(std::size_t n) {
    std::string got;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (got.size() < n && Clock::now() < deadline) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buf[256];
      const ssize_t k = ::read(master_, buf, std::min(sizeof buf, n - got.size()));
      if (k > 0) got.append(buf, static_cast<std::size_t>(k));
    }
    return got;
  }
  // Waits until the port's side holds unread input, without taking it.
  bool inputWaiting() {
    pollfd p{slave_, POLLIN, 0};
    return ::poll(&p, 1, 5000) == 1;
  }
  termios lineSettings() {
    termios tio{};
    EXPECT_EQ(::tcgetattr(slave_, &tio), 0);
    return tio;
  }

  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  ComPort port_;
};

TEST_F(PtyPort, OpenAppliesRawEightNoneOneAtEachRate) {
  const struct {
    int baud;
    speed_t code;
  } rates[] = {{600, B600},   {1200, B1200},   {2400, B2400},    {4800, B4800},
               {9600, B9600}, {19200, B19200}, {115200, B115200}};
  for (const auto& rate : rates) {
    port_.open(path_, rate.baud, 100);
    ASSERT_TRUE(port_.isOpen()) << rate.baud;
    const termios tio = lineSettings();
    EXPECT_EQ(cfgetospeed(&tio), rate.code) << rate.baud;
    EXPECT_EQ(cfgetispeed(&tio), rate.code) << rate.baud;
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8}) << rate.baud;
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 1);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
    const comprt::Timeouts t = port_.timeouts();
    EXPECT_EQ(t.readTotalConstant, 100u);
    EXPECT_EQ(t.readInterval + t.readTotalMultiplier + t.writeTotalConstant, 0u);
  }
}

TEST_F(PtyPort, ListPositionOpensZeroClosesOthersFail) {
  ComPort::ComList::install({"/nonexistent/ttyX", path_});
  port_.open(2, 9600, 4500, 7, ComPort::DTR_CONTROL_ENABLE, ComPort::RTS_CONTROL_DISABLE,
             ComPort::TWOSTOPBITS);
  ASSERT_TRUE(port_.isOpen());
  EXPECT_TRUE(lineSettings().c_cflag & CSTOPB);
  EXPECT_EQ(port_.timeouts().readTotalMultiplier, 7u);
  EXPECT_EQ(port_.timeouts().readTotalConstant, 4500u);

  port_.open(0, 9600, 100);
  EXPECT_FALSE(port_.isOpen());

  for (int index : {1, 3, -1}) {
    port_.open(path_, 9600, 100);
    EXPECT_EQ(failureOf([&] { port_.open(index, 9600, 100); }), "COM-порт не открыт") << index;
    EXPECT_FALSE(port_.isOpen()) << index;
  }
}

// Ports come and go while the program runs, so the list is replaced while workers open ports:
// an open must never read a list that is being torn down (the sanitizer builds see it).
TEST_F(PtyPort, TheListIsReplacedWhileAPortOpensByPosition) {
  ComPort::ComList::install({path_});
  std::atomic<bool> done = false;
  std::thread replacing([&] {
    while (!done) ComPort::ComList::install({path_, "ttyNEW" + std::string(64, 'x')});
  });
  for (int i = 0; i < 300; ++i) {
    port_.open(1, 9600, 100);
    ASSERT_TRUE(port_.isOpen());
  }
  done = true;
  replacing.join();
  const auto held = ComPort::ComList::instance();
  ComPort::ComList::install({});
  EXPECT_EQ(held->name(1), path_);
}

TEST_F(PtyPort, RefusedSettingLeavesThePortClosed) {
  const struct {
    const char* what;
    int baud, dtr, rts, stopBits;
  } cases[] = {{"rate", 12345, 1, 1, 0},
               {"one and a half stop bits", 9600, 1, 1, ComPort::ONE5STOPBITS},
               {"DTR handshake", 9600, ComPort::DTR_CONTROL_HANDSHAKE, 1, 0},
               {"RTS toggle", 9600, 1, ComPort::RTS_CONTROL_TOGGLE, 0}};
  ComPort::ComList::install({path_});
  for (const auto& c : cases) {
    EXPECT_EQ(osErrorOf([&] { port_.open(1, c.baud, 100, 0, c.dtr, c.rts, c.stopBits); }), EINVAL)
        << c.what;
    EXPECT_FALSE(port_.isOpen()) << c.what;
  }
  // Not a serial device at all: opens, but takes no line settings.
  EXPECT_EQ(osErrorOf([&] { port_.open("/dev/null", 9600, 100); }), ENOTTY);
  EXPECT_FALSE(port_.isOpen());
}

TEST_F(PtyPort, MissingDeviceIsNotOpened) {
  EXPECT_EQ(failureOf([&] { port_.open("/nonexistent/ttyX", 9600, 100); }), "COM-порт не открыт");
  EXPECT_EQ(failureOf([&] { port_.open("ttyTidemarkMissing"); }), "COM-порт не открыт");
  EXPECT_FALSE(port_.isOpen());
}

TEST(ComPort, EveryOperationOnAClosedPortFails) {
  ComPort port;
  char buf[4] = {};
  const std::function<void()> operations[] = {
      [&] { port.read(buf, 1); },       [&] { port.readAvailable(buf, 1); },
      [&] { port.write(buf, 1); },      [&] { port.purge(); },
      [&] { port.setReadTimeout(10); }, [&] { port.setTimeouts({}); },
      [&] { port.timeouts(); },         [&] { port.setBreak(); },
      [&] { port.clearBreak(); },       [&] { port.escape(ComPort::SETDTR); },
  };
  for (const auto& operation : operations) {
    EXPECT_EQ(failureOf(operation), "COM-порт не открыт");
  }
  port.close();  // closing a closed port does nothing
  EXPECT_FALSE(port.isOpen());
}

TEST_F(PtyPort, ReadCollectsExactlyTheRequestedBytes) {
  port_.open(path_, 9600, 2000);
  auto device = sendLater(milliseconds(30), "abc");
  auto rest = sendLater(milliseconds(80), "de-next");
  char buf[5];
  port_.read(buf, 5);
  EXPECT_EQ(std::string(buf, 5), "abcde");
  rest.join();
  char next[5];
  EXPECT_EQ(port_.readAvailable(next, 5), 5u);
  EXPECT_EQ(std::string(next, 5), "-next");
}

// The device answers 3 of 15 bytes: a fixed read fails, a read of what is there returns 3;
// both only after the total time-out (multiplier * count + constant).
TEST_F(PtyPort, ShortReplyEndsAtTheTotalTimeout) {
  const struct {
    std::uint32_t multiplier, constant;
    milliseconds total;
  } timeouts[] = {{0, 200, milliseconds(200)}, {10, 100, milliseconds(250)}};
  port_.open(path_, 9600, 0);
  for (const auto& t : timeouts) {
    port_.setTimeouts({0, t.multiplier, t.constant, 0, 0});
    char buf[15];
    send("123");
    EXPECT_EQ(inputWaiting(), true);
    std::string failure;
    const milliseconds fixed = timed([&] { failure = failureOf([&] { port_.read(buf, 15); }); });
    EXPECT_EQ(failure, "Прибор не отвечает");
    EXPECT_GE(fixed, t.total);
    EXPECT_LT(fixed, kGenerous);

    send("456");
    std::size_t count = 0;
    const milliseconds available = timed([&] { count = port_.readAvailable(buf, 15); });
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(std::string(buf, 3), "456");
    EXPECT_GE(available, t.total);
    EXPECT_LT(available, kGenerous);
  }
  char buf[1];
  EXPECT_EQ(failureOf([&] { port_.readAvailable(buf, 1); }), "Прибор не отвечает");
}

// With an interval limit a reply ends when the device pauses after its last byte; before the
// first byte only the total limit counts.
TEST_F(PtyPort, ReadIntervalEndsAReplyAfterAPause) {
  port_.open(path_, 9600, 100);
  port_.setTimeouts({50, 0, 5000, 0, 0});
  char buf[10];
  std::size_t count = 0;
  send("abc");
  const milliseconds afterPause = timed([&] { count = port_.readAvailable(buf, 10); });
  EXPECT_EQ(std::string(buf, count), "abc");
  EXPECT_GE(afterPause, milliseconds(50));
  EXPECT_LT(afterPause, kGenerous);

  port_.setTimeouts({50, 0, 300, 0, 0});
  const milliseconds silent = timed(
      [&] { EXPECT_EQ(failureOf([&] { port_.readAvailable(buf, 10); }), "Прибор не отвечает"); });
  EXPECT_GE(silent, milliseconds(300));
  EXPECT_LT(silent, kGenerous);
}

TEST_F(PtyPort, SetReadTimeoutReplacesOnlyTheTotalConstant) {
  port_.open(path_, 9600, 100);
  port_.setTimeouts({50, 3, 100, 4, 5});
  port_.setReadTimeout(250);
  const comprt::Timeouts t = port_.timeouts();
  EXPECT_EQ(t.readTotalConstant, 250u);
  EXPECT_EQ(t.readInterval, 50u);
  EXPECT_EQ(t.readTotalMultiplier, 3u);
  EXPECT_EQ(t.writeTotalMultiplier, 4u);
  EXPECT_EQ(t.writeTotalConstant, 5u);
}

TEST_F(PtyPort, BothPurgesDropPendingInput) {
  port_.open(path_, 9600, 300);
  for (void (comprt::ComPort::*purge)() : {&comprt::ComPort::purge, &comprt::ComPort::purgeInput}) {
    send("stale");
    ASSERT_TRUE(inputWaiting());
    (port_.*purge)();
    send("new");
    char buf[8];
    const std::size_t count = port_.readAvailable(buf, sizeof buf);
    EXPECT_EQ(std::string(buf, count), "new");
  }
}

TEST_F(PtyPort, WriteDeliversAllBytes) {
  port_.open(path_, 9600, 100);
  const std::string request = "\x01\x03\x00\x08\x00\x01\x05\xC8";
  port_.write(request.data(), request.size());
  EXPECT_EQ(deviceReceives(request.size()), request);
}

// The device stops taking bytes: the write ends at its time-out with the write-fault code.
TEST_F(PtyPort, WriteThatEndsShortIsAWriteFault) {
  port_.open(path_, 9600, 100);
  port_.setTimeouts({0, 0, 0, 0, 150});
  const std::vector<char> flood(1 << 20, 'x');
  int code = 0;
  const milliseconds elapsed =
      timed([&] { code = osErrorOf([&] { port_.write(flood.data(), flood.size()); }); });
  EXPECT_EQ(code, ComPort::kWriteFault);
  EXPECT_GE(elapsed, milliseconds(150));
  EXPECT_LT(elapsed, kGenerous);
}

// A pseudo-terminal has no modem lines: changing them is accepted and does nothing.
TEST_F(PtyPort, ModemLinesAndBreakOnAPortWithoutLines) {
  port_.open(path_, 9600, 100);
  for (int code : {ComPort::SETRTS, ComPort::CLRRTS, ComPort::SETDTR, ComPort::CLRDTR}) {
    EXPECT_TRUE(port_.escape(code)) << code;
  }
  EXPECT_TRUE(port_.setBreak());
  EXPECT_TRUE(port_.clearBreak());
  errno = 0;
  EXPECT_FALSE(port_.escape(99));
  EXPECT_EQ(errno, EINVAL);
}

// The other end closing (a pulled adapter) ends a waiting read at once, and every later use
// of the port, with the system's EIO rather than the silence of a device that does not answer.
TEST_F(PtyPort, AHangUpIsToldApartFromASilentDevice) {
  port_.open(path_, 9600, 2000);
  ::close(slave_);
  slave_ = -1;
  std::jthread device([this] {
    std::this_thread::sleep_for(milliseconds(100));
    ::close(master_);
    master_ = -1;
  });
  char buf[8];
  int code = 0;
  EXPECT_LT(timed([&] { code = osErrorOf([&] { port_.read(buf, sizeof buf); }); }), kGenerous);
  EXPECT_EQ(code, EIO);
  EXPECT_EQ(failureOf([&] { port_.read(buf, 1); }),
            "System Error.  Code: 5.\r\nСвязь с портом потеряна: устройство отключено. Откройте "
            "порт заново");
  EXPECT_EQ(osErrorOf([&] { port_.readAvailable(buf, sizeof buf); }), EIO);
  EXPECT_EQ(osErrorOf([&] { port_.write("x", 1); }), EIO);
  EXPECT_EQ(osErrorOf([&] { port_.purge(); }), EIO);
}

}  // namespace

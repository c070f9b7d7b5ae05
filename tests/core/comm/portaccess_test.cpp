// A serial device the user has no rights to: the message says why and what to do, from the port
// itself and from every device worker that opens one.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

#include "core/comm/comport.h"
#include "core/devices/kelt/keltthread.h"
#include "core/devices/rm23/rm23panelmodel.h"
#include "core/devices/rm23/rm23thread.h"
#include "core/devices/td/tdprotocol.h"
#include "core/devices/td/tdthread.h"
#include "core/devices/zorb/zorbthread.h"
#include "support/failureof.h"
#include "support/workerprobe.h"

namespace {
using comprt::ComPort;
using comprt::portAccessText;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(PortAccessText, NamesTheGroupAndKeepsTheSystemText) {
  EXPECT_EQ(portAccessText(EACCES, "/dev/ttyUSB0", "dialout"),
            "Нет доступа к порту /dev/ttyUSB0: пользователь должен входить в группу dialout "
            "(после добавления — войти в систему заново)\r\n"
            "System Error.  Code: 13.\r\nPermission denied");
  EXPECT_EQ(portAccessText(EPERM, "/dev/ttyS1", ""),
            "Нет доступа к порту /dev/ttyS1: пользователь должен входить в группу, которой "
            "принадлежит порт (после добавления — войти в систему заново)\r\n"
            "System Error.  Code: 1.\r\nOperation not permitted");
}

// A device this process may not open for reading and writing. A pseudo-terminal with mode 000
// is the real case, but root passes every mode check; a read-only kernel attribute is refused
// to root too, with the same EACCES.
class PortAccessDenied : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[256];
    ASSERT_EQ(::openpty(&master_, &slave_, name, nullptr, nullptr), 0);
    ::close(slave_);
    slave_ = -1;
    ASSERT_EQ(::chmod(name, 0), 0);
    path_ = name;
    if (refused(path_)) return;
    path_ = "/sys/devices/system/cpu/online";
    if (!refused(path_)) GTEST_SKIP() << "no device here refuses this user (root without /sys)";
  }
  void TearDown() override {
    if (master_ >= 0) ::close(master_);
  }

  static bool refused(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
    return fd < 0 && errno == EACCES;
  }

  std::string expected() const {
    struct stat st {};
    EXPECT_EQ(::stat(path_.c_str(), &st), 0);
    const group* owner = ::getgrgid(st.st_gid);
    return portAccessText(EACCES, path_, owner ? owner->gr_name : std::to_string(st.st_gid));
  }

  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

TEST_F(PortAccessDenied, OpeningThePortTellsWhy) {
  ComPort port;
  EXPECT_EQ(failureOf([&] { port.open(path_); }), expected());
  EXPECT_EQ(failureOf([&] { port.open(path_, 9600, 100); }), expected());
  EXPECT_FALSE(port.isOpen());
}

// The message a worker reports for its open command: what the panel writes to its console.
template <class Thread>
std::string openMessage(Thread& thread, int type, const decltype(Thread::QueueItem::data)& data) {
  WorkerProbe<Thread> probe(thread);
  const auto result = probe.run(type, data);
  EXPECT_EQ(result.word, 0);
  return result.item.message;
}

TEST_F(PortAccessDenied, EveryDeviceWorkerReportsWhy) {
  ComPort::ComList::install({path_});
  TDx2Thread td;
  const TdRequest tdOpen = tdOpenRequest(1, 9600);
  KeltThread kelt;
  KeltCommon keltOpen;
  keltOpen.command = 1;
  ZorbThread zorb;
  ZorbCommon zorbOpen;
  zorbOpen.port = 1;
  SpprThread sppr;
  const SpprPush spprOpen = spprOpenCommand(1);

  EXPECT_EQ(openMessage(td, tdOpen.type, tdOpen.common), expected());
  EXPECT_EQ(openMessage(kelt, KELT_OPEN_9600, keltOpen), expected());
  EXPECT_EQ(openMessage(zorb, ZORB_OPEN, zorbOpen), expected());
  EXPECT_EQ(openMessage(sppr, spprOpen.type, spprOpen.data), expected());
}

}  // namespace

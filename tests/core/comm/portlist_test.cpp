#include "core/comm/portlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/comm/comport.h"

using comprt::buildPortList;
using comprt::filterComPortNames;
using comprt::isComPortName;
using comprt::kMaxPorts;

TEST(PortList, WindowsPortNameRule) {
  const struct {
    const char* name;
    bool port;
  } cases[] = {
      {"COM", true},    {"COM1", true},         {"com7", true},
      {"cOm12", true},  {"COM123456789", true}, {"COM1234567890", false},
      {"COMx1", false}, {"COM1a", false},       {"CO", false},
      {"", false},      {"XCOM1", false},       {"LPT1", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isComPortName(c.name), c.port) << c.name;
}

TEST(PortList, WindowsFilterKeepsOrderAndCaseAndStopsAt256) {
  EXPECT_EQ(filterComPortNames({"COM3", "PhysicalDrive0", "com7", "COM1", "COMx1"}),
            (std::vector<std::string>{"COM3", "com7", "COM1"}));

  std::vector<std::string> devices;
  for (int i = 1; i <= 300; ++i) {
    devices.push_back("COM" + std::to_string(i));
    devices.push_back("Volume" + std::to_string(i));
  }
  const auto ports = filterComPortNames(devices);
  ASSERT_EQ(ports.size(), kMaxPorts);
  EXPECT_EQ(ports.front(), "COM1");
  EXPECT_EQ(ports.back(), "COM256");
}

TEST(PortList, SystemPortsInSystemOrderThenExtraPaths) {
  EXPECT_EQ(buildPortList({"ttyUSB1", "ttyS0", "ttyUSB0"}, "/tmp/sim1::/dev/pts/7:"),
            (std::vector<std::string>{"ttyUSB1", "ttyS0", "ttyUSB0", "/tmp/sim1", "/dev/pts/7"}));
  EXPECT_EQ(buildPortList({}, "/dev/pts/3"), (std::vector<std::string>{"/dev/pts/3"}));
}

TEST(PortList, FallbackWhenNothingIsReported) {
  for (const char* extra : {"", ":"}) {
    const auto ports = buildPortList({}, extra);
    ASSERT_EQ(ports.size(), 20u);
    EXPECT_EQ(ports.front(), "ttyS0");
    EXPECT_EQ(ports.back(), "ttyS19");
  }
}

TEST(PortList, AtMost256NamesAcrossSystemAndExtraPaths) {
  std::vector<std::string> system;
  for (int i = 0; i < 250; ++i) system.push_back("ttyUSB" + std::to_string(i));
  std::string extra;
  for (int i = 0; i < 10; ++i) extra += "/tmp/p" + std::to_string(i) + ":";
  const auto ports = buildPortList(system, extra);
  ASSERT_EQ(ports.size(), kMaxPorts);
  EXPECT_EQ(ports[249], "ttyUSB249");
  EXPECT_EQ(ports.back(), "/tmp/p5");
}

TEST(PortList, ComListOffersNamesTextAndOneBasedPositions) {
  const comprt::ComPort::ComList list({"ttyS0", "ttyUSB0"});
  ASSERT_EQ(list.count(), 2);
  EXPECT_STREQ(list.names()[0], "ttyS0");
  EXPECT_STREQ(list.names()[1], "ttyUSB0");
  EXPECT_EQ(list.names()[2], nullptr);
  EXPECT_EQ(list.text(), "ttyS0\nttyUSB0\n");
  EXPECT_EQ(list.name(2), "ttyUSB0");
  for (int outside : {0, -1, 3}) {
    try {
      list.name(outside);
      ADD_FAILURE() << outside;
    } catch (const MessageError& e) {
      EXPECT_STREQ(e.what(), "COM-порт не открыт");
    }
  }
}

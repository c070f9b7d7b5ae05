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

TEST(PortList, MergeKeepsEveryPositionAndAppendsNewNames) {
  using Names = std::vector<std::string>;
  const struct {
    Names current, found, merged;
  } cases[] = {
      {{"ttyS0", "ttyUSB0"}, {"ttyS0"}, {"ttyS0", "ttyUSB0"}},                        // gone: kept
      {{"ttyS0", "ttyUSB0"}, {"ttyUSB1", "ttyS0"}, {"ttyS0", "ttyUSB0", "ttyUSB1"}},  // new: last
      {{"ttyS0", "ttyUSB0"}, {"ttyUSB0", "ttyS0"}, {"ttyS0", "ttyUSB0"}},  // order of old
      {{}, {"/tmp/a", "/tmp/a"}, {"/tmp/a"}},
  };
  for (const auto& c : cases) EXPECT_EQ(comprt::mergePortList(c.current, c.found), c.merged);

  Names full;
  for (std::size_t i = 0; i < kMaxPorts; ++i) full.push_back("p" + std::to_string(i));
  EXPECT_EQ(comprt::mergePortList(full, {"extra"}), full);
}

TEST(PortList, LabelFromByIdLinkName) {
  const struct {
    const char* link;
    const char* knownSerial;
    const char* product;
    const char* serial;
  } cases[] = {
      {"usb-FTDI_FT232R_USB_UART_A10K3X9-if00-port0", "", "FTDI FT232R USB UART", "A10K3X9"},
      {"usb-1a86_USB_Serial-if00-port0", "", "1a86 USB Serial", ""},
      {"usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_0001-if00-port0", "",
       "Silicon Labs CP2102 USB to UART Bridge", "0001"},
      // Told by the system: a model number at the end is not mistaken for the serial number.
      {"usb-Prolific_PL2303-if00-port0", "X1", "Prolific PL2303", ""},
      {"usb-Prolific_PL2303_X1-if00-port0", "X1", "Prolific PL2303", "X1"},
      {"usb-Maker_Two__Words_S9-if01", "", "Maker Two Words", "S9"},
  };
  for (const auto& c : cases) {
    const comprt::PortLabel label = comprt::labelFromLinkName(c.link, c.knownSerial);
    EXPECT_EQ(label.product, c.product) << c.link;
    EXPECT_EQ(label.serial, c.serial) << c.link;
  }
}

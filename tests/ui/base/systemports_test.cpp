#include "ui/base/systemports.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>
#include <string>
#include <vector>

#include "core/comm/comport.h"

namespace {

using Names = std::vector<std::string>;

Names installedList() {
  const auto& list = *comprt::ComPort::ComList::instance();
  Names names;
  for (int i = 1; i <= list.count(); ++i) names.push_back(list.name(i));
  return names;
}

Names fallbackWith(const std::string& added) {
  Names names;
  for (int i = 0; i < 20; ++i) names.push_back("ttyS" + std::to_string(i));
  names.push_back(added);
  return names;
}

struct PortCase {
  const char* nameOrPath;
  const char* extraPorts;  // TDSERVICE_PORTS
  bool systemListed;
  int position;
  Names list;
};

// A device command names its port by the system's name or by a path; only a name needs the
// system's ports, and reading them is the slow part of a short command.
TEST(InstallPortListWith, AsksTheSystemOnlyForAName) {
  const PortCase cases[] = {
      {"ttyUSB0", "", true, 2, {"ttyS0", "ttyUSB0"}},
      {"ttyUSB0", "/tmp/sim1", true, 2, {"ttyS0", "ttyUSB0", "/tmp/sim1"}},
      {"ttyACM3", "", true, 3, {"ttyS0", "ttyUSB0", "ttyACM3"}},
      {"/tmp/sim2", "/tmp/sim1:/tmp/sim2", false, 2, {"/tmp/sim1", "/tmp/sim2"}},
      {"/tmp/sim3", "/tmp/sim1", false, 2, {"/tmp/sim1", "/tmp/sim3"}},
      {"/dev/pts/7", "", false, 21, fallbackWith("/dev/pts/7")},
  };
  const QByteArray extraBefore = qgetenv("TDSERVICE_PORTS");
  for (const PortCase& c : cases) {
    SCOPED_TRACE(c.nameOrPath + std::string(" with TDSERVICE_PORTS=") + c.extraPorts);
    qputenv("TDSERVICE_PORTS", c.extraPorts);
    int listings = 0;
    const int position = installPortListWith(c.nameOrPath, [&] {
      ++listings;
      return Names{"ttyS0", "ttyUSB0"};
    });
    EXPECT_EQ(listings, c.systemListed ? 1 : 0);
    EXPECT_EQ(position, c.position);
    EXPECT_EQ(installedList(), c.list);
  }
  qputenv("TDSERVICE_PORTS", extraBefore);
  comprt::ComPort::ComList::install({});
}

// The workers take a one-byte position: a port added to a full list takes the last place.
TEST(InstallPortListWith, AddedPortReplacesTheLastOfAFullList) {
  const QByteArray extraBefore = qgetenv("TDSERVICE_PORTS");
  qputenv("TDSERVICE_PORTS", "");
  Names system;
  for (int i = 0; i < 300; ++i) system.push_back("ttyX" + std::to_string(i));
  EXPECT_EQ(installPortListWith("ttyNEW", [&] { return system; }), 255);
  const Names list = installedList();
  ASSERT_EQ(list.size(), 255u);
  EXPECT_EQ(list[253], "ttyX253");
  EXPECT_EQ(list.back(), "ttyNEW");
  qputenv("TDSERVICE_PORTS", extraBefore);
  comprt::ComPort::ComList::install({});
}

}  // namespace

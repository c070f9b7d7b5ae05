#include "ui/base/portwatcher.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QComboBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/comm/comport.h"
#include "ui/devices/panelworker.h"

namespace {

namespace fs = std::filesystem;

// A device folder and a by-id folder in a temporary folder, the ports of TDSERVICE_PORTS taken
// from it, and the watcher looking there instead of at the machine's own ports.
class PortWatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root.isValid());
    fs::create_directory(dev());
    fs::create_directory(byId());
  }
  void TearDown() override {
    PortWatcher::instance().stop();
    unsetenv("TDSERVICE_PORTS");
    comprt::ComPort::ComList::install({});
  }

  std::string dev() const { return root.path().toStdString() + "/dev"; }
  std::string byId() const { return root.path().toStdString() + "/by-id"; }
  std::string port(const std::string& name) const { return dev() + "/" + name; }

  // A device node stands in as a plain file: what matters is that it is there.
  void plug(const std::string& name) const { std::ofstream(port(name)) << name; }
  void link(const std::string& linkName, const std::string& name) const {
    fs::create_symlink(port(name), byId() + "/" + linkName);
  }

  void start(const std::vector<std::string>& names, std::vector<SystemPort> system = {}) {
    std::string paths;
    for (const std::string& name : names) paths += port(name) + ":";
    setenv("TDSERVICE_PORTS", paths.c_str(), 1);
    comprt::ComPort::ComList::install({});
    PortSources sources{{QString::fromStdString(dev()), QString::fromStdString(byId())},
                        QString::fromStdString(byId()),
                        [system] { return system; }};
    PortWatcher::instance().start(std::move(sources));
  }

  QString shown(const std::string& name) const {
    return PortWatcher::instance().displayText(port(name));
  }

  QTemporaryDir root;
};

TEST_F(PortWatcherTest, PortsAreShownByTheDeviceTheSystemKnows) {
  plug("ttyUSB0");
  link("usb-FTDI_FT232R_USB_UART_A10K3X9-if00-port0", "ttyUSB0");
  plug("ttyUSB1");
  link("usb-1a86_USB_Serial-if00-port0", "ttyUSB1");
  plug("ttyACM0");
  plug("ttyACM1");
  plug("ttyS0");
  link("usb-Gone_Adapter_X1-if00", "ttyUSB9");  // its device is not there
  start({"ttyUSB0", "ttyUSB1", "ttyS0", "ttyUSB9"},
        {{port("ttyACM0"), "Acme", "Acme Flow Bridge", "77", 0x1234, 0x5678},
         {port("ttyACM1"), "Acme", "Bridge", "", 0x1234, 0x5678}});

  const struct {
    const char* name;
    QString text;
  } cases[] = {
      {"ttyUSB0", "ttyUSB0 — FTDI FT232R USB UART (A10K3X9)"},
      {"ttyUSB1", "ttyUSB1 — 1a86 USB Serial"},
      {"ttyACM0", "ttyACM0 — Acme Flow Bridge (77)"},
      {"ttyACM1", "ttyACM1 — Acme Bridge"},
      {"ttyS0", "ttyS0"},
      {"ttyUSB9", "ttyUSB9 — отключён"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shown(c.name), QString::fromStdString(dev() + "/") + c.text) << c.name;
  }
  // What the panels remember is the name, never the text shown.
  QComboBox combo;
  fillPortCombo(combo, true);
  ASSERT_EQ(combo.count(), 7);
  EXPECT_EQ(combo.itemData(1).toString().toStdString(), port("ttyACM0"));
  EXPECT_EQ(combo.itemText(1), shown("ttyACM0"));

  const PortState usb0 = PortWatcher::instance().state(port("ttyUSB0"));
  EXPECT_EQ(usb0.identity, "by-id:usb-FTDI_FT232R_USB_UART_A10K3X9-if00-port0");
  EXPECT_EQ(PortWatcher::instance().state(port("ttyACM0")).identity, "usb:4660:22136:77");
  // Two adapters of one kind without serial numbers cannot be told apart.
  EXPECT_EQ(PortWatcher::instance().state(port("ttyACM1")).identity, "");
}

TEST_F(PortWatcherTest, AComboFollowsPortsThatComeAndGoKeepingTheChoice) {
  plug("ttyUSB0");
  plug("ttyUSB1");
  start({"ttyUSB0", "ttyUSB1", "ttyUSB2"});
  QComboBox combo;
  fillPortCombo(combo, true);
  combo.setCurrentIndex(2);
  PortChoice choice(
      combo, true, [] { return false; }, [] { ADD_FAILURE() << "reopened"; });
  QSignalSpy changed(&PortWatcher::instance(), &PortWatcher::portsChanged);

  // Each change of the folder is seen without anybody asking, and only once the burst is over.
  plug("ttyUSB2");
  fs::remove(port("ttyUSB1"));
  ASSERT_TRUE(changed.wait(5000));
  EXPECT_EQ(changed.count(), 1);
  ASSERT_EQ(combo.count(), 4);
  EXPECT_EQ(combo.currentIndex(), 2);
  EXPECT_EQ(combo.currentText(), shown("ttyUSB1"));
  EXPECT_TRUE(combo.currentText().endsWith(" — отключён"));
  EXPECT_EQ(combo.itemText(3), shown("ttyUSB2"));
  EXPECT_FALSE(shown("ttyUSB2").endsWith(" — отключён"));

  plug("ttyUSB1");
  ASSERT_TRUE(changed.wait(5000));
  EXPECT_EQ(combo.currentIndex(), 2);
  EXPECT_EQ(combo.currentText(), shown("ttyUSB1"));
  EXPECT_FALSE(combo.currentText().endsWith(" — отключён"));
}

TEST_F(PortWatcherTest, ANewSystemPortIsAddedAfterTheListedOnes) {
  plug("ttyUSB0");
  plug("ttyACM0");
  start({"ttyUSB0"});
  ASSERT_EQ(comprt::ComPort::ComList::instance()->count(), 1);

  const auto ports = [&] { return std::vector<SystemPort>{{port("ttyACM0"), "", "", "", 0, 0}}; };
  PortSources sources{{QString::fromStdString(dev())}, QString::fromStdString(byId()), ports};
  PortWatcher::instance().start(std::move(sources));
  const auto list = comprt::ComPort::ComList::instance();
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->name(1), port("ttyUSB0"));
  EXPECT_EQ(list->name(2), port("ttyACM0"));
}

// At start-up the system's ports were just listed on a thread of their own: the first look takes
// that listing instead of asking the system a second time on the start's path.
TEST_F(PortWatcherTest, TheFirstLookTakesAListingJustMade) {
  plug("ttyUSB0");
  setenv("TDSERVICE_PORTS", "", 1);
  int asked = 0;
  PortSources sources{{QString::fromStdString(dev())}, QString::fromStdString(byId()), [&asked] {
                        ++asked;
                        return std::vector<SystemPort>{};
                      }};
  PortWatcher::instance().start(std::move(sources),
                                std::vector<SystemPort>{{port("ttyUSB0"), "FTDI", "", "A1", 0, 0}});
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(shown("ttyUSB0"), QString::fromStdString(port("ttyUSB0")) + " — FTDI (A1)");
  PortWatcher::instance().refresh();
  EXPECT_EQ(asked, 1) << "later looks ask the system";
}

}  // namespace

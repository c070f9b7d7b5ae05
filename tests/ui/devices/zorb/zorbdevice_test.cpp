#include "ui/devices/zorb/zorbdevice.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QStringList>
#include <QVBoxLayout>
#include <array>
#include <cstring>
#include <memory>
#include <sstream>

#include "core/comm/comport.h"
#include "core/document/document.h"
#include "core/package/approxstate.h"
#include "core/storage/files.h"
#include "support/userchoice.h"
#include "ui/app/devicefactory.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/devices/panelcontrol.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/intedit.h"

namespace {

// A ZORB device with no port in the list, as a document holds it; console lines are collected.
class ZorbDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    comprt::ComPort::ComList::install({});
    RegKey key;
    key.create(kProgramKey);
    key.writeInt("ZorbComPort", 0);
    device = std::make_unique<Zorb>(7, nullptr);
    setMessageSink([this](const QString& text) { console << text; });
  }
  void TearDown() override {
    setMessageSink({});
    resetApproxState();
  }

  static std::unique_ptr<DeviceBase> make(int code) { return createDevice(code, nullptr); }
  TZorbFrame* panel() const { return device->panel(); }
  QComboBox* cbDu() const { return control<QComboBox>(panel(), "cbDu"); }
  QComboBox* cbOutType() const { return control<QComboBox>(panel(), "cbOutType"); }
  TFloatEdit* edA() const { return control<TFloatEdit>(panel(), "edA"); }
  TFloatEdit* edB() const { return control<TFloatEdit>(panel(), "edB"); }
  TIntEdit* edDevNum() const { return control<TIntEdit>(panel(), "edDevNum"); }
  void chooseDu(const char* du) { chooseItem(cbDu(), du); }

  std::unique_ptr<Zorb> device;
  QStringList console;
};

TEST_F(ZorbDeviceTest, TheFactoryMakesTheModelOfEachZorbCode) {
  const struct {
    int code;
    const char* name;
  } cases[] = {
      {1, "ЗОРБ-Т"},
      {4, "ЗОРБ-Т1-xxx-М"},  // Latin x, unlike the tree row
      {17, "ЗОРБ-ТИ2-xxx-3П (КЕЛТ3-ЧИ7.53-xxx)"},
  };
  for (const auto& c : cases) {
    const auto made = make(c.code);
    ASSERT_NE(made, nullptr) << c.code;
    EXPECT_EQ(made->typeCode(), c.code);
    EXPECT_EQ(made->name(), c.name);
  }
  EXPECT_EQ(make(-1), nullptr);
  EXPECT_EQ(make(36), nullptr);
}

TEST_F(ZorbDeviceTest, ThePanelLivesInThePageAreaAndDiesWithTheDevice) {
  auto page = std::make_unique<QWidget>();
  auto* layout = new QVBoxLayout(page.get());
  auto made = createDevice(8, page.get());
  QPointer<QWidget> shown = page->findChild<TZorbFrame*>();
  ASSERT_TRUE(shown);
  EXPECT_GE(layout->indexOf(shown), 0);
  made->showPanel(false);
  EXPECT_TRUE(shown->isHidden());
  made->showPanel(true);
  EXPECT_FALSE(shown->isHidden());
  made.reset();
  EXPECT_FALSE(shown);

  made = createDevice(8, page.get());
  page.reset();  // the window went first: the device must not destroy its panel twice
  made.reset();
}

TEST_F(ZorbDeviceTest, ReadLinesGivesExactlyOneLineFromTheEdits) {
  edA()->SetValue(1.25);
  edB()->SetValue(-0.5);
  std::vector<files::Line> lines;
  device->readLines(lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].A, 1.25);
  EXPECT_EQ(lines[0].B, -0.5);
  EXPECT_EQ(lines[0].F, 0);

  lines = {{1, 2, 300}, {3, 4, 500}, {5, 6, 0}};
  device->readLines(lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].A, 1.25);
  EXPECT_EQ(lines[0].F, 300);
}

TEST_F(ZorbDeviceTest, WriteLinesShowsTheFirstLineAndReportsWhatTheDeviceCannotHold) {
  const struct {
    std::vector<files::Line> lines;
    double a, b;
    QStringList console;
  } cases[] = {
      {{{2.5, -1, 0}}, 2.5, -1, {}},
      {{{2.5, 100, 0}}, 2.5, 36, {}},  // within the device's range, beyond the edit's
      {{{-1, 600, 0}},
       0,
       36,
       {"Коэффициент A не принадлежит допустимому диапазону",
        "Коэффициент B не принадлежит допустимому диапазону"}},
      {{{40, -600, 0}},
       36,
       -36,
       {"Коэффициент A не принадлежит допустимому диапазону",
        "Коэффициент B не принадлежит допустимому диапазону"}},
      {{{1.5, 0.5, 20}, {2, 1, 0}}, 1.5, 0.5, {"Слишком много прямых аппроксимации"}},
      {{}, 1.5, 0.5, {}},  // nothing to show: the previous values stay
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines.size() ? c.lines[0].A : -99);
    console.clear();
    device->writeLines(c.lines);
    EXPECT_DOUBLE_EQ(edA()->GetValue(), c.a);
    EXPECT_DOUBLE_EQ(edB()->GetValue(), c.b);
    EXPECT_EQ(console.join('|').toStdString(), c.console.join('|').toStdString());
  }
}

TEST_F(ZorbDeviceTest, IdentityCarriesTheSerialAndTheDiameterCode) {
  DeviceIdentity got;
  device->getIdentity(got);
  EXPECT_EQ(got.duCode, 2);  // Ду 25, the first of the list
  EXPECT_EQ(got.serialNumber, 0);

  device->setIdentity({12345678, 8});
  EXPECT_EQ(edDevNum()->text(), "12345678");
  EXPECT_EQ(cbDu()->currentText(), "100");
  device->getIdentity(got);
  EXPECT_EQ(got.serialNumber, 12345678);
  EXPECT_EQ(got.duCode, 8);

  device->setIdentity({1, 0});  // Ду 15: not a ZORB diameter
  EXPECT_EQ(cbDu()->currentIndex(), -1);
}

TEST_F(ZorbDeviceTest, ChangingTheDiameterKeepsThePulseWeightPosition) {
  chooseDu("40");
  cbOutType()->setCurrentIndex(2);
  EXPECT_DOUBLE_EQ(device->pulseWeight(), 0.01);
  const struct {
    const char* du;
    double weight;
  } steps[] = {{"50", 0.1}, {"200", 1}, {"25", 0.01}};
  for (const auto& s : steps) {
    chooseDu(s.du);
    EXPECT_EQ(cbOutType()->currentIndex(), 2) << s.du;
    EXPECT_DOUBLE_EQ(device->pulseWeight(), s.weight) << s.du;
  }
  device->setIdentity({0, 5});  // Ду 50 from a document: the list follows too
  EXPECT_EQ(cbOutType()->currentText(), "0,1");
}

TEST_F(ZorbDeviceTest, ParameterBlockHoldsThePulseWeightPosition) {
  EXPECT_EQ(device->getParameters(nullptr), 8u);
  cbOutType()->setCurrentIndex(1);
  std::array<uint8_t, 8> block;
  block.fill(0xEE);
  EXPECT_EQ(device->getParameters(block.data()), 8u);
  EXPECT_EQ(block, (std::array<uint8_t, 8>{0, 0, 0, 0, 1, 0, 0, 0}));

  cbOutType()->setCurrentIndex(0);
  EXPECT_FALSE(device->setParameters(block.data(), 7));
  EXPECT_EQ(cbOutType()->currentIndex(), 0);
  block[0] = 0x55;  // ignored
  EXPECT_TRUE(device->setParameters(block.data(), 8));
  EXPECT_EQ(cbOutType()->currentIndex(), 1);

  const struct {
    int32_t stored;
    int position;
  } limited[] = {{7, 2}, {-3, 0}, {2, 2}};
  for (const auto& c : limited) {
    std::memcpy(block.data() + 4, &c.stored, 4);
    EXPECT_TRUE(device->setParameters(block.data(), 8));
    EXPECT_EQ(cbOutType()->currentIndex(), c.position) << c.stored;
  }
}

TEST_F(ZorbDeviceTest, ASavedDocumentReadsBackIntoANewDevice) {
  Document saved;
  saved.device = make(13);
  saved.device->setIdentity({4321, 9});
  saved.device->writeLines({{1.75, -0.25, 0}});
  const uint8_t weight[8] = {0, 0, 0, 0, 2, 0, 0, 0};
  saved.device->setParameters(weight, 8);
  std::stringstream file;
  files::writeDocument(file, *saved.device, saved.packages);
  resetApproxState();

  Document opened;
  files::readDocument(file, opened, [](uint8_t code) { return make(code); });
  ASSERT_NE(opened.device, nullptr);
  DeviceBase& got = *opened.device;
  EXPECT_EQ(got.typeCode(), 13);
  DeviceIdentity identity;
  got.getIdentity(identity);
  EXPECT_EQ(identity.serialNumber, 4321);
  EXPECT_EQ(identity.duCode, 9);
  std::vector<files::Line> lines;
  got.readLines(lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_DOUBLE_EQ(lines[0].A, 1.75);
  EXPECT_DOUBLE_EQ(lines[0].B, -0.25);
  EXPECT_DOUBLE_EQ(got.pulseWeight(), 1);  // third weight of Ду 125
  EXPECT_DOUBLE_EQ(apprSettings().pulseWeight, 1);
  EXPECT_EQ(console.join('|').toStdString(), "");
}

}  // namespace

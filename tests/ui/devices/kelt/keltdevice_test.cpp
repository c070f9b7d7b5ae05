#include "ui/devices/kelt/keltdevice.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
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
#include "ui/devices/kelt/keltcontrols.h"

namespace {

constexpr int kKelt0 = 18;  // type code of model 0, the one with four lines

// KELT devices with no port in the list, as a document holds them; console lines are collected.
class KeltDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    comprt::ComPort::ComList::install({});
    RegKey key;
    key.create(kProgramKey);
    key.writeInt("KeltComPort", 0);
    setMessageSink([this](const QString& text) { console << text; });
  }
  void TearDown() override {
    setMessageSink({});
    resetApproxState();
  }

  static std::unique_ptr<Kelt> make(int code) {
    return std::unique_ptr<Kelt>(static_cast<Kelt*>(createDevice(code, nullptr).release()));
  }
  std::string lines() const { return console.join('|').toStdString(); }

  QStringList console;
};

TEST_F(KeltDeviceTest, TheFactoryMakesTheModelOfEachKeltCode) {
  const struct {
    int code;
    const char* name;
  } cases[] = {{18, "КЕЛТ-ЧИ7-xxx"}, {26, "КЕЛТ2-ЧИ7.73-xxx"}, {35, "КЕЛТ3-ЧИ7.96(86)-xxx"}};
  for (const auto& c : cases) {
    const auto made = make(c.code);
    ASSERT_NE(made, nullptr) << c.code;
    EXPECT_EQ(made->typeCode(), c.code);
    EXPECT_EQ(made->panel()->model(), c.code - kKelt0);
    EXPECT_EQ(made->name(), c.name);
  }

  auto page = std::make_unique<QWidget>();
  auto* layout = new QVBoxLayout(page.get());
  auto shown = createDevice(30, page.get());
  QPointer<QWidget> panel = page->findChild<TKeltFrame*>();
  ASSERT_TRUE(panel);
  EXPECT_GE(layout->indexOf(panel), 0);
  shown->showPanel(false);
  EXPECT_TRUE(panel->isHidden());
  shown.reset();
  EXPECT_FALSE(panel);
}

TEST_F(KeltDeviceTest, ReadLinesGivesOneLinePerSegmentTheModelHolds) {
  for (int code : {kKelt0, 19, 35}) {
    SCOPED_TRACE(code);
    auto device = make(code);
    const KeltControls p(device->panel());
    for (int i = 0; i < 5; ++i) {
      p.edA(i)->SetValue(i + 1);
      p.edB(i)->SetValue(-(i + 1));
    }
    for (int j = 0; j < 4; ++j) p.edF(j)->SetValue(100 * (j + 1));
    std::vector<files::Line> got{{9, 9, 9}};
    device->readLines(got);
    const std::size_t expected = code == kKelt0 ? 4 : 5;
    ASSERT_EQ(got.size(), expected);
    for (std::size_t i = 0; i < expected; ++i) {
      EXPECT_EQ(got[i].A, double(i + 1));
      EXPECT_EQ(got[i].B, -double(i + 1));
      EXPECT_EQ(got[i].F, 100.0 * double(std::min<std::size_t>(i, 3) + 1));
    }
  }
}

TEST_F(KeltDeviceTest, WriteLinesFillsTheEditsAndWarnsAboutWhatTheDeviceCannotHold) {
  const std::vector<files::Line> three{{1, 0.5, 200}, {2, -0.5, 400}, {3, 1.5, 999}};
  const std::vector<files::Line> five{
      {1, 0, 100}, {2, 0, 200}, {3, 0, 300}, {4, 0, 400}, {5, 0, 500}};
  std::vector<files::Line> six = five;
  six.push_back({6, 0, 600});
  const struct {
    int code;
    std::vector<files::Line> lines;
    const char* console;
  } cases[] = {
      {19, three, ""},
      {kKelt0, five, "Слишком много прямых аппроксимации"},
      {19, five, ""},
      {19, six, "Слишком много прямых аппроксимации"},
      {kKelt0, six, "Слишком много прямых аппроксимации"},
      {19,
       {{-1, 300, 0.2}, {40, -279, 40000}},
       "Коэффициент A1 не принадлежит допустимому диапазону|"
       "Коэффициент A2 не принадлежит допустимому диапазону|"
       "Коэффициент B1 не принадлежит допустимому диапазону|"
       "Граничная частота F12 не принадлежит допустимому диапазону"},
      {19,
       {{1, 0, 100}, {1, 0, 0.4}, {1, 0, 100}},
       "Граничная частота F23 не принадлежит допустимому диапазону"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + " " + std::to_string(c.lines.size()));
    auto device = make(c.code);
    console.clear();
    device->writeLines(c.lines);
    EXPECT_EQ(lines(), c.console);
  }

  auto device = make(19);
  device->writeLines(three);
  const KeltControls p(device->panel());
  const double A[5] = {1, 2, 3, 0, 0}, B[5] = {0.5, -0.5, 1.5, 0, 0};
  const double F[4] = {200, 400, 32768, 32768};  // the F of the last line is not used
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(p.edA(i)->GetValue(), A[i]) << i;
    EXPECT_EQ(p.edB(i)->GetValue(), B[i]) << i;
  }
  for (int j = 0; j < 4; ++j) EXPECT_EQ(p.edF(j)->GetValue(), F[j]) << j;

  // Out of the device's range but within the edits' the value is still shown.
  device->writeLines({{1, 300, 0}});
  EXPECT_EQ(p.edB(0)->GetValue(), 300);
}

TEST_F(KeltDeviceTest, IdentityCarriesTheFactoryNumberAndTheDiameterCode) {
  auto device = make(30);
  const KeltControls p(device->panel());
  DeviceIdentity got{7, 7};
  device->getIdentity(got);
  EXPECT_EQ(got.serialNumber, 0);  // empty text
  EXPECT_EQ(got.duCode, 1);        // Ду 20, the first of the list

  p.cbWeight()->setCurrentIndex(3);
  device->setIdentity({1234, 8});
  EXPECT_EQ(p.edDevNum()->text().toStdString(), formatSerialNumber(1234, 8));
  EXPECT_EQ(p.cbDu()->currentText(), "100");
  EXPECT_EQ(p.cbWeight()->currentText(), "0,05");  // the list follows the Ду
  EXPECT_DOUBLE_EQ(device->pulseWeight(), 0.05);
  device->getIdentity(got);
  EXPECT_EQ(got.serialNumber, 1234);
  EXPECT_EQ(got.duCode, 8);

  device->setIdentity({5, 0});  // Ду 15 is no KELT diameter
  EXPECT_EQ(p.cbDu()->currentText(), "20");
  p.edDevNum()->setText("12a");
  device->getIdentity(got);
  EXPECT_EQ(got.serialNumber, 0);
}

TEST_F(KeltDeviceTest, ParameterBlockRestoresTheOutputSettings) {
  auto device = make(26);  // model 8: six output types
  const KeltControls p(device->panel());
  EXPECT_EQ(device->getParameters(nullptr), 32u);
  p.cbWeight()->setCurrentIndex(3);
  chooseItem(p.cbOutType(), 2);  // disables the weight, which still counts
  p.edN()->SetValue(9);
  p.edTauOut()->SetValue(31.232);
  p.edOffset()->SetValue(-3);
  std::array<uint8_t, 32> block;
  block.fill(0xEE);
  EXPECT_EQ(device->getParameters(block.data()), 32u);
  EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + 16),
            (std::vector<uint8_t>{0, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 9, 0, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(block.begin() + 24, block.end()),
            (std::vector<uint8_t>{0xFD, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
  EXPECT_DOUBLE_EQ(device->pulseWeight(), 0.005);

  auto other = make(26);
  const KeltControls q(other->panel());
  EXPECT_FALSE(other->setParameters(block.data(), 31));
  EXPECT_EQ(q.cbOutType()->currentIndex(), 0);
  EXPECT_TRUE(other->setParameters(block.data(), 32));
  EXPECT_EQ(q.cbOutType()->currentIndex(), 2);
  EXPECT_FALSE(q.edA(0)->isEnabled());
  EXPECT_EQ(q.cbWeight()->GetItemIndex(), 3);
  EXPECT_EQ(q.edN()->GetValue(), 9);
  EXPECT_DOUBLE_EQ(q.edTauOut()->GetValue(), 31.232);
  EXPECT_EQ(q.edOffset()->GetValue(), -3);

  // Positions beyond the lists select their last entries; the edits apply their limits.
  KeltDocParameters wild;
  wild.outputPosition = 9;
  wild.weightPosition = -2;
  wild.n = 1000;
  wild.pulseDuration = 500;
  wild.offset = 12;
  auto old = make(20);  // model 2: two output types, n up to 127
  EXPECT_TRUE(old->setParameters(reinterpret_cast<const uint8_t*>(&wild), sizeof wild));
  const KeltControls r(old->panel());
  EXPECT_EQ(r.cbOutType()->currentIndex(), 1);
  EXPECT_EQ(r.cbWeight()->GetItemIndex(), 0);
  EXPECT_EQ(r.edN()->GetValue(), 127);
  EXPECT_NEAR(r.edTauOut()->GetValue(), 203.008, 1e-9);  // code 6656, the edit's maximum
  EXPECT_EQ(r.edOffset()->GetValue(), 7);
}

TEST_F(KeltDeviceTest, ASavedDocumentReadsBackIntoANewDevice) {
  Document saved;
  saved.device = createDevice(31, nullptr);  // model 13
  auto& device = static_cast<Kelt&>(*saved.device);
  saved.device->setIdentity({4321, 6});
  saved.device->writeLines({{1.5, -0.25, 150}, {2.5, 0.75, 0}});
  KeltControls(device.panel()).cbWeight()->setCurrentIndex(4);
  KeltControls(device.panel()).edTauOut()->SetValue(80);
  KeltControls(device.panel()).edOffset()->SetValue(4);
  std::stringstream file;
  files::writeDocument(file, *saved.device, saved.packages);
  resetApproxState();

  Document opened;
  files::readDocument(file, opened, [](uint8_t code) { return createDevice(code, nullptr); });
  ASSERT_NE(opened.device, nullptr);
  DeviceBase& got = *opened.device;
  EXPECT_EQ(got.typeCode(), 31);
  DeviceIdentity identity;
  got.getIdentity(identity);
  EXPECT_EQ(identity.serialNumber, 4321);
  EXPECT_EQ(identity.duCode, 6);
  std::vector<files::Line> lines;
  got.readLines(lines);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_DOUBLE_EQ(lines[0].A, 1.5);
  EXPECT_DOUBLE_EQ(lines[0].B, -0.25);
  EXPECT_DOUBLE_EQ(lines[0].F, 150);
  EXPECT_DOUBLE_EQ(lines[1].B, 0.75);
  EXPECT_DOUBLE_EQ(lines[2].A, 0);
  EXPECT_DOUBLE_EQ(got.pulseWeight(), 0.1);  // fifth weight of Ду 65
  const KeltControls p(static_cast<Kelt&>(got).panel());
  EXPECT_DOUBLE_EQ(p.edTauOut()->GetValue(), 79.8);  // 42 steps of 1.9 ms
  EXPECT_EQ(p.edOffset()->GetValue(), 4);
  EXPECT_EQ(this->lines(), "");
}

}  // namespace

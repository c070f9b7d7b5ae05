#include "ui/package/toleranceprofilesdlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <vector>

#include "ui/base/messageboxes.h"
#include "ui/package/toleranceprofiles.h"

namespace {

constexpr int kModel = 7;

class ToleranceProfilesDlgTest : public ::testing::Test {
 public:
  void SetUp() override {
    saveToleranceProfiles({});
    setDefaultProfileName(kModel, "");
    saveProtocolSigning({});
    dlg.load("±1 %");
  }
  void TearDown() override { SetUp(); }

  void setZone(int row, const char* from, const char* minus, const char* plus) {
    const char* texts[] = {from, minus, plus};
    for (int col = 0; col < 3; ++col) dlg.zones->item(row, col)->setText(texts[col]);
  }
  void rename(const QString& name) {
    dlg.name->setText(name);
    emit dlg.name->textEdited(name);
  }
  // OK as the user presses it: true when the dialog closed.
  bool pressOk() {
    dlg.show();
    dlg.accept();
    return !dlg.isVisible();
  }

  ToleranceProfilesDlg dlg{"КЕЛТ1-ЧИ7.73", kModel};
  std::vector<QString> errors;
  ScopedMessageAnswerer answerer{[this](const MessageBoxes::Request& r) {
    errors.push_back(r.text);
    return QMessageBox::Ok;
  }};
};

}  // namespace

TEST_F(ToleranceProfilesDlgTest, AddZonesRenameDefaultAndSigningAreKeptOnOk) {
  EXPECT_EQ(dlg.list->count(), 3);
  EXPECT_EQ(dlg.name->text(), "±1 %");
  dlg.bnAdd->click();
  rename("Класс 1,5");
  dlg.basis->setCurrentIndex(1);
  dlg.bnAddZone->click();
  ASSERT_EQ(dlg.zones->rowCount(), 2);
  setZone(0, "0", "3", "3");
  setZone(1, "0,2", "1,5", "1");
  dlg.isDefault->setChecked(true);
  dlg.operatorName->setText("Иванов И. И.");
  dlg.bench->setText("УПР-2");
  dlg.list->setCurrentRow(0);  // the edits stay with their profile
  dlg.list->setCurrentRow(3);
  EXPECT_EQ(dlg.zones->item(1, 0)->text().replace(',', '.'), "0.2");
  ASSERT_TRUE(pressOk());
  EXPECT_TRUE(errors.empty());

  const std::vector<ToleranceProfile> saved = loadToleranceProfiles();
  ASSERT_EQ(saved.size(), 4u);
  EXPECT_EQ(saved[3].name, "Класс 1,5");
  EXPECT_EQ(saved[3].basis, ZoneBasis::fractionOfMax);
  EXPECT_EQ(zonesText(saved[3].zones), "0:3;0.2:-1.5/+1");
  EXPECT_EQ(defaultProfileName(kModel), "Класс 1,5");
  EXPECT_EQ(loadProtocolSigning().operatorName, "Иванов И. И.");
  EXPECT_EQ(dlg.selectedName(), "Класс 1,5");
}

TEST_F(ToleranceProfilesDlgTest, CopyAndDeleteThenCancelKeepsNothing) {
  dlg.bnCopy->click();
  EXPECT_EQ(dlg.name->text(), "±1 % (копия)");
  dlg.list->setCurrentRow(0);
  dlg.bnDelete->click();
  EXPECT_EQ(dlg.list->count(), 3);
  dlg.show();
  dlg.reject();
  EXPECT_EQ(loadToleranceProfiles().size(), 3u);
  EXPECT_NE(findProfile(loadToleranceProfiles(), "±0,5 %"), nullptr);
}

TEST_F(ToleranceProfilesDlgTest, AProfileThatCannotBeUsedKeepsTheDialogOpen) {
  // The profile spoilt is "±1 %", the second; a name taken twice is blamed on the later one.
  struct Case {
    const char* what;
    std::function<void(ToleranceProfilesDlgTest&)> spoil;
    int blamed = 1;
  } cases[] = {
      {"not a number", [](auto& t) { t.setZone(0, "0", "один", "1"); }},
      {"zero limit", [](auto& t) { t.setZone(0, "0", "0", "1"); }},
      {"first zone above zero", [](auto& t) { t.setZone(0, "1", "1", "1"); }},
      {"zones out of order",
       [](auto& t) {
         t.dlg.bnAddZone->click();
         t.setZone(1, "0", "1", "1");
       }},
      {"same name twice", [](auto& t) { t.rename("±2 %"); }, 2},
      {"no name", [](auto& t) { t.rename(""); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dlg.load("±1 %");
    errors.clear();
    c.spoil(*this);
    dlg.list->setCurrentRow(0);  // the faulty profile is selected again by OK
    EXPECT_FALSE(pressOk());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(dlg.list->currentRow(), c.blamed);
    EXPECT_EQ(loadToleranceProfiles().size(), 3u);
    dlg.reject();
  }
}

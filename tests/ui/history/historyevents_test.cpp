#include "ui/history/historyevents.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVBoxLayout>
#include <QWidget>
#include <cmath>

#include "core/package/package.h"
#include "ui/app/fakepaneldevice.h"

namespace {

constexpr int kKelt = 18;

QJsonObject json(const std::string& text) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

QJsonObject json(const char* text) { return QJsonDocument::fromJson(text).object(); }

// Three measurements in two sections of flow: 1 m³/h twice, 5 m³/h once.
Package<KeltEntry> verificationPackage() {
  Package<KeltEntry> p;
  p.kind = pkVerification;
  const double rows[][2] = {{1.0, 0.2}, {5.0, -1.5}, {1.02, -0.4}};
  for (const auto& [flow, error] : rows) {
    p.addEntry();
    const int row = p.entryCount() - 1;
    p.setValue(row, colRefFlow, flow);
    p.setValue(row, colFlowError, error);
  }
  return p;
}

class HistoryEventsTest : public ::testing::Test {
 protected:
  HistoryEventsTest() : area(new QVBoxLayout(&page)), device(kKelt, &page) {
    device.identity = {12345, 5};
    device.lines = {{1.0, 0.0, 2.5}, {1.25, -0.5, NAN}};
  }
  QWidget page;
  QVBoxLayout* area;
  FakePanelDevice device;
};

TEST_F(HistoryEventsTest, AReadNamesTheDeviceAndShowsItsValues) {
  const HistoryEvent e = exchangeEvent(device, "/lab/a.srv", false, nullptr);
  EXPECT_EQ(e.kind, "read");
  EXPECT_EQ(e.family, "kelt");
  EXPECT_EQ(e.model, device.name());
  EXPECT_EQ(e.serial, "00012345");
  EXPECT_EQ(e.document, "/lab/a.srv");
  EXPECT_EQ(exchangeEvent(device, "a.srv", false, nullptr).document,
            QDir::current().absoluteFilePath("a.srv").toStdString())
      << "a relative path means nothing to another bench";
  EXPECT_EQ(exchangeEvent(device, "", false, nullptr).document, "") << "an unsaved document";
  EXPECT_EQ(json(e.payload), json(R"({"duCode": 5, "du": "50", "serialText": "00012345",
      "pulseWeight": 0.001, "lines": [{"A": 1, "B": 0, "F": 2.5}, {"A": 1.25, "B": -0.5,
      "F": null}], "parameters": "01020304"})"));
}

TEST_F(HistoryEventsTest, AWriteCarriesItsCheck) {
  const WriteCheck mismatch{WriteCheckResult::mismatch, {{"A", "1.25", "1.5"}}, {}};
  const HistoryEvent e = exchangeEvent(device, "", true, &mismatch);
  EXPECT_EQ(e.kind, "write");
  const QJsonObject field{{"name", "A"}, {"written", "1.25"}, {"found", "1.5"}};
  EXPECT_EQ(json(e.payload)["check"].toObject(),
            (QJsonObject{{"result", "mismatch"},
                         {"fields", QJsonArray{field}},
                         {"message", QString::fromStdString(writeCheckLine(mismatch))}}));
  // A write that was not read back has no check.
  EXPECT_FALSE(json(exchangeEvent(device, "", true, nullptr).payload).contains("check"));
}

TEST_F(HistoryEventsTest, FamiliesByTypeCode) {
  const struct {
    int code;
    const char* family;
  } cases[] = {{0, "td"}, {1, "zorb"}, {17, "zorb"}, {18, "kelt"}, {35, "kelt"}};
  for (const auto& c : cases) {
    FakePanelDevice d(c.code, &page);
    EXPECT_EQ(deviceHistoryEvent("read", d, "").family, c.family) << c.code;
  }
}

TEST_F(HistoryEventsTest, ApproximationGivesTheSectionsAndTheLines) {
  Package<KeltEntry> p = verificationPackage();
  p.kind = pkCalibration;
  const HistoryEvent e = approximationEvent(device, "", p, 2, {{2, 1, 3}}, 5);
  EXPECT_EQ(e.kind, "approximation");
  QJsonObject expected = json(R"({"package": 2, "packageKind": "calibration",
      "sections": [{"number": 1, "flow": 1.01, "meanError": -0.1, "count": 2},
                   {"number": 2, "flow": 5, "meanError": -1.5, "count": 1}],
      "lines": [{"A": 2, "B": 1, "F": 3}]})");
  expected.insert("packageName", QString::fromStdString(p.name()));
  const QJsonObject payload = json(e.payload);
  EXPECT_EQ(payload.keys(), expected.keys());
  EXPECT_NEAR(payload["sections"][0]["flow"].toDouble(), 1.01, 1e-12);
  EXPECT_NEAR(payload["sections"][0]["meanError"].toDouble(), -0.1, 1e-12);
  for (const char* key : {"package", "packageKind", "packageName", "lines"})
    EXPECT_EQ(payload[key], expected[key]) << key;
  EXPECT_EQ(payload["sections"][1], expected["sections"][1]);
}

TEST_F(HistoryEventsTest, VerificationWithAProfileJudgesEachSection) {
  const Package<KeltEntry> p = verificationPackage();
  const ToleranceProfile profile{"±1 %", ZoneBasis::flow, {{0, 1, 1}}};
  const QJsonObject payload = json(verificationEvent(device, "", p, 1, &profile, 5).payload);
  EXPECT_EQ(payload["profile"], "±1 %");
  EXPECT_EQ(payload["passed"], false);
  const QJsonObject first = payload["sections"][0].toObject();
  EXPECT_EQ(first["count"], 2);
  EXPECT_NEAR(first["spread"].toDouble(), 0.6, 1e-12);
  EXPECT_NEAR(first["stdDev"].toDouble(), std::sqrt(0.18), 1e-12);
  EXPECT_EQ(first["minus"], 1);
  EXPECT_EQ(first["plus"], 1);
  EXPECT_EQ(first["passed"], true);
  const QJsonObject second = payload["sections"][1].toObject();
  EXPECT_TRUE(second["stdDev"].isNull()) << "one measurement";
  EXPECT_EQ(second["passed"], false);
}

TEST_F(HistoryEventsTest, VerificationWithoutAProfileHasNoLimitsNorVerdict) {
  const Package<KeltEntry> p = verificationPackage();
  const QJsonObject payload = json(verificationEvent(device, "", p, 3, nullptr, 5).payload);
  EXPECT_EQ(payload["package"], 3);
  EXPECT_EQ(payload["profile"], "");
  EXPECT_TRUE(payload["passed"].isNull());
  ASSERT_EQ(payload["sections"].toArray().size(), 2);
  for (const char* key : {"minus", "plus", "passed"})
    EXPECT_TRUE(payload["sections"][0][key].isNull()) << key;
  EXPECT_NEAR(payload["sections"][0]["meanError"].toDouble(), -0.1, 1e-12);
}

TEST_F(HistoryEventsTest, FilesAreNamedWithTheHashOfTheirBytes) {
  const char* kAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  const HistoryEvent report = reportEvent(device, "/lab/a.srv", "/lab/a.pdf", "abc", "pdf", 2);
  EXPECT_EQ(report.kind, "report");
  EXPECT_EQ(
      json(report.payload),
      QJsonObject({{"path", "/lab/a.pdf"}, {"sha256", kAbc}, {"format", "pdf"}, {"package", 2}}));
  const HistoryEvent save = saveEvent(device, "/lab/Прибор.srv", "abc");
  EXPECT_EQ(save.kind, "save");
  EXPECT_EQ(save.document, "/lab/Прибор.srv");
  EXPECT_EQ(json(save.payload), QJsonObject({{"path", "/lab/Прибор.srv"}, {"sha256", kAbc}}));
}

}  // namespace

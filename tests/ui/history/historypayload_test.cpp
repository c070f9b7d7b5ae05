#include "ui/history/historypayload.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/document/devicebase.h"

namespace {

HistoryEvent event(const char* kind, const char* payload, int64_t timeMs = 1000) {
  HistoryEvent e;
  e.kind = kind;
  e.payload = payload;
  e.timeMs = timeMs;
  return e;
}

}  // namespace

TEST(HistoryPayloadTest, SummaryOfEachKindAndOfPayloadsThatLackKeys) {
  struct Case {
    const char* kind;
    const char* payload;
    const char* summary;
  };
  const Case cases[] = {
      {"read", R"({"du": "50", "lines": [{"A": 1, "B": 0, "F": 2}, {}, {}]})", "Ду 50, прямых 3"},
      {"write", R"({"lines": [{}], "check": {"result": "verified"}})", "прямых 1, проверено"},
      {"write", R"({"lines": [], "check": {"result": "mismatch"}})",
       "прямых 0, расхождение при проверке"},
      {"write", R"({"check": {"result": "unconfirmed"}})", "не подтверждено"},
      {"approximation", R"({"package": 2, "sections": [{}, {}], "lines": [{}]})",
       "пакет 2, сечений 2, прямых 1"},
      {"verification", R"({"passed": true, "sections": []})", "годен"},
      {"verification", R"({"passed": false, "sections": [{"number": 1, "passed": true},
                           {"number": 2, "passed": false}]})",
       "не годен: сечение 2"},
      {"verification", R"({"passed": false, "sections": [{"number": 1, "passed": false},
                           {"number": 3, "passed": false}]})",
       "не годен: сечения 1, 3"},
      {"verification", R"({"passed": false})", "не годен"},
      {"verification", R"({"passed": null, "sections": [{"number": 1}]})", "без профиля допусков"},
      {"report", R"({"path": "/tmp/протокол.pdf", "format": "pdf"})", "/tmp/протокол.pdf (PDF)"},
      {"save", R"({"path": "/home/a/b.srv", "sha256": "00"})", "/home/a/b.srv"},
      {"read", R"({"lines": 5, "du": 50})", ""},
      {"read", "не JSON", "данные не разобраны"},
      {"save", "[1, 2]", "данные не разобраны"},
      {"calibration", "{}", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(eventSummary(event(c.kind, c.payload)), QString::fromUtf8(c.summary))
        << c.kind << " " << c.payload;
}

TEST(HistoryPayloadTest, DetailsShowEveryFieldAndThePayloadOrItsText) {
  HistoryEvent e = event("write", R"({"lines": [{"A": 1.5}]})");
  e.user = "metrolog";
  e.bench = "Стенд 2";
  e.serial = "00012345";
  e.family = "kelt";
  const QString details = eventDetails(e);
  for (const char* part : {"Событие: Запись", "Пользователь: metrolog", "Стенд: Стенд 2", "КЕЛТ",
                           "зав. № 00012345", "Документ: не сохранён", "\"A\": 1.5"})
    EXPECT_TRUE(details.contains(QString::fromUtf8(part))) << part << "\n" << details.toStdString();

  e.payload = "{обрезано";
  EXPECT_TRUE(eventDetails(e).contains("Данные (не в формате JSON):\n{обрезано"));
}

TEST(HistoryPayloadTest, LinesOnlyFromAnArrayAndMissingValuesAsNaN) {
  EXPECT_FALSE(eventLines(event("read", R"({"du": "50"})")));
  EXPECT_FALSE(eventLines(event("read", "нет")));
  const auto lines = eventLines(event("read", R"({"lines": [{"A": 1, "B": null, "F": 3}, 7]})"));
  ASSERT_TRUE(lines);
  ASSERT_EQ(lines->size(), 2u);
  EXPECT_EQ((*lines)[0].a, 1);
  EXPECT_TRUE(std::isnan((*lines)[0].b));
  EXPECT_EQ((*lines)[0].f, 3);
  EXPECT_TRUE(std::isnan((*lines)[1].a));
}

// Verifications come newest first from the store and go oldest first into the drift; a section
// missing from one verification leaves a gap in its curve only, and the legend's flow is the mean
// over the verifications that hold the section.
TEST(HistoryPayloadTest, DriftCurvesPerSectionOldestFirst) {
  const std::vector<HistoryEvent> events = {
      event(
          "verification",
          R"({"sections": [{"number": 2, "flow": 12, "meanError": 0.4, "minus": 1, "plus": 1.5}]})",
          3000),
      event("read", R"({"lines": []})", 2500),
      event("verification", "сломано", 2200),
      event("verification",
            R"({"sections": [{"number": 1, "flow": 2, "meanError": -0.2},
                             {"number": 2, "flow": 10, "meanError": 0.1}, {"flow": 5}]})",
            2000),
  };
  const std::vector<Verification> verifications = verificationsOf(events);
  ASSERT_EQ(verifications.size(), 2u);
  EXPECT_EQ(verifications[0].timeMs, 2000);
  EXPECT_EQ(verifications[0].sections.size(), 2u);

  const std::vector<DriftCurve> curves = driftCurves(verifications);
  ASSERT_EQ(curves.size(), 2u);
  EXPECT_EQ(curves[0].section, 1);
  ASSERT_EQ(curves[0].points.size(), 1u);
  EXPECT_EQ(curves[0].points[0].x, 1);
  EXPECT_FALSE(curves[0].points[0].plus);
  EXPECT_EQ(curves[1].section, 2);
  EXPECT_DOUBLE_EQ(curves[1].meanFlow, 11);
  ASSERT_EQ(curves[1].points.size(), 2u);
  EXPECT_EQ(curves[1].points[1].x, 2);
  EXPECT_DOUBLE_EQ(curves[1].points[1].error, 0.4);
  EXPECT_EQ(curves[1].points[1].minus, 1);
  EXPECT_EQ(curves[1].points[1].plus, 1.5);
}

TEST(HistoryPayloadTest, StoredCodesInRussian) {
  EXPECT_EQ(historyKindText("approximation"), "Аппроксимация");
  EXPECT_EQ(historyKindText("calibration"), "calibration");
  EXPECT_EQ(historyFamilyText("zorb"), "ЗОРБ");
  EXPECT_EQ(historyFamilyCode(dfTd), "td");
  EXPECT_EQ(historyFamilyCode(dfKelt), "kelt");
  EXPECT_EQ(historyFamilyCode(dfZorb), "zorb");
}

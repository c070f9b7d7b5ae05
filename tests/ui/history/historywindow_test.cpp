#include "ui/history/historywindow.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include "ui/app/fakepaneldevice.h"
#include "ui/devices/panelcontrol.h"
#include "ui/history/historypayload.h"

namespace {

constexpr int64_t kHour = 3600 * 1000;
constexpr int64_t kStart = 1780000000000;  // June 2026

const char kSerial[] = "00012345";
const char kOther[] = "00054321";

// Two TD meters of one model and a KELT transducer: the first meter with a read, an
// approximation, two verifications against a profile, a verified write, a report, a save and two
// events whose payloads are broken; the second with one verification without a profile.
class HistoryWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    showWindow();
    const auto store = openHistoryStore(location);
    auto add = [&](const char* serial, const char* kind, int hour, const char* payload,
                   const char* family = "td", const char* model = "ТД-2") {
      HistoryEvent e;
      e.kind = kind;
      e.timeMs = kStart + hour * kHour;
      e.user = "metrolog";
      e.bench = "Стенд 1";
      e.document = "/work/td.srv";
      e.family = family;
      e.model = model;
      e.serial = serial;
      e.payload = payload;
      store->record(e);
    };
    add(kSerial, "read", 1,
        R"({"duCode": 5, "du": "50", "serialText": "00012345", "pulseWeight": 0.001,
            "lines": [{"A": 1.0, "B": 0.0, "F": 2.5}, {"A": 1.1, "B": 0.2, "F": 10},
                      {"A": 1.2, "B": 0.3, "F": 40}], "parameters": "0a0b"})");
    add(kSerial, "verification", 2,
        R"({"package": 2, "packageName": "Поверка", "profile": "±1 %", "passed": true,
            "sections": [{"number": 1, "flow": 2.0, "meanError": 0.3, "spread": 0.1,
                          "stdDev": null, "count": 1, "minus": 1, "plus": 1, "passed": true},
                         {"number": 2, "flow": 20.0, "meanError": -0.1, "spread": 0.1,
                          "stdDev": 0.05, "count": 3, "minus": 1, "plus": 1, "passed": true}]})");
    add(kSerial, "approximation", 3,
        R"({"package": 1, "packageName": "Градуировка", "packageKind": "calibration",
            "sections": [{"number": 1, "flow": 2.0, "meanError": 0.5, "count": 3}],
            "lines": [{"A": 1.0, "B": 0.0, "F": 2.5}, {"A": 1.15, "B": 0.2, "F": 10}]})");
    add(kSerial, "write", 4,
        R"({"duCode": 5, "du": "50", "lines": [{"A": 1.0, "B": 0.0, "F": 2.5},
            {"A": 1.15, "B": 0.2, "F": 10}], "check": {"result": "verified", "fields": [],
            "message": "Коэффициенты записаны и проверены"}})");
    add(kSerial, "verification", 5,
        R"({"package": 2, "packageName": "Поверка", "profile": "±1 %", "passed": false,
            "sections": [{"number": 1, "flow": 2.2, "meanError": 0.6, "count": 2, "minus": 1,
                          "plus": 1, "passed": true},
                         {"number": 2, "flow": 19.0, "meanError": -1.4, "count": 2, "minus": 1,
                          "plus": 1, "passed": false}]})");
    add(kSerial, "report", 6,
        R"({"path": "/work/протокол.pdf", "sha256": "ab", "format": "pdf", "package": 2})");
    add(kSerial, "save", 7, R"({"path": "/work/td.srv", "sha256": "cd"})");
    add(kSerial, "read", 8, R"({"lines": "три"})");
    add(kSerial, "verification", 9, "обрыв {");
    add(kOther, "verification", 2,
        R"({"package": 1, "profile": "", "passed": null,
            "sections": [{"number": 1, "flow": 5, "meanError": 0.2, "count": 1}]})");
    add(kOther, "save", 3, R"({"path": "/work/other.srv", "sha256": "ef"})");
    add("00099999", "read", 4, R"({"lines": []})", "kelt", "КЕЛТ-50");
  }

  // The tests' loader answers at once from the fixture's store, or with `failure` when it is set.
  HistoryLoader loader() {
    return [this](const HistoryFilter& filter, HistoryReply reply) {
      ++queries;
      lastFilter = filter;
      if (!failure.isEmpty())
        reply({{}, failure});
      else
        reply(queryHistory(location, filter));
    };
  }

  // Enter searches through a shortcut, and shortcuts reach only the active window.
  void showWindow() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  template <class W>
  W* find(const char* name) {
    return control<W>(window.get(), name);
  }
  QTableWidget* events() { return find<QTableWidget>("Events"); }
  QString status() { return find<QLabel>("lbStatus")->text(); }
  QString cell(QTableWidget* table, int row, int column) {
    QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString("(нет)");
  }
  void searchSerial(const char* serial) {
    QLineEdit* edit = find<QLineEdit>("edSerial");
    edit->clear();
    QTest::keyClicks(edit, serial);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  // Selects the rows as Ctrl+click does.
  void selectEvents(std::initializer_list<int> rows) {
    events()->clearSelection();
    for (int row : rows)
      events()->selectionModel()->select(events()->model()->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  int rowOf(const char* kind, const char* summaryStart = "") {
    for (int row = 0; row < events()->rowCount(); ++row)
      if (cell(events(), row, 1) == kind && cell(events(), row, 5).startsWith(summaryStart))
        return row;
    ADD_FAILURE() << "no event " << kind;
    return -1;
  }

  QTemporaryDir folder;
  std::string location = folder.filePath("history.sqlite").toStdString();
  QString failure;
  QString store = "history.sqlite";
  int queries = 0;
  HistoryFilter lastFilter;
  std::unique_ptr<HistoryWindow> window =
      std::make_unique<HistoryWindow>(loader(), [this] { return store; });
};

}  // namespace

TEST_F(HistoryWindowTest, SearchBySerialListsTheEventsNewestFirstWithSummaries) {
  searchSerial(kSerial);
  EXPECT_EQ(lastFilter.serial, kSerial);
  EXPECT_FALSE(find<QWidget>("Instruments")->parentWidget()->isVisibleTo(window.get()));
  struct Row {
    const char* kind;
    const char* summary;
  };
  const Row expected[] = {
      {"Поверка", "данные не разобраны"},
      {"Считывание", ""},
      {"Сохранение", "/work/td.srv"},
      {"Отчёт", "/work/протокол.pdf (PDF)"},
      {"Поверка", "не годен: сечение 2"},
      {"Запись", "Ду 50, прямых 2, проверено"},
      {"Аппроксимация", "пакет 1, сечений 1, прямых 2"},
      {"Поверка", "годен"},
      {"Считывание", "Ду 50, прямых 3"},
  };
  ASSERT_EQ(events()->rowCount(), int(std::size(expected)));
  for (int row = 0; row < events()->rowCount(); ++row) {
    EXPECT_EQ(cell(events(), row, 1), QString::fromUtf8(expected[row].kind)) << row;
    EXPECT_EQ(cell(events(), row, 5), QString::fromUtf8(expected[row].summary)) << row;
    EXPECT_EQ(cell(events(), row, 2), "metrolog");
    EXPECT_EQ(cell(events(), row, 3), "Стенд 1");
    EXPECT_EQ(cell(events(), row, 4), "/work/td.srv");
    if (row > 0) {
      EXPECT_GT(window->events()[row - 1].timeMs, window->events()[row].timeMs);
    }
  }
  EXPECT_EQ(cell(events(), 8, 0), historyTimeText(kStart + kHour));
  EXPECT_TRUE(find<QLabel>("lbEvents")->text().contains("00012345"));
  EXPECT_TRUE(status().contains("приборов: 1, событий: 9")) << status().toStdString();
}

// The payloads that are not JSON or hold the wrong types are shown as they are and break nothing.
TEST_F(HistoryWindowTest, BrokenPayloadsAreShownAsText) {
  searchSerial(kSerial);
  auto* details = find<QPlainTextEdit>("Details");
  events()->setCurrentCell(0, 0);
  EXPECT_TRUE(details->toPlainText().contains("Данные (не в формате JSON):\nобрыв {"));
  EXPECT_TRUE(details->textInteractionFlags() & Qt::TextSelectableByMouse);
  events()->setCurrentCell(1, 0);
  EXPECT_TRUE(details->toPlainText().contains("\"lines\": \"три\""));
  selectEvents({1, 5});  // a read whose lines are not an array cannot be compared
  EXPECT_FALSE(find<QPushButton>("bnCompare")->isEnabled());
}

TEST_F(HistoryWindowTest, SearchByFamilyAndModelListsInstrumentsAndTheChosenOnesEvents) {
  auto* family = find<QComboBox>("cbFamily");
  family->setCurrentIndex(family->findText("ТД"));
  find<QLineEdit>("edModel")->setText("ТД-2");
  QTest::mouseClick(find<QPushButton>("bnFind"), Qt::LeftButton);
  EXPECT_EQ(lastFilter.family, "td");
  EXPECT_EQ(lastFilter.model, "ТД-2");
  EXPECT_TRUE(lastFilter.serial.empty());

  auto* instruments = find<QTableWidget>("Instruments");
  EXPECT_TRUE(instruments->parentWidget()->isVisibleTo(window.get()));
  ASSERT_EQ(instruments->rowCount(), 2);
  // The instrument with the newest event comes first.
  EXPECT_EQ(cell(instruments, 0, 2), kSerial);
  EXPECT_EQ(cell(instruments, 0, 0), "ТД");
  EXPECT_EQ(cell(instruments, 0, 3), "9");
  EXPECT_EQ(cell(instruments, 1, 2), kOther);
  EXPECT_EQ(cell(instruments, 1, 3), "2");
  EXPECT_EQ(cell(instruments, 1, 4), historyTimeText(kStart + 3 * kHour) + ", Сохранение");
  EXPECT_EQ(events()->rowCount(), 0);

  // With every pane shown the window still fits a 1280×720 screen below its title bar.
  EXPECT_LE(window->minimumSizeHint().width(), 1280);
  EXPECT_LE(window->minimumSizeHint().height(), 680);

  instruments->setFocus();
  instruments->setCurrentCell(1, 0);
  ASSERT_EQ(events()->rowCount(), 2);
  EXPECT_EQ(cell(events(), 1, 5), "без профиля допусков");
  EXPECT_TRUE(find<QLabel>("lbEvents")->text().contains(kOther));
}

TEST_F(HistoryWindowTest, EmptyFieldsAskForWhatToSearchByAndQueryNothing) {
  EXPECT_EQ(find<QLabel>("lbStore")->text(), "Журнал: history.sqlite");
  EXPECT_TRUE(find<QLabel>("lbDrift")->text().startsWith("Выберите прибор"));
  QTest::keyClick(find<QLineEdit>("edSerial"), Qt::Key_Return);
  EXPECT_EQ(queries, 0);
  EXPECT_EQ(status(), "Введите заводской номер или выберите тип прибора.");
  searchSerial("12345");
  EXPECT_EQ(queries, 1);
  EXPECT_TRUE(status().startsWith("Ничего не найдено")) << status().toStdString();
}

// The read holds three lines, the approximation two: the third line of the second set is "—",
// and only the changed coefficient of line 2 is named.
TEST_F(HistoryWindowTest, CompareSetsOfDifferentLengthsLineByLine) {
  searchSerial(kSerial);
  auto* compare = find<QPushButton>("bnCompare");
  selectEvents({rowOf("Считывание", "Ду"), rowOf("Поверка", "годен")});
  EXPECT_FALSE(compare->isEnabled());
  selectEvents({rowOf("Аппроксимация"), rowOf("Считывание", "Ду")});
  ASSERT_TRUE(compare->isEnabled());
  QTest::mouseClick(compare, Qt::LeftButton);

  auto* table = find<QTableWidget>("Compare");
  const QStringList expected[] = {
      {"1", "1", "0", "2.5", "1", "0", "2.5", "0", "0", "0", "нет"},
      {"2", "1.1", "0.2", "10", "1.15", "0.2", "10", "0.05", "0", "0", "A"},
      {"3", "1.2", "0.3", "40", "—", "—", "—", "—", "—", "—", "нет прямой во 2-м наборе"},
  };
  ASSERT_EQ(table->rowCount(), 3);
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < table->columnCount(); ++column)
      EXPECT_EQ(cell(table, row, column), expected[row][column]) << row << "," << column;
  EXPECT_TRUE(table->item(1, 4)->font().bold());
  EXPECT_FALSE(table->item(1, 5)->font().bold());
  EXPECT_TRUE(find<QLabel>("lbCompare")->text().startsWith("1 — Считывание"));
  EXPECT_TRUE(table->isVisible() || !window->isVisible());
}

TEST_F(HistoryWindowTest, DriftPlotsOneCurvePerSectionWithItsLimits) {
  searchSerial(kSerial);
  auto* stack = find<QWidget>("DriftPlot")->parentWidget();
  auto* plot = find<QCustomPlot>("DriftPlot");
  ASSERT_EQ(static_cast<QStackedWidget*>(stack)->currentWidget(), plot);

  struct Curve {
    const char* name;
    std::vector<QPointF> points;
  };
  const Curve curves[] = {
      {"Сечение 1 (2.1 м³/ч)", {{1, 0.3}, {2, 0.6}}},
      {"Сечение 1 (2.1 м³/ч): +предел", {{1, 1}, {2, 1}}},
      {"Сечение 1 (2.1 м³/ч): −предел", {{1, -1}, {2, -1}}},
      {"Сечение 2 (19.5 м³/ч)", {{1, -0.1}, {2, -1.4}}},
      {"Сечение 2 (19.5 м³/ч): +предел", {{1, 1}, {2, 1}}},
      {"Сечение 2 (19.5 м³/ч): −предел", {{1, -1}, {2, -1}}},
  };
  ASSERT_EQ(plot->graphCount(), int(std::size(curves)));
  for (int g = 0; g < plot->graphCount(); ++g) {
    QCPGraph* graph = plot->graph(g);
    EXPECT_EQ(graph->name(), QString::fromUtf8(curves[g].name));
    std::vector<QPointF> points;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
      points.emplace_back(it->key, it->value);
    EXPECT_EQ(points, curves[g].points) << g;
    const bool limit = graph->name().contains("предел");
    EXPECT_EQ(graph->pen().style(), limit ? Qt::DashLine : Qt::SolidLine) << g;
    EXPECT_EQ(plot->legend->hasItemWithPlottable(graph), !limit) << g;
    if (!limit) {
      EXPECT_NE(graph->scatterStyle().shape(), QCPScatterStyle::ssNone);
    }
  }

  // The second meter has one verification only: a sentence instead of the plot.
  searchSerial(kOther);
  auto* sentence = find<QLabel>("lbDrift");
  EXPECT_EQ(static_cast<QStackedWidget*>(stack)->currentWidget(), sentence);
  EXPECT_EQ(sentence->text(),
            "Для графика дрейфа нужны хотя бы две поверки прибора; в журнале их 1.");
}

// A store that fails says so in the window and leaves what was shown; a query still running
// leaves the window usable, and an answer overtaken by a newer query is dropped.
TEST_F(HistoryWindowTest, FailingAndPendingQueriesChangeNothingShown) {
  searchSerial(kSerial);
  failure = "Журнал калибровок недоступен: сервер не отвечает";
  store = "metrolog@bench:5432/history";
  searchSerial(kOther);
  EXPECT_EQ(status(), failure);
  EXPECT_EQ(events()->rowCount(), 9);
  EXPECT_EQ(find<QLabel>("lbStore")->text(), "Журнал: history.sqlite");

  std::vector<HistoryReply> pending;
  window = std::make_unique<HistoryWindow>(
      [&](const HistoryFilter&, HistoryReply reply) { pending.push_back(std::move(reply)); },
      [] { return QString("history.sqlite"); });
  showWindow();
  searchSerial(kSerial);
  searchSerial(kOther);
  EXPECT_EQ(status(), "Загрузка журнала…");
  EXPECT_TRUE(find<QLineEdit>("edSerial")->isEnabled());
  ASSERT_EQ(pending.size(), 2u);
  pending[0](queryHistory(location, {kSerial}));
  EXPECT_EQ(events()->rowCount(), 0);
  pending[1](queryHistory(location, {kOther}));
  EXPECT_EQ(events()->rowCount(), 2);
}

TEST_F(HistoryWindowTest, ShowInstrumentFillsTheFieldsAndSearches) {
  window->showInstrument({"td", "ТД-2", kOther});
  EXPECT_EQ(find<QComboBox>("cbFamily")->currentText(), "ТД");
  EXPECT_EQ(find<QLineEdit>("edModel")->text(), "ТД-2");
  EXPECT_EQ(lastFilter.serial, kOther);
  EXPECT_EQ(lastFilter.family, "td");
  EXPECT_EQ(events()->rowCount(), 2);
  EXPECT_EQ(window->property("helpKeyword").toString(), "history");
}

// The window opens on the document's instrument as the history records it.
TEST(HistoryInstrumentTest, OfADocumentsDevice) {
  EXPECT_EQ(instrumentOf(nullptr).serial, "");
  QWidget page;
  page.setLayout(new QVBoxLayout);
  struct Case {
    int typeCode;
    const char* family;
  };
  for (const Case& c :
       {Case{kTdCode, "td"}, Case{kFirstKeltCode, "kelt"}, Case{kFirstZorbCode, "zorb"}}) {
    FakePanelDevice device(c.typeCode, &page);
    device.identity = {23041517, 5};
    const HistoryInstrument instrument = instrumentOf(&device);
    EXPECT_EQ(instrument.family, c.family);
    EXPECT_EQ(instrument.model, device.name());
    EXPECT_EQ(instrument.serial, "023041517");
  }
}

#include "ui/devices/td/tdreadingspage.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <deque>

#include "ui/base/messageboxes.h"
#include "ui/base/messagelog.h"
#include "ui/devices/panelcontrol.h"

namespace {

using Button = QMessageBox::StandardButton;

// The readings page on its own, fed as the panel feeds it; questions are answered from a list,
// the file dialogs give prepared paths.
class TdReadingsPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    setMessageSink([this](const QString& text) { console << text; });
    page.setFileDialogs(
        [this](QWidget*, const QString& proposed) {
          proposals << proposed;
          return savePath;
        },
        [this](QWidget*) { return openPath; });
  }
  void TearDown() override { setMessageSink({}); }

  Button answer(const MessageBoxes::Request& request) {
    questions << request.caption + ": " + request.text;
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question";
      return QMessageBox::No;
    }
    const Button b = answers.front();
    answers.pop_front();
    return b;
  }

  void feed(std::initializer_list<int> codes) {
    for (int code : codes) page.addReading(code);
  }
  QVector<double> keys() const {
    QVector<double> out;
    for (const QCPGraphData& point : *control<QCPGraph>(&page, "Series1")->data()) out << point.key;
    return out;
  }
  void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  // The file keeps six significant digits ("%G").
  static void expectFiltered(const QVector<double>& actual, const QVector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (int i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 0.001) << i;
  }

  QTemporaryDir dir;
  TTDReadingsPage page;
  QStringList console, questions, proposals;
  std::deque<Button> answers;
  QString savePath, openPath;
  ScopedMessageAnswerer answerer{[this](const MessageBoxes::Request& r) { return answer(r); }};
};

TEST_F(TdReadingsPageTest, LiveReadingsAreDrawnWithTheFilterWarmingUp) {
  feed({1000, 2000, 3000});
  EXPECT_EQ(page.codes(), (QVector<double>{1000, 2000, 3000}));
  EXPECT_EQ(page.filtered()[0], 1000);
  EXPECT_EQ(page.filtered()[1], 1500);
  EXPECT_GT(page.filtered()[2], 1400);  // the recursion starts from the mean, slowly
  EXPECT_LT(page.filtered()[2], 1600);
  EXPECT_EQ(keys(), (QVector<double>{0, 1, 2}));

  control<QCheckBox>(&page, "Scrolling")->setChecked(true);
  const QCPRange before = control<QCustomPlot>(&page, "Chart")->xAxis->range();
  feed({4000});
  EXPECT_DOUBLE_EQ(control<QCustomPlot>(&page, "Chart")->xAxis->range().lower, before.lower + 1);
  EXPECT_DOUBLE_EQ(control<QCustomPlot>(&page, "Chart")->xAxis->range().upper, before.upper + 1);

  control<QCheckBox>(&page, "Code")->setChecked(false);
  EXPECT_FALSE(control<QCPGraph>(&page, "Series1")->visible());
  EXPECT_TRUE(control<QCPGraph>(&page, "Series2")->visible());
}

TEST_F(TdReadingsPageTest, ClearingAsksAndAlwaysStopsScrolling) {
  feed({1000, 2000});
  control<QCheckBox>(&page, "Scrolling")->setChecked(true);
  answers = {QMessageBox::No};
  click(control<QPushButton>(&page, "ClearADC"));
  EXPECT_EQ(questions, QStringList{"Внимание: Очистить текущие показания ?"});
  EXPECT_EQ(page.codes().size(), 2);
  EXPECT_FALSE(control<QCheckBox>(&page, "Scrolling")->isChecked());

  control<QCheckBox>(&page, "Scrolling")->setChecked(true);
  answers = {QMessageBox::Yes};
  click(control<QPushButton>(&page, "ClearADC"));
  EXPECT_TRUE(page.codes().isEmpty());
  EXPECT_FALSE(control<QCheckBox>(&page, "Scrolling")->isChecked());
  // Counter and filter start afresh: the next reading is at X 0 and passes through.
  feed({500});
  EXPECT_EQ(keys(), QVector<double>{0});
  EXPECT_EQ(page.filtered(), QVector<double>{500});
}

TEST_F(TdReadingsPageTest, AnalysisOfTheShownStretch) {
  feed({1000, 1000, 1000, 1000, 1000});
  click(control<QPushButton>(&page, "Analyze"));
  EXPECT_EQ(console, QStringList{"Диапазон: 0 - 4, Среднее значение: 1000, Шум: 0, "
                                 "Шум/Сигнал: 0%"});

  console.clear();
  answers = {QMessageBox::Yes};
  click(control<QPushButton>(&page, "ClearADC"));
  feed({-5, 5, -5, 5, 7});  // the first four, the ones analysed, sum to 0
  click(control<QPushButton>(&page, "Analyze"));
  EXPECT_TRUE(console.isEmpty()) << console.join('\n').toStdString();
}

TEST_F(TdReadingsPageTest, SavedReadingsLoadBackAndABadFileChangesNothing) {
  feed({1000, -2000, 3000});
  const QVector<double> filtered = page.filtered();
  savePath = dir.filePath("points");
  click(control<QPushButton>(&page, "SaveADC"));
  ASSERT_EQ(proposals.size(), 1);
  EXPECT_TRUE(proposals[0].startsWith("Показания_") && proposals[0].endsWith(".csv"));
  const QString saved = savePath + ".csv";
  EXPECT_EQ(console, QStringList{"Файл показаний " + saved + " сохранен"});
  QFile file(saved);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
  ASSERT_EQ(lines.size(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(lines[i].startsWith(QByteArray::number(i) + ";"));

  // Answering No appends the file's points to the ones shown.
  openPath = saved;
  answers = {QMessageBox::No};
  click(control<QPushButton>(&page, "LoadADC"));
  EXPECT_EQ(page.codes(), (QVector<double>{1000, -2000, 3000, 1000, -2000, 3000}));
  expectFiltered(page.filtered().mid(3), filtered);

  console.clear();
  answers = {QMessageBox::Yes};
  click(control<QPushButton>(&page, "LoadADC"));
  EXPECT_EQ(page.codes(), (QVector<double>{1000, -2000, 3000}));
  expectFiltered(page.filtered(), filtered);
  EXPECT_EQ(keys(), (QVector<double>{0, 1, 2}));
  EXPECT_EQ(console, QStringList{"Файл показаний " + saved + " загружен"});

  QFile bad(dir.filePath("bad.csv"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("0;1000;1000\n1;12x;1000\n");
  bad.close();
  openPath = bad.fileName();
  console.clear();
  questions.clear();
  click(control<QPushButton>(&page, "LoadADC"));
  EXPECT_TRUE(questions.isEmpty());
  EXPECT_EQ(console.size(), 1);
  EXPECT_EQ(page.codes().size(), 3);

  openPath = dir.filePath("missing.csv");
  console.clear();
  click(control<QPushButton>(&page, "LoadADC"));
  EXPECT_EQ(console, QStringList{"Ошибка загрузки файла"});
}

}  // namespace

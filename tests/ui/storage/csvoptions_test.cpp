#include "ui/storage/csvoptions.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "core/base/errors.h"
#include "core/package/packagefixture.h"
#include "core/storage/reportfixture.h"
#include "core/storage/textexchange.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"

// Readable failure messages.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

QStringList texts(const QListWidget* list) {
  QStringList result;
  for (int row = 0; row < list->count(); ++row) result << list->item(row)->text();
  return result;
}

// A ZORB calibration package measured by volume; its export offers these columns.
const QStringList kZorbExport{"t (°C)",   "Vэт (л)", "Tэт (сек)",   "gэт (м3/ч)", "T1 (сек)",
                              "N1 (имп)", "f (Гц)",  "gизм (м3/ч)", "dg (%)"};

class CsvOptions : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    settings().clear();
    settings().sync();
    package_ = packageOf(ekZorb, pkCalibration, mVolume,
                         {{{1, 21.5}, {3, 100.0}, {7, int32_t{1191}}}, {{1, 19.0}}});
  }
  static QSettings& settings() {
    static QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Орбитон", "Duvara");
    return s;
  }
  static QVariant stored(const QString& name) {
    settings().sync();
    return settings().value(name);
  }

  // Runs the dialog; `inside` acts on it while it is shown and ends it (it is cancelled when
  // `inside` leaves it open). The file dialog answers `file` ("" for Cancel).
  void run(bool exporting, const QString& file, const std::function<void()>& inside) {
    dlg_.setFileChooser([this, file](bool) {
      ++fileQuestions_;
      return file;
    });
    QTimer::singleShot(0, &dlg_, [&] {
      inside();
      if (dlg_.isVisible()) dlg_.reject();
    });
    dlg_.runTextExchange(*package_, exporting, 0, ekZorb);
  }

  // Moves the available items with these captions to the file list, in this order.
  void moveToFile(const QStringList& captions) {
    for (const QString& caption : captions) {
      dlg_.lbAvailable->setCurrentItem(
          dlg_.lbAvailable->findItems(caption, Qt::MatchExactly).value(0));
      dlg_.bnAvail2File->click();
    }
  }

  void clickOkWith(const QStringList& captions, int separator = 2, int decimal = 0) {
    moveToFile(captions);
    dlg_.cbSeparator->setCurrentIndex(separator);
    dlg_.cbDecimalSeparator->setCurrentIndex(decimal);
    dlg_.bnOK->click();
  }

  QString textFile(const QByteArray& content) {
    QFile file(folder_.filePath("in.txt"));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return file.fileName();
  }

  // OK with temperature, volume and time in the file.
  void importTemperatureVolumeTime() { clickOkWith({"t (°C)", "Vэт (л)", "Tэт (сек)"}); }

  TCsvOptionsDlg dlg_;
  PackagePtr package_;
  int fileQuestions_ = 0;
  QTemporaryDir folder_;
};

TEST_F(CsvOptions, OffersTheColumnsOfTheMode) {
  useDecimalSeparator(',');
  dlg_.prepare(*package_, true, 0, ekZorb);
  EXPECT_EQ(dlg_.windowTitle(), "Экспорт в текстовый файл");
  EXPECT_EQ(texts(dlg_.lbAvailable), kZorbExport + QStringList{"Заполнить нулями"});
  EXPECT_EQ(dlg_.lbFile->count(), 0);
  EXPECT_EQ(dlg_.cbDecimalSeparator->itemText(2), "(,) Windows");
  EXPECT_TRUE(dlg_.cbDecimalSeparator->isVisibleTo(&dlg_));
  EXPECT_TRUE(dlg_.lbDecimalSeparator->isVisibleTo(&dlg_));

  dlg_.prepare(*package_, false, 0, ekZorb);
  EXPECT_EQ(dlg_.windowTitle(), "Импорт из текстового файла");
  EXPECT_EQ(texts(dlg_.lbAvailable),
            (QStringList{"t (°C)", "Vэт (л)", "Tэт (сек)", "T1 (сек)", "N1 (имп)", "Пропустить"}));
  EXPECT_FALSE(dlg_.cbDecimalSeparator->isVisibleTo(&dlg_));
  EXPECT_FALSE(dlg_.lbDecimalSeparator->isVisibleTo(&dlg_));
}

TEST_F(CsvOptions, ListEditing) {
  dlg_.prepare(*package_, true, 0, ekZorb);
  moveToFile({"Vэт (л)", "Заполнить нулями", "dg (%)", "Заполнить нулями", "t (°C)"});
  EXPECT_EQ(texts(dlg_.lbFile),
            (QStringList{"Vэт (л)", "Заполнить нулями", "dg (%)", "Заполнить нулями", "t (°C)"}));
  EXPECT_EQ(texts(dlg_.lbAvailable), (QStringList{"Tэт (сек)", "gэт (м3/ч)", "T1 (сек)", "N1 (имп)",
                                                  "f (Гц)", "gизм (м3/ч)", "Заполнить нулями"}));

  // "Вверх" and "Вниз" exchange with the neighbour and keep the item selected; nothing moves past
  // either end.
  dlg_.lbFile->setCurrentRow(4);
  dlg_.bnUp->click();
  dlg_.bnUp->click();
  EXPECT_EQ(dlg_.lbFile->currentRow(), 2);
  dlg_.lbFile->setCurrentRow(0);
  dlg_.bnUp->click();
  dlg_.bnDown->click();
  dlg_.lbFile->setCurrentRow(4);
  dlg_.bnDown->click();
  EXPECT_EQ(texts(dlg_.lbFile),
            (QStringList{"Заполнить нулями", "Vэт (л)", "t (°C)", "dg (%)", "Заполнить нулями"}));
  EXPECT_EQ(dlg_.lbFile->currentRow(), 4);

  // ">" puts columns back in column order before the filler and just drops a filler.
  for (int row : {4, 3, 2, 1}) {
    dlg_.lbFile->setCurrentRow(row);
    dlg_.bnFile2Avail->click();
  }
  EXPECT_EQ(texts(dlg_.lbFile), QStringList{"Заполнить нулями"});
  EXPECT_EQ(texts(dlg_.lbAvailable), kZorbExport + QStringList{"Заполнить нулями"});

  // Without a selection the buttons do nothing.
  dlg_.lbAvailable->setCurrentRow(-1);
  dlg_.bnAvail2File->click();
  dlg_.lbFile->setCurrentRow(-1);
  dlg_.bnFile2Avail->click();
  dlg_.bnUp->click();
  EXPECT_EQ(dlg_.lbFile->count(), 1);
}

TEST_F(CsvOptions, ExportWritesTheFileAndRemembersTheChoices) {
  const QString file = folder_.filePath("out.txt");
  run(true, file, [&] { clickOkWith({"t (°C)", "Заполнить нулями", "N1 (имп)"}, 2, 1); });
  QFile written(file);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll(), "21,50;0;1191\r\n19,00;0;0\r\n");
  EXPECT_EQ(stored("csv0001").toString(), QString::fromLatin1("\x02\xFF\x07"));

  dlg_.prepare(*package_, true, 0, ekZorb);
  EXPECT_EQ(texts(dlg_.lbFile), (QStringList{"t (°C)", "Заполнить нулями", "N1 (имп)"}));
  EXPECT_EQ(dlg_.cbSeparator->currentIndex(), 2);
  EXPECT_EQ(dlg_.cbDecimalSeparator->currentIndex(), 1);
  // The file list is kept per direction, the separators are shared.
  dlg_.prepare(*package_, false, 0, ekZorb);
  EXPECT_EQ(dlg_.lbFile->count(), 0);
  EXPECT_EQ(dlg_.cbSeparator->currentIndex(), 2);
}

TEST_F(CsvOptions, ThirtyTwoItemsKeepTheStoredList) {
  run(true, {}, [&] { clickOkWith(QStringList(31, "Заполнить нулями")); });
  EXPECT_EQ(stored("csv0001").toString(), QString(31, QChar(0xFF)));
  run(true, {}, [&] { clickOkWith(QStringList(32, "Заполнить нулями"), 1); });
  EXPECT_EQ(stored("csv0001").toString(), QString(31, QChar(0xFF)));
  EXPECT_EQ(stored("Separator").toString(), "1");
}

TEST_F(CsvOptions, StoredIndicesAreClampedIntoTheLists) {
  RegKey key;
  key.create(kProgramKey);
  key.writeInt("DecimalSeparator", 9);
  key.writeInt("Separator", -4);
  dlg_.prepare(*package_, true, 0, ekZorb);
  EXPECT_EQ(dlg_.cbDecimalSeparator->currentIndex(), 2);
  EXPECT_EQ(dlg_.cbSeparator->currentIndex(), 0);
}

// Cancel stores nothing; a cancelled file dialog still stores the choices, and an import then
// still recalculates the package.
TEST_F(CsvOptions, CancelledDialogs) {
  run(true, {}, [&] { moveToFile({"t (°C)"}); });
  EXPECT_EQ(fileQuestions_, 0);
  EXPECT_FALSE(stored("csv0001").isValid());
  EXPECT_FALSE(stored("Separator").isValid());

  package_->setValue(0, colRefTime, 60.0);  // refFlow is derived from it
  run(false, {}, [&] { clickOkWith({"t (°C)"}, 3); });
  EXPECT_EQ(fileQuestions_, 1);
  EXPECT_EQ(stored("csv0000").toString(), QString::fromLatin1("\x02"));
  EXPECT_EQ(stored("Separator").toString(), "3");
  FieldValue flow = 0.0;
  package_->value(0, colRefFlow, flow);
  EXPECT_DOUBLE_EQ(std::get<double>(flow), 6);
}

TEST_F(CsvOptions, ImportAddsRecalculatedEntries) {
  run(false, textFile("20;100;60\r\n21;50,5;30\r\n"), [&] { importTemperatureVolumeTime(); });
  ASSERT_EQ(package_->entryCount(), 4);
  EXPECT_EQ(package_->cellText(3, 1), "21.00");
  EXPECT_EQ(package_->cellText(3, 4), "6.060000");  // gэт derived from the imported volume
  EXPECT_EQ(stored("csv0000").toString(), QString::fromLatin1("\x02\x03\x04"));
}

// A bad field or a long line ends the import: the console gets the program's text and a line
// that says where the import stopped; what was read stays (recalculated), nothing is stored. A
// file that cannot be opened ends it with the system's error.
TEST_F(CsvOptions, FailedImports) {
  QStringList console;
  setMessageSink([&](const QString& text) { console << text; });
  const QString file = textFile("20;100;60\n21;abc;60\n22;1;1\n");
  EXPECT_THROW(run(false, file, [&] { importTemperatureVolumeTime(); }), SilentAbort);
  EXPECT_EQ(console, QStringList({"Неправильное значение: abc",
                                  "Импорт из файла \"" + file +
                                      "\" остановлен на строке 2, поле 2 (\"Vэт (л)\"): добавлено "
                                      "записей: 2, последняя заполнена не полностью"}));
  ASSERT_EQ(package_->entryCount(), 4);
  EXPECT_EQ(package_->cellText(2, 4), "6.000000");
  EXPECT_EQ(package_->cellText(3, 1), "21.00");
  EXPECT_FALSE(stored("csv0000").isValid());

  console.clear();
  const QString longLine = textFile("23;1;1\n" + QByteArray(256, '1') + "\n24;1;1\n");
  EXPECT_THROW(run(false, longLine, [&] { importTemperatureVolumeTime(); }), SilentAbort);
  EXPECT_EQ(console, QStringList({"Строка 2 файла длиннее 255 символов",
                                  "Импорт из файла \"" + longLine +
                                      "\" остановлен на строке 2: добавлено записей: 1"}));
  ASSERT_EQ(package_->entryCount(), 5);
  EXPECT_EQ(package_->cellText(4, 1), "23.00");
  setMessageSink({});

  try {
    run(false, folder_.filePath("missing.txt"), [&] { dlg_.bnOK->click(); });
    ADD_FAILURE() << "a missing file was read";
  } catch (const win_error& e) {
    EXPECT_EQ(e.code(), ENOENT);
  }
  EXPECT_EQ(package_->entryCount(), 5);
}

}  // namespace

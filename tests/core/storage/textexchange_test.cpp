#include "core/storage/textexchange.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/package/approxstate.h"
#include "core/package/packagefixture.h"
#include "core/storage/reportfixture.h"
#include "core/storage/textfixtures.h"

namespace fs = std::filesystem;

namespace {

using namespace textfixtures;

using TextExchange = PackageTest;  // fresh approximation state and locale

std::vector<std::string> captions(const PackageBase& package, const std::vector<int>& columns) {
  std::vector<std::string> texts;
  for (int c : columns) texts.push_back(package.column(c).caption);
  return texts;
}

double real(const PackageBase& package, int row, int id) {
  FieldValue v = -1.0;
  package.value(row, id, v);
  return std::get<double>(v);
}

int32_t integer(const PackageBase& package, int row, int id) {
  FieldValue v = int32_t{-1};
  package.value(row, id, v);
  return std::get<int32_t>(v);
}

PackagePtr zorbPackage() {
  return packageOf(ekZorb, pkCalibration, mVolume,
                   {{{1, 21.5}, {3, 100.0}, {5, 6.125}, {7, int32_t{1191}}},
                    {{1, 19.0}, {3, 0.25}, {5, -1.5}, {7, int32_t{-3}}}});
}

// Export offers every column but the check boxes, import only the typed ones; hidden columns are
// offered by neither.
TEST(OfferedColumns, ByModeAndLayout) {
  struct Case {
    int entryKind, kind, method, hidden;
    bool exporting;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {ekKelt,
       pkCalibration,
       mVolume,
       0,
       true,
       {"№ сечения", "t (°C)", "Vэт (л)", "Tэт (сек)", "gэт (м3/ч)", "T1 (сек)", "N1 (имп)",
        "f (Гц)", "gизм (м3/ч)", "dg (%)", "№ прямой"}},
      {ekKelt,
       pkCalibration,
       mVolume,
       0,
       false,
       {"t (°C)", "Vэт (л)", "Tэт (сек)", "T1 (сек)", "N1 (имп)"}},
      {ekEpr,
       pkVerification,
       mReference,
       0,
       false,
       {"t (°C)", "Tэт (сек)", "gэт (м3/ч)", "E (код)", "N2 (имп)"}},
      {ekZorb,
       pkVerification,
       mMass,
       3,
       true,
       {"t (°C)", "Mэт (кг)", "Vэт (л)", "Tэт (сек)", "gэт (м3/ч)", "T1 (сек)", "N1 (имп)",
        "f (Гц)", "gизм (м3/ч)", "dg (%)"}},
      {ekZorb,
       pkVerification,
       mMass,
       3,
       false,
       {"t (°C)", "Mэт (кг)", "Tэт (сек)", "T1 (сек)", "N1 (имп)"}},
  };
  for (const Case& c : cases) {
    const PackagePtr package = packageOf(c.entryKind, c.kind, c.method);
    EXPECT_EQ(captions(*package, offeredColumns(*package, c.hidden, c.exporting)), c.expected)
        << c.entryKind << c.kind << c.method << c.exporting;
  }
}

TEST(ColumnList, NamesAndStoredForm) {
  EXPECT_EQ(columnListName(2, 1, 1, false), "csv2110");
  EXPECT_EQ(columnListName(0, 0, 2, true), "csv0021");

  EXPECT_EQ(encodeColumnList({0, kFillerItem, 5, kFillerItem}), "\x01\xFF\x06\xFF");
  EXPECT_EQ(encodeColumnList({}), "");
  // Columns not offered (any more), repeated columns and bytes naming nothing are skipped;
  // fillers may repeat.
  EXPECT_EQ(decodeColumnList("\x06\xFF\x02\x06\x03\xFF\x7F\x01", {1, 3, 5}),
            (std::vector<int>{5, kFillerItem, 1, kFillerItem}));
}

TEST(ColumnList, FieldSeparators) {
  EXPECT_EQ(fieldSeparatorOf(0), ' ');
  EXPECT_EQ(fieldSeparatorOf(1), ',');
  EXPECT_EQ(fieldSeparatorOf(2), ';');
  EXPECT_EQ(fieldSeparatorOf(3), '\t');
  EXPECT_EQ(fieldSeparatorOf(-1), '\t');
}

TEST_F(TextExchange, WritesOneLinePerEntry) {
  struct Case {
    char userSeparator, fieldSeparator, decimalSeparator;
    std::vector<int> items;
    const char* expected;
  };
  const Case cases[] = {
      {'.',
       ';',
       '.',
       {kTemperature, kFillerItem, kFillerItem, kPulses1, kRefFlow},
       "21.50;0;0;1191;6.125000\r\n19.00;0;0;-3;-1.500000\r\n"},
      {',', '\t', '.', {kRefVolume, kTemperature}, "100.000\t21.50\r\n0.250\t19.00\r\n"},
      // Nothing keeps a decimal comma apart from a comma separator.
      {'.', ',', ',', {kTemperature, kRefVolume}, "21,50,100,000\r\n19,00,0,250\r\n"},
      {'.', ' ', '.', {}, "\r\n\r\n"},
  };
  const PackagePtr package = zorbPackage();
  for (const Case& c : cases) {
    useDecimalSeparator(c.userSeparator);
    std::ostringstream out;
    writeText(out, *package, c.items, c.fieldSeparator, c.decimalSeparator);
    EXPECT_EQ(out.str(), c.expected);
  }
  std::ostringstream empty;
  writeText(empty, *packageOf(ekZorb, pkCalibration, mVolume), {kTemperature}, ';', '.');
  EXPECT_EQ(empty.str(), "");
}

// Short lines add nothing, fields beyond the list are ignored, a filler skips its field, "1.5" and
// "1,5" mean the same whatever the user's separator, and LF and CR LF both end a line.
TEST_F(TextExchange, ReadsEveryCompleteLine) {
  const std::string text = kMixedLines;
  for (char userSeparator : {'.', ','}) {
    useDecimalSeparator(userSeparator);
    const PackagePtr package = packageOf(ekZorb, pkCalibration, mVolume);
    std::istringstream in(text);
    readText(in, *package, {kTemperature, kFillerItem, kPulses1}, ';');
    ASSERT_EQ(package->entryCount(), 3) << userSeparator;
    const double temperatures[] = {21.5, 22.5, 24};
    const int32_t pulses[] = {100, 200, 300};
    for (int row = 0; row < 3; ++row) {
      EXPECT_EQ(real(*package, row, colTemperature), temperatures[row]);
      EXPECT_EQ(integer(*package, row, colPulses1), pulses[row]);
    }
  }
}

// The import stops at the first bad field or long line, keeps what it read (the entry being filled
// included) and tells where it stopped: line, field and column, entries taken.
TEST_F(TextExchange, AStoppedImportKeepsWhatWasReadAndSaysWhere) {
  const std::string longest = "21;" + std::string(252, 'x');
  struct Case {
    std::string text;
    std::vector<int> items;
    const char* cause;
    int entries;
    const char* where;
  } const cases[] = {
      {"20;1\n21;abc\n22;3\n",
       {kTemperature, kPulses1},
       "Неправильное значение: abc",
       2,
       "Импорт из файла \"in.txt\" остановлен на строке 2, поле 2 (\"N1 (имп)\"): добавлено "
       "записей: 2, последняя заполнена не полностью"},
      {"x;1x\n",
       {kFillerItem, kTemperature},
       "Неправильное значение: 1x",
       1,
       "Импорт из файла \"in.txt\" остановлен на строке 1, поле 2 (\"t (°C)\"): добавлено "
       "записей: 1, последняя заполнена не полностью"},
      {longest + "\r\n" + longest + "\n" + longest + "y\n30\n",
       {kTemperature},
       "Строка 3 файла длиннее 255 символов",
       2,
       "Импорт из файла \"in.txt\" остановлен на строке 3: добавлено записей: 2"},
      {std::string(256, '1') + "\n",
       {kTemperature},
       "Строка 1 файла длиннее 255 символов",
       0,
       "Импорт из файла \"in.txt\" остановлен на строке 1: добавлено записей: 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cause);
    const PackagePtr package = packageOf(ekZorb, pkCalibration, mVolume);
    std::istringstream in(c.text);
    try {
      readText(in, *package, c.items, ';');
      ADD_FAILURE() << "the import did not stop";
    } catch (const TextImportError& e) {
      EXPECT_STREQ(e.what(), c.cause);
      EXPECT_EQ(importStopText("in.txt", e), c.where);
    }
    EXPECT_EQ(package->entryCount(), c.entries);
  }
}

TEST_F(TextExchange, ABadFieldLeavesTheEntryItFilledPartly) {
  const PackagePtr package = packageOf(ekZorb, pkCalibration, mVolume);
  std::istringstream in("20;1\n21;abc\n22;3\n");
  EXPECT_THROW(readText(in, *package, {kTemperature, kPulses1}, ';'), TextImportError);
  ASSERT_EQ(package->entryCount(), 2);
  EXPECT_EQ(real(*package, 1, colTemperature), 21);
  EXPECT_EQ(integer(*package, 1, colPulses1), 0);
}

TEST_F(TextExchange, FilesRoundTripAndReportTheSystemError) {
  const fs::path folder = fs::temp_directory_path() / ("text_test_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string path = (folder / "package.txt").string();
  const std::vector<int> items{kPulses1, kTemperature, kRefVolume};

  exportTextFile(path, *zorbPackage(), items, '\t', ',');
  const PackagePtr imported = packageOf(ekZorb, pkCalibration, mVolume);
  importTextFile(path, *imported, items, '\t');
  ASSERT_EQ(imported->entryCount(), 2);
  EXPECT_EQ(real(*imported, 1, colRefVolume), 0.25);
  EXPECT_EQ(integer(*imported, 1, colPulses1), -3);

  const std::pair<std::function<void()>, int> failures[] = {
      {[&] { importTextFile((folder / "missing.txt").string(), *imported, items, '\t'); }, ENOENT},
      {[&] { importTextFile(folder.string(), *imported, items, '\t'); }, EISDIR},
      {[&] { exportTextFile((folder / "no" / "x.txt").string(), *imported, items, '\t', '.'); },
       ENOENT},
  };
  for (const auto& [action, code] : failures) {
    try {
      action();
      ADD_FAILURE() << "no error " << code;
    } catch (const win_error& e) {
      EXPECT_EQ(e.code(), code);
    }
  }
  EXPECT_EQ(imported->entryCount(), 2);
  fs::remove_all(folder);
}

}  // namespace

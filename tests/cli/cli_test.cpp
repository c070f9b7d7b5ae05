// tdservice-cli is run as a script runs it, on fixture documents of each family and file version.
// Its output is compared with expected files checked against the program's own results, and
// with what the program's code gives in this process for the same document.

#include <gtest/gtest.h>

#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "clijson.h"
#include "commands.h"
#include "core/base/localehook.h"
#include "core/devices/devicetypes.h"
#include "core/document/document.h"
#include "core/package/approxstate.h"
#include "core/storage/cp1251.h"
#include "core/storage/docfixtures.h"
#include "core/storage/files.h"
#include "core/storage/report.h"
#include "core/verdict/verdict.h"
#include "ui/app/devicefactory.h"
#include "ui/app/sharedcommands.h"
#include "ui/app/systemlocale.h"
#include "ui/package/toleranceprofiles.h"

using nlohmann::json;

namespace {

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A version-1 ZORB document with one calibration record and a deleted one.
std::string zorbVersion1() {
  fixtures::OldHeader h;
  h.type = 5;
  h.diameter = 5;
  h.serial = 42;
  h.pulseStep = 7;
  h.func = 1;
  h.mode = 1;
  h.records = 2;
  const fixtures::OldRecord deleted{22, 11, 61, 60, 0, 1, 0x80, 1, 2, 3};
  const fixtures::OldRecord calibration{19, 5, 30, 29, 2, 0, 0, 300, 30, 9};
  return fixtures::fileHeader(1) + fixtures::oldHeader(h) + fixtures::oldRecord(deleted) +
         fixtures::oldRecord(calibration);
}

// The KELT document with every entry switched on, so the fit has three points.
std::string keltToFit() {
  fixtures::Document d = fixtures::keltDocument();
  for (fixtures::Entry& e : d.packages[0].entries) e.switchedOff = 0;
  return documentBytes(d);
}

// A ZORB document whose calibration package has no entries: nothing to fit.
std::string zorbWithoutEntries() {
  fixtures::Document d = fixtures::zorbDocument();
  d.packages[0].entries.clear();
  return documentBytes(d);
}

struct DocCase {
  std::string name;
  std::string bytes;
};

// One document per family and per file version.
std::vector<DocCase> documents() {
  fixtures::Document tdV4 = fixtures::tdDocument();
  tdV4.version = 4;
  fixtures::Document zorbV3 = fixtures::zorbDocument();
  zorbV3.version = 3;
  zorbV3.type = 0;  // the family code
  return {{"td_v5", documentBytes(fixtures::tdDocument())},
          {"zorb_v5", documentBytes(fixtures::zorbDocument())},
          {"kelt_v5", documentBytes(fixtures::keltDocument())},
          {"td_v4", documentBytes(tdV4)},
          {"zorb_v3", documentBytes(zorbV3)},
          {"kelt_v2", fixtures::keltVersion2()},
          {"zorb_v1", zorbVersion1()}};
}

class CliTool : public ::testing::Test {
 protected:
  void TearDown() override {
    closeDocument(doc_);
    setLocaleHook(defaultLocaleHook());
  }

  std::string path(const std::string& name) const {
    return dir_.filePath(name.c_str()).toStdString();
  }

  // Writes the fixture document into the temporary folder; returns its path.
  std::string fixture(const DocCase& c) {
    const std::string file = path(c.name + ".srv");
    writeFile(file, c.bytes);
    return file;
  }

  // Standard output goes to `outputFile` when one is named.
  static CliResult run(const std::vector<std::string>& args, const QString& outputFile = {}) {
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    QProcess process;
    if (!outputFile.isEmpty()) process.setStandardOutputFile(outputFile);
    process.start(TD_CLI, list);
    CliResult r;
    if (!process.waitForFinished(60000)) return r;
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput().toStdString();
    r.err = process.readAllStandardError().toStdString();
    return r;
  }

  // The document as the tool opens it, read here by the program's own code in the C locale.
  // Returns the version of the file.
  uint32_t openHere(const std::string& file) {
    installLocaleHook(QLocale::c());
    const uint32_t version =
        files::readDocument(file, doc_, [](uint8_t code) { return createDevice(code, nullptr); });
    takeDeviceLines(doc_);
    return version;
  }

  // What show printed when it built the whole document as one tree before writing it.
  std::string showTree(uint32_t version) const {
    DeviceBase& device = *doc_.device;
    json packages = json::array();
    for (const PackagePtr& p : doc_.packages)
      packages.push_back(packageJson(*p, hiddenColumnCount(device, p->kind != 0)));
    json tree = documentHeadJson(version, device);
    tree["packages"] = std::move(packages);
    return tree.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
  }

  // Compares with the expected file; a difference leaves the actual output beside the fixtures.
  void expectMatchesExpected(const std::string& actual, const std::string& expectedName,
                             bool asJson) {
    const std::string expected = fileText(std::string(TD_CLI_DATA) + "/" + expectedName);
    const bool same = asJson ? !expected.empty() && json::parse(expected) == json::parse(actual)
                             : expected == actual;
    if (!same) {
      writeFile(path(expectedName), actual);
      dir_.setAutoRemove(false);
      ADD_FAILURE() << expectedName << " differs; the output is in " << path(expectedName);
    }
  }

  QTemporaryDir dir_;
  Document doc_;
};

TEST_F(CliTool, ShowGivesWhatTheProgramShowsForEveryFamilyAndVersion) {
  for (const DocCase& c : documents()) {
    SCOPED_TRACE(c.name);
    const std::string file = fixture(c);
    const CliResult r = run({"show", file, "--locale", "C"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    expectMatchesExpected(r.out, "show_" + c.name + ".json", true);

    // Every entry's cells are the table's texts, as many as the table shows.
    const json shown = json::parse(r.out);
    openHere(file);
    EXPECT_EQ(shown["name"], doc_.device->name());
    ASSERT_EQ(shown["packages"].size(), doc_.packages.size());
    for (size_t k = 0; k < doc_.packages.size(); ++k) {
      const PackageBase& p = *doc_.packages[k];
      const json& package = shown["packages"][k];
      EXPECT_EQ(package["name"], p.name());
      const int visible = p.columnCount() - hiddenColumnCount(*doc_.device, p.kind != 0);
      ASSERT_EQ(package["columns"].size(), size_t(visible));
      ASSERT_EQ(package["entries"].size(), size_t(p.entryCount()));
      for (int row = 0; row < p.entryCount(); ++row) {
        for (int col = 0; col < visible; ++col)
          EXPECT_EQ(package["entries"][size_t(row)]["cells"][size_t(col)], p.cellText(row, col));
      }
    }
    closeDocument(doc_);
  }
}

TEST_F(CliTool, ShowPrintsTheDumpOfTheWholeTreeByteForByte) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(TD_EXAMPLES_DIR)) {
    if (entry.path().extension() == ".srv") files.push_back(entry.path().string());
  }
  ASSERT_FALSE(files.empty());
  for (const DocCase& c : documents()) files.push_back(fixture(c));
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const CliResult r = run({"show", file, "--locale", "C"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const uint32_t version = openHere(file);
    EXPECT_EQ(r.out, showTree(version));
    closeDocument(doc_);
  }
}

TEST_F(CliTool, ShowReportsAFailedWriteOfItsOutput) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const CliResult r = run({"show", fixture(documents()[2]), "--locale", "C"}, "/dev/full");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.starts_with("Ошибка записи в стандартный поток вывода")) << r.err;
}

TEST_F(CliTool, LocaleDecidesTheDecimalSeparatorAndTheDateOfTheName) {
  const std::string file = fixture(documents()[1]);  // ZORB: one entry at 19 °C, 31.12.2023
  const struct {
    const char* locale;
    const char* temperature;
    const char* name;
  } cases[] = {{"ru_RU", "19,00", "Градуировочный 31.12.2023 23:59"},
               {"C", "19.00", "Градуировочный 31 Dec 2023 23:59"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    const CliResult r = run({"--locale", c.locale, "show", file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json package = json::parse(r.out)["packages"][0];
    EXPECT_EQ(package["entries"][0]["cells"][1], std::string(c.temperature));
    EXPECT_EQ(package["name"], std::string(c.name));
  }
}

TEST_F(CliTool, ApproximationReplacesTheLinesAndSavesTheDocument) {
  const std::string file = fixture({"kelt_to_fit", keltToFit()});
  const std::string saved = path("approximated.srv");
  const CliResult r =
      run({"approximate", file, "--package", "1", "--save", saved, "--locale", "C"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  expectMatchesExpected(r.out, "approximate_kelt_v5.json", true);
  const json result = json::parse(r.out);
  EXPECT_EQ(result["console"], json({"Аппроксимация выполнена"}));

  // The same command in the program gives the same lines to the device.
  openHere(file);
  ASSERT_TRUE(approximatePackage(doc_, *doc_.packages[0]));
  std::vector<files::Line> held;
  doc_.device->readLines(held);
  ASSERT_EQ(result["lines"].size(), held.size());
  for (size_t i = 0; i < held.size(); ++i) {
    EXPECT_EQ(result["lines"][i]["A"], held[i].A);
    EXPECT_EQ(result["lines"][i]["B"], held[i].B);
    EXPECT_EQ(result["lines"][i]["F"], held[i].F);
  }

  const CliResult reopened = run({"show", saved, "--locale", "C"});
  ASSERT_EQ(reopened.exitCode, 0) << reopened.err;
  EXPECT_EQ(json::parse(reopened.out)["fileVersion"], 5);
  EXPECT_EQ(json::parse(reopened.out)["lines"], result["lines"]);
}

TEST_F(CliTool, ReportIsTheProgramsPageByteForByte) {
  for (const DocCase& c : documents()) {
    SCOPED_TRACE(c.name);
    const std::string file = fixture(c);
    const std::string out = path(c.name + ".html");
    const CliResult r = run({"report", file, "--package", "1", "--out", out, "--locale", "C"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    openHere(file);
    const std::string here = path(c.name + "_here.html");
    writeReport(here, *doc_.device, *doc_.packages[0]);
    EXPECT_EQ(fileText(out), fileText(here));
    if (c.name == "td_v5") expectMatchesExpected(fileText(out), "report_td_v5.html", false);
    closeDocument(doc_);
  }
}

TEST_F(CliTool, VerdictJudgesAsTheProgramDoesAndExitsByTheResult) {
  const std::string file = std::string(TD_EXAMPLES_DIR) + "/kelt.srv";
  openHere(file);
  const PackageVerdict here = judgePackage(
      *doc_.packages[0], {"", ZoneBasis::flow, {{0, 100, 100}}}, apprSettings().sectionScatter);
  const CliResult wide = run({"verdict", file, "--package", "1", "--limits", "0:100"});
  ASSERT_EQ(wide.exitCode, 0) << wide.err;
  const json v = json::parse(wide.out);
  EXPECT_TRUE(v["passed"].get<bool>());
  EXPECT_EQ(v["rows"].size(), here.rows.size());
  ASSERT_EQ(v["sections"].size(), here.sections.size());
  EXPECT_EQ(v["sections"][0]["meanError"].get<double>(), here.sections[0].meanError);
  EXPECT_EQ(v["rows"][0]["row"], here.rows[0].row + 1);

  const CliResult narrow = run({"verdict", file, "--package", "1", "--limits", "0:-1e-9/+1e-9"});
  EXPECT_EQ(narrow.exitCode, kVerdictFailed) << narrow.err;
  EXPECT_FALSE(json::parse(narrow.out)["passed"].get<bool>());

  // A profile the user saved is found by its name.
  saveToleranceProfiles({{"Широкий", ZoneBasis::fractionOfMax, {{0, 50, 50}, {0.5, 40, 40}}}});
  const CliResult saved = run({"verdict", file, "--package", "1", "--profile", "Широкий"});
  saveToleranceProfiles({});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_EQ(json::parse(saved.out)["profile"]["zones"][1]["from"], 0.5);

  struct Bad {
    std::vector<std::string> options;
    int exitCode;
  } bad[] = {
      {{"--limits", "0:x"}, 2},
      {{"--limits", "1:2"}, 2},
      {{}, 2},
      {{"--limits", "0:1", "--profile", "±1 %"}, 2},
      {{"--limits", "0:1", "--basis", "volume"}, 2},
      {{"--profile", "Нет такого"}, 1},
  };
  for (const Bad& b : bad) {
    std::vector<std::string> args = {"verdict", file, "--package", "1"};
    args.insert(args.end(), b.options.begin(), b.options.end());
    const CliResult r = run(args);
    EXPECT_EQ(r.exitCode, b.exitCode) << b.options.size() << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_FALSE(r.err.empty());
  }
}

TEST_F(CliTool, ReportWithAProfileAddsTheVerdictInHtmlAndPdf) {
  const std::string file = std::string(TD_EXAMPLES_DIR) + "/kelt.srv";
  const std::string html = path("judged.html"), pdf = path("judged.pdf");
  const CliResult r = run({"report", file, "--package", "1", "--out", html, "--pdf", pdf,
                           "--limits", "0:1", "--operator", "Петров", "--locale", "C"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string page = fileText(html);
  EXPECT_NE(page.find(toWindows1251("Заключение о годности")), std::string::npos);
  EXPECT_NE(page.find(toWindows1251("Петров")), std::string::npos);
  EXPECT_EQ(fileText(pdf).substr(0, 5), "%PDF-");
  // Only the PDF, and neither.
  EXPECT_EQ(run({"report", file, "--package", "1", "--pdf", path("only.pdf")}).exitCode, 0);
  EXPECT_TRUE(std::filesystem::exists(path("only.pdf")));
  EXPECT_EQ(run({"report", file, "--package", "1"}).exitCode, 2);
}

TEST_F(CliTool, ExportWritesTheChosenColumnsWithTheChosenSeparators) {
  const std::string file = fixture(documents()[0]);  // TD verification package, two entries
  const std::string out = path("export.txt");
  const CliResult r =
      run({"export", file, "--package", "1", "--columns", "1,fill,0,5", "--separator", "semicolon",
           "--decimal", "comma", "--out", out, "--locale", "C"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  expectMatchesExpected(fileText(out), "export_td_v5.txt", false);
}

TEST_F(CliTool, ImportAddsEntriesAndSavesWhatALongLineLeft) {
  const std::string file = fixture(documents()[2]);  // KELT, three entries in package 1
  const std::string text = path("import.txt");
  const std::string saved = path("imported.srv");
  const std::vector<std::string> import = {
      "import", file,   "--package", "1",      "--columns", "3,fill,5", "--separator",
      "tab",    "--in", text,        "--save", saved,       "--locale", "C"};

  writeFile(text, "21.5\tx\t12.25\r\n22,5\ty\t13\r\n");
  CliResult r = run(import);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json package = json::parse(r.out)["package"];
  ASSERT_EQ(package["entries"].size(), 5u);
  EXPECT_EQ(package["entries"][3]["fields"]["temperature"], 21.5);
  EXPECT_EQ(package["entries"][4]["fields"]["temperature"], 22.5);
  EXPECT_EQ(package["entries"][4]["fields"]["refTime"], 13.0);
  const CliResult reopened = run({"show", saved, "--locale", "C"});
  EXPECT_EQ(json::parse(reopened.out)["packages"][0], package);

  // A field that is no number: the program's message and where the import stopped; the earlier
  // result stays as it was.
  const std::string before = fileText(saved);
  writeFile(text, "21.5\tx\t12.25\r\n2y\tx\t1\r\n");
  r = run(import);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Неправильное значение: 2y\nИмпорт из файла \"" + text +
                       "\" остановлен на строке 2, поле 1 (\"t (°C)\"): добавлено записей: 2, "
                       "последняя заполнена не полностью\nДокумент не записан\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(fileText(saved), before);

  // A line too long: the entries before it are saved, the message names the line, exit code 3.
  writeFile(text, "21.5\tx\t12.25\r\n" + std::string(300, '1') + "\r\n23\tx\t1\r\n");
  r = run(import);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "Строка 2 файла длиннее 255 символов\nИмпорт из файла \"" + text +
                       "\" остановлен на строке 2: добавлено записей: 1\n");
  ASSERT_EQ(json::parse(r.out)["package"]["entries"].size(), 4u);
  EXPECT_EQ(json::parse(run({"show", saved, "--locale", "C"}).out)["packages"][0],
            json::parse(r.out)["package"]);
}

TEST_F(CliTool, ConvertWritesVersion5WithTheSameContent) {
  for (const DocCase& c : documents()) {
    SCOPED_TRACE(c.name);
    const std::string out = path(c.name + "_5.srv");
    const CliResult r = run({"convert", fixture(c), out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const CliResult before = run({"show", fixture(c), "--locale", "C"});
    const CliResult after = run({"show", out, "--locale", "C"});
    json expected = json::parse(before.out);
    expected["fileVersion"] = 5;
    EXPECT_EQ(json::parse(after.out), expected);
  }
}

// A failure prints the program's message, exits with 1 and leaves any output file untouched.
TEST_F(CliTool, FailuresReportTheMessageAndWriteNothing) {
  const std::string good = fixture(documents()[2]);
  const std::string empty = fixture({"zorb_empty", zorbWithoutEntries()});
  const std::string bad = path("bad.srv");
  writeFile(bad, "3BZN\x07");
  const std::string old = path("old.srv");
  writeFile(old, "previous");
  const std::string missingFolder = path("none") + "/out.html";
  const struct {
    std::vector<std::string> args;
    std::string message;
    std::string untouched;
  } cases[] = {
      {{"show", bad}, "Неправильный формат файла", ""},
      {{"convert", bad, old}, "Неправильный формат файла", old},
      {{"convert", path("missing.srv"), old}, "System Error.  Code: 2.", old},
      {{"report", good, "--package", "9", "--out", old}, "В документе нет пакета 9", old},
      {{"report", good, "--package", "1", "--out", missingFolder}, "System Error.  Code: 2.", ""},
      {{"approximate", empty, "--package", "1", "--save", old},
       "Невозможно выполнить аппроксимацию",
       old},
      {{"approximate", good, "--package", "2", "--save", old},
       "Аппроксимация выполняется только по градуировочному пакету",
       old},
      {{"export", good, "--package", "1", "--columns", "0", "--separator", "tab", "--decimal",
        "point", "--out", old},
       "Столбец 0 нельзя выгрузить в файл",
       old},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.message);
    const CliResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.substr(0, c.message.size()), c.message) << r.err;
    EXPECT_EQ(r.out, "");
    if (!c.untouched.empty()) {
      EXPECT_EQ(fileText(c.untouched), "previous");
    }
  }
  EXPECT_FALSE(std::filesystem::exists(missingFolder));
}

TEST_F(CliTool, WrongUsageShowsTheUsageAndExitsWith2) {
  const std::string file = fixture(documents()[0]);
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"show"},
      {"show", file, "extra"},
      {"show", file, "--package", "1"},
      {"report", file, "--out", path("r.html")},
      {"report", file, "--package", "1x", "--out", path("r.html")},
      {"report", file, "--package", "0", "--out", path("r.html")},
      {"report", file, "--package", "1", "--package", "1", "--out", path("r.html")},
      {"approximate", file, "--package"},
      {"export", file, "--package", "1", "--columns", "1,,2", "--separator", "tab", "--decimal",
       "point", "--out", path("e.txt")},
      {"export", file, "--package", "1", "--columns", "1", "--separator", "pipe", "--decimal",
       "point", "--out", path("e.txt")},
      {"show", file, "--locale", "xx_NOWHERE"},
  };
  for (const auto& args : cases) {
    const CliResult r = run(args);
    EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(args);
    EXPECT_NE(r.err.find("Использование: tdservice-cli"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(path("r.html")));
  EXPECT_FALSE(std::filesystem::exists(path("e.txt")));

  const CliResult help = run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* command : {"show", "approximate", "report", "export", "import", "convert"})
    EXPECT_NE(help.out.find(std::string("\n  ") + command + " "), std::string::npos) << command;
}

}  // namespace

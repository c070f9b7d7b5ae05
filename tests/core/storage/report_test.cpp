#include "core/storage/report.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/package/approxstate.h"
#include "core/package/packagefixture.h"
#include "core/storage/cp1251.h"
#include "core/storage/fakedevice.h"
#include "core/storage/reportfixture.h"

namespace fs = std::filesystem;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using Report = PackageTest;  // fresh approximation state and locale

ReportFacts facts(const char* name, DeviceIdentity identity, int typeCode, double pulseWeight,
                  std::vector<files::Line> lines) {
  ReportFacts f;
  f.deviceName = name;
  f.identity = identity;
  f.typeCode = typeCode;
  f.pulseWeight = pulseWeight;
  f.lines = std::move(lines);
  return f;
}

// Each page is compared byte for byte with a page written by hand from the layout.
TEST_F(Report, PagesOfEachFamily) {
  struct Case {
    const char* file;
    char decimalSeparator;
    std::function<ReportFacts()> facts;
    std::function<PackagePtr()> package;
  };
  const Case cases[] = {
      {"zorb_calibration_no_lines.html", '.',
       [] {
         return facts("ЗОРБ-ТИ1", {1234, 5}, 2, 0.001, {});
       },
       [] {
         return packageOf(ekZorb, pkCalibration, mVolume,
                          {{{17, uint8_t{1}},
                            {1, 21.5},
                            {3, 100.0},
                            {4, 60.0},
                            {5, 6.0},
                            {6, 59.5},
                            {7, int32_t{1191}},
                            {8, 20.0},
                            {10, 5.97},
                            {11, -0.5}}});
       }},
      {"kelt_verification_one_line.html", '.',
       [] {
         ReportFacts f = facts("КЕЛТ-ЧИ7-xxx", {7, 9}, 18, 1e-6, {{0.25, -0.0125, 100}});
         f.settings.fromEntries = 0;
         return f;
       },
       [] { return packageOf(ekKelt, pkVerification, mMass); }},
      {"kelt_calibration_three_lines.html", ',',
       [] {
         ReportFacts f = facts("КЕЛТ1-ЧИ7.95(85)-xxx", {1234, 5}, 30, 0.0025,
                               {{0.05, 0.1, 40}, {0.06, kInf, 80}, {0.07, -0.5, 0}});
         f.settings.refTemp = 20.5;
         return f;
       },
       [] {
         return packageOf(ekKelt, pkCalibration, mVolume,
                          {{{17, uint8_t{0}},
                            {0, uint8_t{1}},
                            {15, int32_t{2}},
                            {1, 19.25},
                            {3, 50.5},
                            {4, 30.0},
                            {5, 6.06},
                            {6, 29.75},
                            {7, int32_t{1800}},
                            {8, 60.5},
                            {10, 6.1},
                            {11, 0.66},
                            {16, int32_t{2}}}});
       }},
      {"td_calibration_two_lines.html", '.',
       [] {
         return facts("Тайдмарк-2 (ТД)", {123456789, 2}, 0, 0.0001,
                      {{0.001, 0.02, 12345.678}, {0.0011, -1.2, 99999}});
       },
       [] {
         return packageOf(ekEpr, pkCalibration, mReference,
                          {{{17, uint8_t{0}},
                            {0, uint8_t{0}},
                            {15, int32_t{1}},
                            {1, 20.0},
                            {3, 10.0},
                            {4, 60.0},
                            {5, 0.6},
                            {9, 600.5},
                            {10, 0.6205},
                            {11, 3.4166},
                            {16, int32_t{1}}},
                           {{17, uint8_t{1}},
                            {0, uint8_t{1}},
                            {15, int32_t{0}},
                            {1, 25.5},
                            {3, 10.0},
                            {4, 30.0},
                            {5, 1.2},
                            {9, 1200.0},
                            {10, 1.22},
                            {11, 1.6667},
                            {16, int32_t{1}}}});
       }},
      // Type 1 has no pulse output: the last three columns of a verification package are left
      // out and the percentages are taken over the others.
      {"zorb_verification_hidden_columns.html", '.',
       [] {
         return facts("ЗОРБ-Т", {0, 0}, 1, 0.01, {{0.1, 0.002, 10}, {0.2, -1, 0}});
       },
       [] {
         return packageOf(ekZorb, pkVerification, mReference,
                          {{{1, 20.0},
                            {3, 16.667},
                            {4, 60.0},
                            {5, 1.0},
                            {6, 59.9},
                            {7, int32_t{600}},
                            {8, 10.0},
                            {10, 1.003},
                            {11, 0.3},
                            {12, int32_t{999}},
                            {13, 5.0},
                            {14, -0.5}}});
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    useDecimalSeparator(c.decimalSeparator);
    EXPECT_EQ(reportPage(c.facts(), *c.package()), fileBytes(fs::path(TD_REPORT_DATA) / c.file));
  }
}

// With a profile the verdict follows the usual page, which stays as it was.
TEST_F(Report, VerdictSectionFollowsTheUsualPage) {
  useDecimalSeparator(',');
  // Two sections by flow: 1 m³/h within ±1 %, 5 m³/h outside on its mean; one row switched off.
  const PackagePtr package =
      packageOf(ekZorb, pkVerification, mVolume,
                {{{colRefFlow, 1.0}, {colFlowError, 0.5}},
                 {{colRefFlow, 1.01}, {colFlowError, 0.7}},
                 {{colRefFlow, 5.0}, {colFlowError, 1.5}},
                 {{colRefFlow, 5.0}, {colFlowError, 9.0}, {colSwitchedOff, uint8_t{1}}}});
  package->created = {2026, 3, 4, 5, 10, 0, 0, 0};
  const ReportFacts plain = facts("ЗОРБ-ТИ1", {1234, 5}, 2, 0.001, {});
  ReportFacts judged = plain;
  judged.verdict =
      reportVerdict(*package, {"Класс <1> & \"2\"", ZoneBasis::flow, {{0, 2, 2}, {2, 1, 1}}},
                    {"Иванов <script>", "Стенд №3", ""});
  const std::string without = reportPage(plain, *package);
  const std::string with = reportPage(judged, *package);

  const std::string end = "</body>\r\n</html>\r\n";
  ASSERT_EQ(without.substr(without.size() - end.size()), end);
  ASSERT_EQ(with.substr(0, without.size() - end.size()),
            without.substr(0, without.size() - end.size()));
  const std::string section = with.substr(without.size() - end.size());
  for (const char* text :
       {"Заключение о годности", "Класс &lt;1&gt; &amp; &quot;2&quot;",
        "Дата испытаний: 05.03.2026",
        "<td>1</td>\r\n<td>1,005</td>\r\n<td>2</td>\r\n<td>0,600</td>\r\n<td>0,200</td>",
        "<td>±2</td>\r\n<td>годен</td>", "<td>5,000</td>\r\n<td>1</td>\r\n<td>1,500</td>",
        "<td>&mdash;</td>\r\n<td>±1</td>\r\n<td><b>не годен</b></td>", "Преобразователь не годен",
        "Иванов &lt;script&gt;", "Стенд №3", "Подпись:"})
    EXPECT_NE(section.find(toWindows1251(text)), std::string::npos) << text;
  EXPECT_EQ(section.find("<script>"), std::string::npos);
}

// The reduction temperature is the stream's number, with a point whatever the user's separator.
TEST_F(Report, ReductionTemperatureIsTheStreamNumber) {
  useDecimalSeparator(',');
  const std::pair<double, const char*> cases[] = {
      {20, "20"}, {20.5, "20.5"}, {-5.25, "-5.25"}, {0.1 + 0.2, "0.3"}, {1234567, "1.23457e+06"}};
  const PackagePtr package = packageOf(ekZorb, pkCalibration, mVolume);
  for (const auto& [temperature, text] : cases) {
    ReportFacts f = facts("x", {}, 1, 0, {});
    f.settings.refTemp = temperature;
    EXPECT_NE(
        reportPage(f, *package)
            .find(toWindows1251(std::string("t<sub>прив</sub> (°C): ") + text + "</td>\r\n</tr>")),
        std::string::npos)
        << text;
  }
}

TEST(FormatGeneral, FifteenDigitsFixedOrExponent) {
  const std::tuple<double, char, const char*> cases[] = {
      {0, '.', "0"},
      {-0.0, '.', "0"},
      {0.001, '.', "0.001"},
      {1e-5, '.', "0.00001"},
      {1e-6, '.', "1E-6"},
      {-2.5e-7, ',', "-2,5E-7"},
      {0.1 + 0.2, '.', "0.3"},
      {1.0 / 3, ',', "0,333333333333333"},
      {123456789012345, '.', "123456789012345"},
      {999999999999999.9, '.', "1E15"},
      {1.5e20, '.', "1.5E20"},
      {2500, '.', "2500"},
      {-12.5, ',', "-12,5"},
      {kInf, '.', "INF"},
      {std::numeric_limits<double>::quiet_NaN(), '.', "NAN"},
  };
  for (const auto& [value, sep, text] : cases) EXPECT_EQ(formatGeneral(value, sep), text) << text;
}

TEST(Cp1251, OneBytePerCharacterAndQuestionMarksForTheRest) {
  const std::pair<std::string, std::string> cases[] = {
      {"Ж°№ ё", "\xC6\xB0\xB9 \xB8"},
      {"€", "\x88"},
      {"a漢b", "a?b"},
      {"\xC3"
       "A",
       "?A"},               // a lead byte without its continuation
      {"x\xE2\x82", "x?"},  // a sequence cut off at the end
      {"", ""},
  };
  for (const auto& [utf8, bytes] : cases) EXPECT_EQ(toWindows1251(utf8), bytes) << utf8;
}

// writeReport takes the device's facts, the current lines and settings, and writes the file.
TEST_F(Report, WrittenFromTheDeviceAndTheCurrentState) {
  const fs::path folder = fs::temp_directory_path() / ("report_test_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  FakeDevice device(kFirstKeltCode);
  device.identity = {42, 3};
  device.weight = 0.5;
  currentLines() = {{1.5, 2, 3}};
  apprSettings().fromEntries = 0;
  const PackagePtr package = packageOf(ekKelt, pkCalibration, mVolume, {{{1, 21.0}}});

  const fs::path path = folder / "report.html";
  std::ofstream(path) << "previous report";
  writeReport(path.string(), device, *package);
  const std::string page = fileBytes(path);
  EXPECT_EQ(page.rfind("<html><head>", 0), 0u) << "the previous report is replaced";
  for (const char* part : {"Заводской номер: 00000042<", "Ду: 32", "Тип: fake", "имп): 0.5</td>",
                           "по средним", "<td colspan=\"2\">1.5000000</td>", "<td>21.00</td>"})
    EXPECT_NE(page.find(toWindows1251(part)), std::string::npos) << part;

  try {
    writeReport((folder / "missing" / "report.html").string(), device, *package);
    ADD_FAILURE() << "written into a missing folder";
  } catch (const win_error& e) {
    EXPECT_EQ(e.code(), ENOENT);
  }
  fs::remove_all(folder);
}

}  // namespace

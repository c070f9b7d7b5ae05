// Document commands: what "Открыть", "Аппроксимация", "Отчёт", the text exchange and "Сохранить"
// do, on a document named on the command line.

#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ios>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cliargs.h"
#include "clijson.h"
#include "commands.h"
#include "core/base/errors.h"
#include "core/devices/devicetypes.h"
#include "core/document/document.h"
#include "core/package/approxstate.h"
#include "core/storage/fdbuf.h"
#include "core/storage/files.h"
#include "core/storage/report.h"
#include "core/storage/textexchange.h"
#include "core/verdict/verdict.h"
#include "ui/app/devicefactory.h"
#include "ui/app/sharedcommands.h"
#include "ui/base/messagelog.h"
#include "ui/package/toleranceprofiles.h"
#include "ui/storage/reportpdf.h"

using nlohmann::json;

namespace {

// Reads the document as "Открыть" does and lets the device give its lines, as the program does
// when a page is shown. Returns the version of the file.
uint32_t openDocument(const std::string& path, Document& doc) {
  const uint32_t version = files::readDocument(
      path, doc, [](uint8_t typeCode) { return createDevice(typeCode, nullptr); });
  takeDeviceLines(doc);
  return version;
}

// The package of "--package K", K counted from 1 as the package tabs are.
PackageBase& packageArg(const Document& doc, const CliArgs& args) {
  const int64_t k = args.integer("package", 1, std::numeric_limits<int32_t>::max());
  if (size_t(k) > doc.packages.size())
    throw MessageError("В документе нет пакета " + std::to_string(k));
  return *doc.packages[size_t(k - 1)];
}

int hiddenColumns(const Document& doc, const PackageBase& package) {
  return hiddenColumnCount(*doc.device, package.kind != pkCalibration);
}

// "--columns": visible column indices and "fill", comma-separated; each column must be one the
// program's dialog offers for the direction, and at most once.
std::vector<int> columnsArg(const Document& doc, const PackageBase& package, const CliArgs& args,
                            bool exporting) {
  const std::vector<int> offered = offeredColumns(package, hiddenColumns(doc, package), exporting);
  std::vector<int> items;
  const std::string& list = args.value("columns");
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = std::min(list.find(',', start), list.size());
    const std::string item = list.substr(start, end - start);
    start = end + 1;
    if (item == "fill") {
      items.push_back(kFillerItem);
      continue;
    }
    const int col =
        int(parseStrictInteger(item, 0, std::numeric_limits<int32_t>::max(), "в списке столбцов"));
    if (std::find(offered.begin(), offered.end(), col) == offered.end() ||
        std::find(items.begin(), items.end(), col) != items.end())
      throw MessageError("Столбец " + std::to_string(col) + " нельзя " +
                         (exporting ? "выгрузить в файл" : "загрузить из файла"));
    items.push_back(col);
  }
  return items;
}

char separatorArg(const CliArgs& args) {
  return fieldSeparatorOf(int(args.choice("separator", {"space", "comma", "semicolon", "tab"})));
}

// Collects the console lines of a command instead of printing them.
class ConsoleCapture {
 public:
  ConsoleCapture() {
    setMessageSink([this](const QString& text) { lines_.push_back(text.toStdString()); });
  }
  ~ConsoleCapture() { setMessageSink(nullptr); }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

int show(const std::vector<std::string>& words) {
  const CliArgs args(words, 1, {});
  Document doc;
  const uint32_t version = openDocument(args.positional(0), doc);
  const json head = documentHeadJson(version, *doc.device);
  files::FdOutBuf buffer(STDOUT_FILENO);
  std::ostream out(&buffer);
  // A failed write stops the output at once instead of computing the rest of a large document.
  out.exceptions(std::ios::badbit);
  try {
    writeJsonWithPackages(out, head, doc.packages,
                          [&](const PackageBase& p) { return hiddenColumns(doc, p); });
    out.flush();
  } catch (const std::ios_base::failure&) {
    std::string text = "Ошибка записи в стандартный поток вывода: документ выведен не полностью";
    if (buffer.error() != 0) text += std::string("\n") + win_error(buffer.error()).what();
    throw MessageError(text);
  }
  return 0;
}

int approximate(const std::vector<std::string>& words) {
  const CliArgs args(words, 1, {{"package", true}, {"save", false}});
  Document doc;
  openDocument(args.positional(0), doc);
  PackageBase& package = packageArg(doc, args);
  if (package.kind != pkCalibration)
    throw MessageError("Аппроксимация выполняется только по градуировочному пакету");
  json console = json::array();
  {
    const ConsoleCapture capture;
    const bool done = approximatePackage(doc, package);
    if (!done) throw MessageError(capture.lines().back());
    console = capture.lines();
  }
  std::vector<files::Line> held;
  doc.device->readLines(held);
  if (args.has("save")) files::writeDocument(args.value("save"), *doc.device, doc.packages);
  printJson({{"console", console},
             {"lines", linesJson(held)},
             {"package", packageJson(package, hiddenColumns(doc, package))}});
  return 0;
}

// "--profile NAME" (a saved or built-in profile) or "--limits ZONES" with "--basis"; none when
// neither is given.
std::optional<ToleranceProfile> profileOption(const CliArgs& args) {
  if (args.has("profile") && args.has("limits"))
    throw UsageError("Параметры --profile и --limits не задаются вместе");
  if (args.has("profile")) return toleranceProfile(QString::fromStdString(args.value("profile")));
  if (!args.has("limits")) return std::nullopt;
  ToleranceProfile profile;
  profile.name = args.value("limits");
  if (args.has("basis") && args.choice("basis", {"flow", "fraction"}) == 1)
    profile.basis = ZoneBasis::fractionOfMax;
  try {
    profile.zones = parseZones(args.value("limits"));
  } catch (const ConvertError& e) {
    throw UsageError(e.what());
  }
  if (const std::string problem = profileProblem(profile); !problem.empty())
    throw UsageError(problem);
  return profile;
}

// The names the protocol is signed with: the settings', each replaced by its option when given.
ProtocolSigning signingOptions(const CliArgs& args) {
  ProtocolSigning signing = loadProtocolSigning();
  if (args.has("operator")) signing.operatorName = args.value("operator");
  if (args.has("bench")) signing.bench = args.value("bench");
  if (args.has("reference")) signing.reference = args.value("reference");
  return signing;
}

int report(const std::vector<std::string>& words) {
  const CliArgs args(words, 1,
                     {{"package", true},
                      {"out", false},
                      {"pdf", false},
                      {"profile", false},
                      {"limits", false},
                      {"basis", false},
                      {"operator", false},
                      {"bench", false},
                      {"reference", false}});
  if (!args.has("out") && !args.has("pdf")) throw UsageError("Нужен параметр --out или --pdf");
  const std::optional<ToleranceProfile> profile = profileOption(args);
  Document doc;
  openDocument(args.positional(0), doc);
  const PackageBase& package = packageArg(doc, args);
  ReportFacts facts = reportFacts(*doc.device);
  if (profile) facts.verdict = reportVerdict(package, *profile, signingOptions(args));
  if (args.has("out")) writeReport(args.value("out"), facts, package);
  if (args.has("pdf")) writeReportPdf(QString::fromStdString(args.value("pdf")), facts, package);
  return 0;
}

int exportText(const std::vector<std::string>& words) {
  const CliArgs args(words, 1,
                     {{"package", true},
                      {"columns", true},
                      {"separator", true},
                      {"decimal", true},
                      {"out", true}});
  const char decimal = ".,"[args.choice("decimal", {"point", "comma"})];
  const char separator = separatorArg(args);
  Document doc;
  openDocument(args.positional(0), doc);
  const PackageBase& package = packageArg(doc, args);
  exportTextFile(args.value("out"), package, columnsArg(doc, package, args, true), separator,
                 decimal);
  return 0;
}

int importText(const std::vector<std::string>& words) {
  const CliArgs args(
      words, 1,
      {{"package", true}, {"columns", true}, {"separator", true}, {"in", true}, {"save", true}});
  const char separator = separatorArg(args);
  Document doc;
  openDocument(args.positional(0), doc);
  PackageBase& package = packageArg(doc, args);
  const std::string& in = args.value("in");
  int code = 0;
  try {
    importTextFile(in, package, columnsArg(doc, package, args, false), separator);
  } catch (const TextImportError& e) {
    // A long line stops the import between entries: the complete ones before it are written. A
    // bad field stops it inside an entry, which would be written half-filled: nothing is written.
    if (!e.lineTooLong())
      throw MessageError(std::string(e.what()) + "\n" + importStopText(in, e) +
                         "\nДокумент не записан");
    std::cerr << e.what() << "\n" << importStopText(in, e) << "\n";
    code = kImportStopped;
  }
  package.recalcAll();
  files::writeDocument(args.value("save"), *doc.device, doc.packages);
  printJson({{"package", packageJson(package, hiddenColumns(doc, package))}});
  return code;
}

// A number, or null where there is none (the spread of a single measurement).
json realJson(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }

json limitJson(const ErrorLimit& limit) { return {{"minus", limit.minus}, {"plus", limit.plus}}; }

json profileJson(const ToleranceProfile& profile) {
  json zones = json::array();
  for (const ToleranceZone& z : profile.zones)
    zones.push_back({{"from", z.from}, {"minus", z.minus}, {"plus", z.plus}});
  return {{"name", profile.name},
          {"basis", profile.basis == ZoneBasis::fractionOfMax ? "fraction" : "flow"},
          {"zones", std::move(zones)}};
}

json verdictJson(const PackageVerdict& v) {
  json rows = json::array();
  for (const RowVerdict& r : v.rows)
    rows.push_back({{"row", r.row + 1},
                    {"section", r.section},
                    {"flow", realJson(r.flow)},
                    {"error", realJson(r.error)},
                    {"limit", limitJson(r.limit)},
                    {"within", r.within}});
  json sections = json::array();
  int number = 0;
  for (const SectionVerdict& s : v.sections) {
    json members = json::array();
    for (int row : s.rows) members.push_back(row + 1);
    sections.push_back({{"section", ++number},
                        {"rows", std::move(members)},
                        {"flow", realJson(s.flow)},
                        {"meanError", realJson(s.meanError)},
                        {"spread", realJson(s.spread)},
                        {"stdDev", realJson(s.stdDev)},
                        {"limit", limitJson(s.limit)},
                        {"passed", s.passed}});
  }
  return {{"rows", std::move(rows)},
          {"sections", std::move(sections)},
          {"maxFlow", realJson(v.maxFlow)},
          {"passed", v.passed}};
}

int verdict(const std::vector<std::string>& words) {
  const CliArgs args(words, 1,
                     {{"package", true}, {"profile", false}, {"limits", false}, {"basis", false}});
  const std::optional<ToleranceProfile> chosen = profileOption(args);
  if (!chosen) throw UsageError("Нужен один из параметров --profile и --limits");
  const ToleranceProfile& profile = *chosen;
  Document doc;
  openDocument(args.positional(0), doc);
  const PackageVerdict v =
      judgePackage(packageArg(doc, args), profile, apprSettings().sectionScatter);
  json out = verdictJson(v);
  out["profile"] = profileJson(profile);
  printJson(out);
  return v.passed ? 0 : kVerdictFailed;
}

int convert(const std::vector<std::string>& words) {
  const CliArgs args(words, 2, {});
  Document doc;
  openDocument(args.positional(0), doc);
  files::writeDocument(args.positional(1), *doc.device, doc.packages);
  return 0;
}

}  // namespace

std::vector<Command> documentCommands() {
  return {
      {"show", "ФАЙЛ", show,
       "Документ, как его показывает программа: устройство, настройки, прямые, пакеты."},
      {"approximate", "ФАЙЛ --package K [--save ВЫХОД]", approximate,
       "Команда \"Аппроксимация\" по пакету K; --save записывает документ."},
      {"report",
       "ФАЙЛ --package K [--out ВЫХОД.html] [--pdf ВЫХОД.pdf] [--profile ИМЯ | --limits ЗОНЫ "
       "[--basis flow|fraction]] [--operator ФИО] [--bench СТЕНД] [--reference ЭТАЛОН]",
       report,
       "Протокол пакета K, как его пишет команда \"Отчёт\" (--out) или \"Отчёт в PDF\" (--pdf); "
       "с профилем допусков - с заключением о годности."},
      {"export",
       "ФАЙЛ --package K --columns СПИСОК --separator space|comma|semicolon|tab "
       "--decimal point|comma --out ВЫХОД",
       exportText, "Экспорт столбцов пакета K в текстовый файл."},
      {"import",
       "ФАЙЛ --package K --columns СПИСОК --separator space|comma|semicolon|tab --in ВХОД "
       "--save ВЫХОД",
       importText, "Импорт строк текстового файла в пакет K и запись документа."},
      {"verdict", "ФАЙЛ --package K (--profile ИМЯ | --limits ЗОНЫ [--basis flow|fraction])",
       verdict,
       "Годность пакета K по допускаемой погрешности dg: по строкам, по сечениям и в целом. "
       "ЗОНЫ: \"ОТ:ПРЕДЕЛ\" через \";\", ПРЕДЕЛ \"2\" (±2 %) или \"-3/+2\", ОТ - расход, м3/ч "
       "(или доля наибольшего расхода при --basis fraction), например \"0:2;1,5:1\". "
       "Код выхода 4: пакет не годен."},
      {"convert", "ВХОД ВЫХОД", convert, "Документ любой версии записывается в версии 5."},
  };
}

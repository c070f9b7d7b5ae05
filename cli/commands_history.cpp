// History commands: what the calibration history holds about an instrument, read from the
// default file, another SQLite file or a shared PostgreSQL database (--db).

#include <ctime>
#include <iostream>
#include <limits>
#include <ostream>

#include "cliargs.h"
#include "clijson.h"
#include "commands.h"
#include "core/history/historystore.h"
#include "core/storage/atomicfile.h"

using nlohmann::json;

namespace {

const Option kDb{"db"};

std::unique_ptr<HistoryStore> storeArg(const CliArgs& args) {
  return openHistoryStore(args.has("db") ? args.value("db") : std::string());
}

HistoryFilter filterArg(const CliArgs& args) {
  HistoryFilter filter;
  if (args.has("serial")) filter.serial = args.value("serial");
  if (args.has("family")) filter.family = args.value("family");
  if (args.has("model")) filter.model = args.value("model");
  if (args.has("kind")) filter.kind = args.value("kind");
  if (args.has("limit"))
    filter.limit = args.integer("limit", 1, std::numeric_limits<int32_t>::max());
  return filter;
}

// ISO 8601 in UTC with milliseconds: benches of one lab may stand in different time zones.
std::string utcTime(int64_t ms) {
  const int64_t millis = (ms % 1000 + 1000) % 1000;
  const time_t seconds = time_t((ms - millis) / 1000);
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                int(millis));
  return text;
}

json eventJson(const HistoryEvent& e) {
  // A payload that is not JSON (written by hand into a shared database) is shown as its text.
  json payload = json::parse(e.payload, nullptr, false);
  if (payload.is_discarded()) payload = e.payload;
  return {
      {"id", e.id},       {"kind", e.kind},       {"time", utcTime(e.timeMs)}, {"user", e.user},
      {"bench", e.bench}, {"version", e.version}, {"document", e.document},    {"family", e.family},
      {"model", e.model}, {"serial", e.serial},   {"payload", payload}};
}

// A CSV field as RFC 4180 has it: quoted when it holds a separator, a quote or a line break.
std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

void writeCsv(std::ostream& out, const std::vector<HistoryEvent>& events) {
  out << "id,kind,time,user,bench,version,document,family,model,serial,payload\r\n";
  for (const HistoryEvent& e : events) {
    const std::string fields[] = {e.id,    e.kind,    utcTime(e.timeMs), e.user,
                                  e.bench, e.version, e.document,        e.family,
                                  e.model, e.serial,  e.payload};
    for (size_t i = 0; i < std::size(fields); ++i) out << (i ? "," : "") << csvField(fields[i]);
    out << "\r\n";
  }
}

int list(const std::vector<std::string>& words) {
  const CliArgs args(words, 0, {{"serial"}, {"family"}, {"model"}, {"kind"}, {"limit"}, kDb});
  json events = json::array();
  for (const HistoryEvent& e : storeArg(args)->list(filterArg(args)))
    events.push_back(eventJson(e));
  printJson({{"events", events}});
  return 0;
}

int show(const std::vector<std::string>& words) {
  const CliArgs args(words, 1, {kDb});
  const std::optional<HistoryEvent> event = storeArg(args)->get(args.positional(0));
  if (!event) throw MessageError("В журнале калибровок нет события " + args.positional(0));
  printJson(eventJson(*event));
  return 0;
}

int exportCsv(const std::vector<std::string>& words) {
  const CliArgs args(words, 0, {{"csv", true}, {"serial"}, {"family"}, {"model"}, {"kind"}, kDb});
  const std::vector<HistoryEvent> events = storeArg(args)->list(filterArg(args));
  files::writeFileAtomically(args.value("csv"), [&](std::ostream& out) { writeCsv(out, events); });
  printJson({{"events", events.size()}});
  return 0;
}

}  // namespace

std::vector<Command> historyCommands() {
  const std::string where = " [--db ПУТЬ|postgresql://…]";
  return {
      {"history list",
       "[--serial НОМЕР] [--family СЕМЕЙСТВО] [--model МОДЕЛЬ] [--kind ВИД] [--limit N]" + where,
       list,
       "События журнала калибровок, новые первыми. ВИД: read, write, approximation, "
       "verification, report, save."},
      {"history show", "ID" + where, show, "Событие журнала калибровок с этим ID."},
      {"history export",
       "--csv ВЫХОД [--serial НОМЕР] [--family СЕМЕЙСТВО] [--model МОДЕЛЬ] [--kind ВИД]" + where,
       exportCsv, "События журнала калибровок в файл CSV."},
  };
}

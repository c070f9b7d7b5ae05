// TD meter commands: what the panel reads on opening the port, the direct coefficient table
// written as "Установить" writes it, and one poll of the current values.

#include <cmath>
#include <iostream>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "cliargs.h"
#include "clidevice.h"
#include "clijson.h"
#include "commands.h"
#include "core/base/errors.h"
#include "core/comm/comport.h"
#include "core/devices/td/tddocblock.h"
#include "core/devices/td/tdpanelmodel.h"
#include "core/devices/td/tdthread.h"
#include "core/document/devicebase.h"

using nlohmann::json;

namespace {

using TdWorker = CliWorker<TDx2Thread>;

const std::vector<Option> kLineOptions{{"port", true}, {"baud"}, {"address"}};

// Opens the port named by --port at --baud (9600 by default) and returns --address (0 by
// default, as the panel's port setup), the address the requests go to.
uint8_t openTd(TdWorker& worker, const CliArgs& args) {
  int baudRate = 9600;
  if (args.has("baud")) {
    const size_t speed = args.choice("baud", {"9600", "4800", "2400", "1200"});
    baudRate = tdBaudRate(static_cast<int>(speed));
  }
  const auto address =
      static_cast<uint8_t>(args.has("address") ? args.integer("address", 0, 255) : 0);
  const TdRequest open =
      tdOpenRequest(static_cast<uint8_t>(cliPortPosition(args.value("port"))), baudRate);
  worker.runOk(open.type, open.common);
  return address;
}

// The decoded reply of a finished request. A reply the panel would drop or report as an error
// fails with the messages it carries.
TdReply acceptedReply(const TDx2Common& done) {
  const TdReply reply = tdDecodeReply(done);
  if (!reply.accepted) {
    std::string text;
    for (const std::string& m : reply.messages) text += (text.empty() ? "" : "\n") + m;
    throw MessageError(text.empty() ? comprt::messages[comprt::msgChecksumError] : text);
  }
  // The values are used; what the panel's log would say about them goes to standard error.
  for (const std::string& m : reply.messages) {
    if (!reply.done || m != reply.done) std::cerr << m << '\n';
  }
  return reply;
}

// One request and the value of its reply.
template <class Value>
Value exchange(TdWorker& worker, const TdRequest& request) {
  const TdReply reply = acceptedReply(worker.runOk(request.type, request.common));
  const Value* value = std::get_if<Value>(&reply.value);
  if (!value) throw MessageError(kTdBadData);
  return *value;
}

template <class Value>
Value readTd(TdWorker& worker, uint8_t address, TdFunction function) {
  return exchange<Value>(worker, tdReadRequest(address, function));
}

json systemJson(const TdSystemParameters& p) {
  json j = identityJson(
      {static_cast<int32_t>(p.serial), static_cast<uint8_t>(tdDuCode(p.diameterIndex))});
  j["serialNumber"] = p.serial;  // the meter's number is unsigned
  j["diameterIndex"] = p.diameterIndex;
  j["major"] = p.major;
  j["minor"] = p.minor;
  j["version"] = tdVersionText(p.major, p.minor);
  return j;
}

json outputsJson(const TdOutputs& outputs, uint8_t major) {
  const TdOutputsView view = tdOutputsView(outputs, major);
  return {{"weight", shortestOf(outputs.weight)},
          {"pulseLength", outputs.pulseLength},
          {"flags", outputs.flags},
          {"meander", view.meander},
          {"litresPerPulse", view.litresPerPulse},
          {"card", view.cardPosition},
          {"batcher", view.noFilter},
          {"reverseMode", view.reversePosition}};
}

json coefficientsJson(const TdCoefficients& block, bool direct) {
  json rows = json::array();
  for (const TdCoefficientRow& row : block.rows) {
    rows.push_back(
        {{"A", shortestOf(row.A)}, {"B", shortestOf(row.B)}, {"threshold", row.threshold}});
  }
  json j{{"rows", rows}};
  if (direct) {
    j["gmax"] = shortestOf(block.gmax);
    j["gpor"] = shortestOf(block.gpor);
  }
  return j;
}

// A value of the table as the meter holds it: a number in single-precision range.
float singleAt(const json& object, const std::string& key, const std::string& name) {
  const double v = jsonNumber(object, key);
  if (!(std::fabs(v) <= std::numeric_limits<float>::max()))
    throw MessageError("Недопустимое значение " + name + ": " + json(v).dump());
  return static_cast<float>(v);
}

// The direct table of `tdservice-cli td read` JSON: the whole output or its "coefficients".
TdCoefficients directTableOf(const json& file) {
  const json& table = file.contains("coefficients") ? file["coefficients"] : file;
  const json& rows = table.is_object() && table.contains("rows") ? table["rows"] : json();
  if (!rows.is_array() || rows.size() != 5)
    throw MessageError("Таблица коэффициентов должна содержать 5 строк \"rows\"");
  TdCoefficients block;
  for (size_t i = 0; i < 5; ++i) {
    const std::string n = std::to_string(i + 1);
    block.rows[i].A = singleAt(rows[i], "A", "A" + n);
    block.rows[i].B = singleAt(rows[i], "B", "B" + n);
    const double code = jsonNumber(rows[i], "threshold");
    if (code != std::floor(code) || code < std::numeric_limits<int32_t>::min() ||
        code > std::numeric_limits<int32_t>::max())
      throw MessageError("Недопустимое значение кода строки " + n + ": " + json(code).dump());
    block.rows[i].threshold = static_cast<int32_t>(code);
  }
  block.gmax = singleAt(table, "gmax", "gmax");
  block.gpor = singleAt(table, "gpor", "gpor");
  return block;
}

// What the panel reads on opening: system parameters, outputs, the coefficient tables the
// version has, network address and flow integrator.
int tdRead(const std::vector<std::string>& words) {
  const CliArgs args(words, 0, kLineOptions);
  TdWorker worker;
  const uint8_t address = openTd(worker, args);
  const auto system = readTd<TdSystemParameters>(worker, address, TF_SYSTEM);
  json out{{"system", systemJson(system)}};
  out["outputs"] = outputsJson(readTd<TdOutputs>(worker, address, TF_OUTPUTS), system.major);
  out["coefficients"] =
      coefficientsJson(readTd<TdCoefficientsRead>(worker, address, TF_COEFFICIENTS).block, true);
  if (tdVersionTraits(system.major, system.minor).reverseCoefficients) {
    const auto reverse = readTd<TdCoefficientsRead>(worker, address, TF_REVERSE_COEFFICIENTS);
    out["reverseCoefficients"] = coefficientsJson(reverse.block, false);
  }
  out["netAddress"] = readTd<TdNetAddress>(worker, address, TF_NET_ADDRESS).value;
  out["integrator"] = readTd<TdIntegrator>(worker, address, TF_INTEGRATOR).value;
  printJson(out);
  return 0;
}

// The table is checked before the port is opened, so a refused file sends nothing.
int tdWrite(const std::vector<std::string>& words) {
  std::vector<Option> options = kLineOptions;
  options.push_back({"coefficients", true});
  const CliArgs args(words, 0, options);
  const TdCoefficients block = directTableOf(readJsonFile(args.value("coefficients")));
  TdWorker worker;
  const uint8_t address = openTd(worker, args);
  const TdRequest write = tdWriteCoefficients(address, false, block);
  const TDx2Common done = worker.runOk(write.type, write.common);
  acceptedReply(done);
  const WriteCheck check =
      done.check.value_or(writeCheckUnconfirmed("Результат проверки не получен"));
  printJson(
      {{"coefficients", coefficientsJson(block, true)}, {"verification", writeCheckJson(check)}});
  return writeCheckExitCode(check);
}

json currentJson(const TdCurrentValues& v) {
  const std::array<bool, 6> lamps = tdStatusLamps(v.status);
  json j{{"status", v.status},
         {"pour", lamps[TL_POUR]},
         {"resetPulses", lamps[TL_RESET_PULSES]},
         {"reverse", lamps[TL_REVERSE]},
         {"belowThreshold", lamps[TL_BELOW_THRESHOLD]},
         {"aboveMax", lamps[TL_ABOVE_MAX]},
         {"fault", lamps[TL_FAULT]},
         {"codeSum", shortestOf(v.codeSum)},
         {"count", v.count},
         {"pulses", v.pulses},
         {"flow", shortestOf(v.flow)}};
  if (v.noiseSum) j["noiseSum"] = *v.noiseSum;
  if (v.totals) {
    j["operatingTime"] = v.totals->operatingTime;
    j["forwardWhole"] = v.totals->forwardWhole;
    j["forwardFraction"] = shortestOf(v.totals->forwardFraction);
    j["reverseWhole"] = v.totals->reverseWhole;
    j["reverseFraction"] = shortestOf(v.totals->reverseFraction);
  }
  return j;
}

// The poll's form depends on the firmware version, so the system parameters come first.
int tdPoll(const std::vector<std::string>& words) {
  const CliArgs args(words, 0, kLineOptions);
  TdWorker worker;
  const uint8_t address = openTd(worker, args);
  const auto system = readTd<TdSystemParameters>(worker, address, TF_SYSTEM);
  TdRequest poll = tdPollCurrent(address, system.minor);
  poll.type = TD_EXCHANGE;  // a failure of this one poll is the command's failure
  printJson(currentJson(exchange<TdCurrentValues>(worker, poll)));
  return 0;
}

}  // namespace

std::vector<Command> tdCommands() {
  const std::string line = "--port ПОРТ [--baud 9600|4800|2400|1200] [--address N]";
  return {{"td read", line, tdRead},
          {"td write", line + " --coefficients ФАЙЛ.json", tdWrite,
           "записывает таблицу, считывает ее обратно и сравнивает (\"verification\"); код\n"
           "      возврата 1, если прибор хранит другие значения или их не удалось считать"},
          {"td poll", line, tdPoll}};
}

// KELT transducer commands: "Считать", "Записать", the battery voltage and the automatic
// threshold tuning of the panel, for a model given by its index.

#include <string>
#include <vector>

#include "cliargs.h"
#include "clidevice.h"
#include "clijson.h"
#include "commands.h"
#include "core/base/errors.h"
#include "core/devices/kelt/keltblocks.h"
#include "core/devices/kelt/keltmodels.h"
#include "core/devices/kelt/keltpanelmodel.h"
#include "core/devices/kelt/keltthread.h"

using nlohmann::json;

namespace {

using KeltWorker = CliWorker<KeltThread>;

int modelArg(const CliArgs& args) {
  return static_cast<int>(args.integer("model", 0, kKeltModelCount - 1));
}

void openKelt(KeltWorker& worker, const CliArgs& args, int model) {
  KeltCommon open;
  open.command = static_cast<uint8_t>(cliPortPosition(args.value("port")));
  worker.runOk(keltOpenTask(model), open);
}

// One exchange as the panel pushes it; a failure, the adapter's busy answer too, throws the text
// the panel shows.
KeltCommon exchange(KeltWorker& worker, const KeltRequest& request, int32_t type = KELT_EXCHANGE) {
  return worker.runOk(type, request.data, request.flags);
}

KeltRequest command(uint8_t code, int model) {
  KeltRequest request;
  request.data.command = code;
  request.data.model = model;
  return request;
}

template <size_t N>
json numbers(const double (&values)[N], int count) {
  json list = json::array();
  for (int i = 0; i < count; ++i) list.push_back(values[i]);
  return list;
}

json parametersJson(const KeltShownParameters& s, int model) {
  json j{{"model", model}, {"duPosition", s.duPosition}, {"outputPosition", s.outputPosition}};
  if (s.segments > 0) {
    j["A"] = numbers(s.A, s.segments);
    j["B"] = numbers(s.B, s.segments);
    j["F"] = numbers(s.F, s.boundaries);
  }
  if (s.weightPosition) j["weightPosition"] = *s.weightPosition;
  if (s.n) j["n"] = *s.n;
  // As the panel's duration edit shows it: snapped to the grid the block is written on.
  if (s.pulseDuration) j["pulseDuration"] = keltSnapPulseDuration(*s.pulseDuration, model);
  if (s.offset) j["offset"] = *s.offset;
  // The restoration and thermal correction flags are left out: the panel never sets them.
  if (s.serialText) j["serialText"] = *s.serialText;
  return j;
}

int keltRead(const std::vector<std::string>& words) {
  const CliArgs args(words, 0, {{"model", true}, {"port", true}});
  const int model = modelArg(args);
  KeltWorker worker;
  openKelt(worker, args, model);
  KeltShownParameters shown;
  for (const KeltRequest& request : keltReadRequests(model)) {
    const KeltCommon data = exchange(worker, request);
    // The offset read of models 1..6 follows the parameter read.
    if (data.command == KELT_READ_OFFSET) {
      shown.offset = data.offset;
    } else {
      shown = keltShownParameters(data, model);
    }
  }
  printJson(parametersJson(shown, model));
  return 0;
}

// An integer of the JSON within lo..hi, or `fallback` when the key is absent.
int integerOr(const json& j, const std::string& key, int lo, int hi, int fallback) {
  if (!j.contains(key)) return fallback;
  const double v = jsonNumber(j, key);
  if (v != static_cast<int>(v) || v < lo || v > hi)
    throw MessageError("Недопустимое значение \"" + key + "\": " + j[key].dump());
  return static_cast<int>(v);
}

template <size_t N>
void readNumbers(const json& j, const std::string& key, size_t count, double (&out)[N]) {
  const json& list = j.contains(key) ? j[key] : json();
  if (!list.is_array() || list.size() != count)
    throw MessageError("\"" + key + "\" должен содержать " + std::to_string(count) + " чисел");
  for (size_t i = 0; i < count; ++i) {
    if (!list[i].is_number()) throw MessageError("\"" + key + "\" должен содержать числа");
    out[i] = list[i].get<double>();
  }
}

// The panel's values from the JSON `kelt read` prints for the same model.
KeltPanelValues panelValuesOf(const json& j, int model) {
  if (!j.is_object()) throw MessageError("Параметры должны быть объектом JSON");
  const size_t segments = static_cast<size_t>(keltSegmentCount(model));
  KeltPanelValues v;
  v.duPosition = integerOr(j, "duPosition", 0, kKeltDuCount - 1, 0);
  v.outputPosition =
      integerOr(j, "outputPosition", 0, static_cast<int>(keltOutputTypes(model).size()) - 1, 0);
  v.weightPosition = integerOr(j, "weightPosition", -1, 4, 0);
  v.n = integerOr(j, "n", 1, keltLayout(model).nMax, 1);
  // The duration edit of the panel snaps a value to the block's grid.
  v.pulseDuration = keltSnapPulseDuration(
      j.contains("pulseDuration") ? jsonNumber(j, "pulseDuration") : 1, model);
  v.offset = integerOr(j, "offset", -7, 7, 0);
  // A frequency output that carries no characteristic is read without one, and the device ignores
  // what is sent in its place: the keys are not needed then.
  if (keltOutputState(model, v.outputPosition).characteristicEnabled) {
    readNumbers(j, "A", segments, v.A);
    readNumbers(j, "B", segments, v.B);
    readNumbers(j, "F", segments - 1, v.F);
  }
  if (j.contains("serialText")) {
    if (!j["serialText"].is_string()) throw MessageError("\"serialText\" должен быть строкой");
    v.serialText = j["serialText"].get<std::string>();
  }
  return v;
}

// The block a write request carries, encoded as the worker will encode it: a value the format
// cannot hold is refused here, before the port is opened.
void checkBlock(const KeltCommon& d) {
  if (d.command != keltModel(d.model).writeCommand) return;
  switch (keltModel(d.model).format) {
    case 1:
    case 2:
      keltEncode(d.params12, d.model);
      break;
    case 3:
      keltEncode(d.params3, d.model);
      break;
    default:
      keltEncode(d.params4, d.model);
      break;
  }
}

int keltWrite(const std::vector<std::string>& words) {
  const CliArgs args(words, 0, {{"model", true}, {"port", true}, {"parameters", true}});
  const int model = modelArg(args);
  json file = readJsonFile(args.value("parameters"));
  const KeltPanelValues values = panelValuesOf(file, model);
  if (file.contains("pulseDuration")) file["pulseDuration"] = values.pulseDuration;
  const std::vector<KeltRequest> requests = keltWriteRequests(values, model);
  for (const KeltRequest& request : requests) checkBlock(request.data);
  KeltWorker worker;
  openKelt(worker, args, model);
  WriteCheck check;
  for (const KeltRequest& request : requests) {
    const KeltCommon done = exchange(worker, request);
    if (done.check) check = writeCheckJoin(check, *done.check);
  }
  file["verification"] = writeCheckJson(check);
  printJson(file);
  return writeCheckExitCode(check);
}

// The battery and the tuning are the adapter's: the direct models have neither.
int adapterModel(const CliArgs& args) {
  const int model = modelArg(args);
  if (keltModel(model).link != KeltLink::adapter)
    throw MessageError("Модель " + std::to_string(model) + " подключается без адаптера ОМБ-КЕЛТ");
  return model;
}

int keltBattery(const std::vector<std::string>& words) {
  const CliArgs args(words, 0, {{"model", true}, {"port", true}});
  const int model = adapterModel(args);
  KeltWorker worker;
  openKelt(worker, args, model);
  const KeltCommon data = exchange(worker, command(KELT_BATTERY, model));
  printJson({{"batteryCode", data.value}, {"battery", keltBatteryText(data.value)}});
  return 0;
}

int keltTune(const std::vector<std::string>& words) {
  const CliArgs args(words, 0, {{"model", true}, {"port", true}});
  const int model = adapterModel(args);
  KeltWorker worker;
  openKelt(worker, args, model);
  const KeltCommon data = exchange(worker, command(0, model), KELT_AUTOTUNE);
  printJson({{"level", data.command - KELT_LEVEL_0},
             {"coupling", data.value},
             {"couplingGood", keltCouplingGood(data.value)}});
  return 0;
}

}  // namespace

std::vector<Command> keltCommands() {
  const std::string target = "--model M --port ПОРТ";
  return {{"kelt read", target, keltRead},
          {"kelt write", target + " --parameters ФАЙЛ.json", keltWrite,
           "записывает параметры, считывает их обратно и сравнивает (\"verification\"); код\n"
           "      возврата 1, если прибор хранит другие значения или их не удалось считать"},
          {"kelt battery", target, keltBattery},
          {"kelt tune", target, keltTune}};
}

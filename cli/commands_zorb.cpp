// ZORB transducer commands: "Считать" and "Записать" of the panel for a model and a Ду.

#include <string>
#include <vector>

#include "cliargs.h"
#include "clidevice.h"
#include "clijson.h"
#include "commands.h"
#include "core/base/errors.h"
#include "core/devices/zorb/zorbmodels.h"
#include "core/devices/zorb/zorbpanelmodel.h"

using nlohmann::json;

namespace {

using ZorbWorker = CliWorker<ZorbThread>;

constexpr int kLastZorbModel = kZorbModelCount - 1;

constexpr const char* kWriteCheckSummary =
    "записывает A и B, считывает их обратно и сравнивает (\"verification\"); код возврата 1,\n"
    "      если прибор хранит другие значения или их не удалось считать";

// The model and Ду of the command line, as the panel holds them. Only the models with a pulse
// output keep coefficients, which is why the panel offers reading and writing for those alone.
ZorbPanelValues zorbTarget(const CliArgs& args) {
  const int model = static_cast<int>(args.integer("model", 0, kLastZorbModel));
  if (!zorbHasPulseOutput(model))
    throw MessageError("У модели " + std::to_string(model) +
                       " нет импульсного выхода: коэффициенты не считываются и не записываются");
  ZorbPanelValues values;
  const int du = static_cast<int>(args.integer("du", zorbDuCode(0), zorbDuCode(kZorbDuCount - 1)));
  values.duPosition = zorbDuPosition(du);
  return values;
}

ZorbCommon run(ZorbWorker& worker, const ZorbRequest& request) {
  return worker.runOk(request.type, request.data);
}

void openZorb(ZorbWorker& worker, const CliArgs& args) {
  run(worker, zorbOpenCommand(cliPortPosition(args.value("port"))));
}

json coefficientsJson(const ZorbCommon& data) {
  return {{"A", data.A}, {"B", data.B}, {"duCode", data.Du}};
}

int zorbRead(const std::vector<std::string>& words) {
  const CliArgs args(words, 0, {{"model", true}, {"du", true}, {"port", true}});
  const ZorbPanelValues target = zorbTarget(args);
  ZorbWorker worker;
  openZorb(worker, args);
  printJson(coefficientsJson(run(worker, zorbReadCommand(target))));
  return 0;
}

// The frame is built once before the port opens: coefficients the device cannot hold are refused
// with the panel's message and nothing is sent.
int zorbWrite(const std::vector<std::string>& words) {
  const CliArgs args(words, 0,
                     {{"model", true}, {"du", true}, {"port", true}, {"a", true}, {"b", true}});
  ZorbPanelValues values = zorbTarget(args);
  values.A = args.real("a");
  values.B = args.real("b");
  const ZorbRequest write = zorbWriteCommand(values);
  zorbWriteFrame(write.data.A, write.data.B, write.data.Du);  // can throw
  ZorbWorker worker;
  openZorb(worker, args);
  const ZorbCommon done = run(worker, write);
  const WriteCheck check =
      done.check.value_or(writeCheckUnconfirmed("Результат проверки не получен"));
  json out = coefficientsJson(write.data);
  out["verification"] = writeCheckJson(check);
  printJson(out);
  return writeCheckExitCode(check);
}

}  // namespace

std::vector<Command> zorbCommands() {
  const std::string target = "--model M --du КОД --port ПОРТ";
  return {{"zorb read", target, zorbRead},
          {"zorb write", target + " --a A --b B", zorbWrite, kWriteCheckSummary}};
}

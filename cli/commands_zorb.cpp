// ZORB transducer commands: "Считать" and "Записать" of the panel for a model and a Ду.

#include <string>
#include <vector>

#include "cliargs.h"
#include "clidevice.h"
#include "clijson.h"
#include "commands.h"
#include "core/base/errors.h"
#include "core/devices/zorb/zorbmodels.h"
#include "core/devices/zorb/zorbthread.h"

using nlohmann::json;

namespace {

using ZorbWorker = CliWorker<ZorbThread>;

constexpr int kLastZorbModel = 16;  // model index = device type code - 1
constexpr int kFirstZorbDu = 2;     // the panel's Ду list: Ду 25 .. Ду 200
constexpr int kLastZorbDu = 11;

// The model and Ду of the command line. Only the models with a pulse output keep coefficients,
// which is why the panel offers reading and writing for those alone.
ZorbCommon zorbTarget(const CliArgs& args) {
  const int model = static_cast<int>(args.integer("model", 0, kLastZorbModel));
  if (!zorbHasPulseOutput(model))
    throw MessageError("У модели " + std::to_string(model) +
                       " нет импульсного выхода: коэффициенты не считываются и не записываются");
  ZorbCommon data;
  data.Du = static_cast<uint8_t>(args.integer("du", kFirstZorbDu, kLastZorbDu));
  return data;
}

void openZorb(ZorbWorker& worker, const CliArgs& args) {
  ZorbCommon open;
  open.port = static_cast<uint8_t>(cliPortPosition(args.value("port")));
  worker.runOk(ZORB_OPEN, open);
}

json coefficientsJson(const ZorbCommon& data) {
  return {{"A", data.A}, {"B", data.B}, {"duCode", data.Du}};
}

int zorbRead(const std::vector<std::string>& words) {
  const CliArgs args(words, 0, {{"model", true}, {"du", true}, {"port", true}});
  const ZorbCommon target = zorbTarget(args);
  ZorbWorker worker;
  openZorb(worker, args);
  printJson(coefficientsJson(worker.runOk(ZORB_READ, target)));
  return 0;
}

// The frame is built once before the port opens: coefficients the device cannot hold are refused
// with the panel's message and nothing is sent.
int zorbWrite(const std::vector<std::string>& words) {
  const CliArgs args(words, 0,
                     {{"model", true}, {"du", true}, {"port", true}, {"a", true}, {"b", true}});
  ZorbCommon data = zorbTarget(args);
  data.A = args.real("a");
  data.B = args.real("b");
  zorbWriteFrame(data.A, data.B, data.Du);  // can throw
  ZorbWorker worker;
  openZorb(worker, args);
  worker.runOk(ZORB_WRITE, data);
  printJson(coefficientsJson(data));
  return 0;
}

}  // namespace

std::vector<Command> zorbCommands() {
  const std::string target = "--model M --du КОД --port ПОРТ";
  return {{"zorb read", target, zorbRead}, {"zorb write", target + " --a A --b B", zorbWrite}};
}

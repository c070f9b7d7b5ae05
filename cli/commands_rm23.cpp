// RM-2.3 command: one timed measurement run as the dialog runs it: "Старт" with the time stop,
// the status polls once a second until the instrument reports completion, then "Стоп" with the
// temperature of the chosen thermometer channel.

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cliargs.h"
#include "clidevice.h"
#include "clijson.h"
#include "commands.h"
#include "core/base/errors.h"
#include "core/devices/rm23/rm23panelmodel.h"
#include "core/devices/rm23/rm23thread.h"

using nlohmann::json;

namespace {

using SpprWorker = CliWorker<SpprThread>;

// The inputs the dialog shows as N1/T1 and N2; the output lists all four anyway.
constexpr int kInput1 = 1;
constexpr int kInput2 = 2;

// Runs the items in order through the session. A failed command fails the measurement with the
// dialog's log line (the poll has none: then the worker's message).
SpprCommon runAll(SpprWorker& worker, SpprSession& session, const std::vector<SpprPush>& items,
                  SpprReaction& reaction) {
  SpprCommon last;
  for (const SpprPush& push : items) {
    const auto result = worker.run(push.type, push.data, push.flags);
    reaction = session.finished(result.item, result.ok, kInput1, kInput2, '.');
    if (!result.ok) throw MessageError(reaction.log.empty() ? result.item.message : reaction.log);
    last = result.item.data;
  }
  return last;
}

SpprStartSettings settingsOf(const CliArgs& args) {
  SpprStartSettings settings;
  settings.mode = 0;  // "Остановка по времени"
  settings.time = args.real("time");
  settings.tempChannel = kSpprNoThermometer;
  if (args.has("temperature-channel"))
    settings.tempChannel = static_cast<int>(args.integer("temperature-channel", 1, 2)) - 1;
  if (args.has("sensor")) {
    if (!args.has("temperature-channel"))
      throw UsageError("--sensor задается вместе с --temperature-channel");
    settings.sensor = static_cast<int>(args.integer("sensor", 0, 1));
  }
  return settings;
}

json resultJson(const SpprCommon& stop, const SpprSession& session) {
  json inputs = json::array();
  for (size_t i = 0; i < stop.inputTime.size(); ++i)
    inputs.push_back({{"time", stop.inputTime[i]}, {"pulses", stop.inputPulses[i]}});
  json j{{"refTime", stop.refTime}, {"inputs", inputs}};
  if (session.temperature()) j["temperature"] = *session.temperature();
  return j;
}

int rm23Measure(const std::vector<std::string>& words) {
  const CliArgs args(words, 0,
                     {{"port", true}, {"time", true}, {"temperature-channel"}, {"sensor"}});
  const SpprStartSettings settings = settingsOf(args);
  SpprSession session;
  const std::vector<SpprPush> start = session.start(settings);  // refuses a bad time first
  SpprWorker worker;
  SpprReaction reaction;
  runAll(worker, session, {spprOpenCommand(cliPortPosition(args.value("port")))}, reaction);
  runAll(worker, session, start, reaction);
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kSpprPollMs));
    runAll(worker, session, {spprPollCommand()}, reaction);
    if (reaction.stopNow) break;
    if (!session.measuring()) throw MessageError("Измерение остановлено прибором");
  }
  const SpprCommon stop =
      runAll(worker, session, spprStopCommands(settings.tempChannel, settings.sensor), reaction);
  printJson(resultJson(stop, session));
  return 0;
}

}  // namespace

std::vector<Command> rm23Commands() {
  return {{"rm23 measure", "--port ПОРТ --time СЕКУНДЫ [--temperature-channel 1|2 [--sensor 0|1]]",
           rm23Measure}};
}

#include "core/devices/rm23/rm23panelmodel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/base/errors.h"
#include "core/devices/rm23/rm23thread.h"
#include "core/package/celltext.h"

namespace {

// Code 31 is 12 V.
constexpr double kVoltsPerCode = 12.0 / 31.0;
constexpr int kLowestGoodVoltageCode = 17;

SpprPush exchangeItem(SpprCommon data, std::uint32_t flags) { return {SPPR_EXCHANGE, flags, data}; }

SpprPush temperatureItem(int tempChannel, int sensor) {
  SpprCommon data;
  data.command = SPPR_TEMPERATURE;
  data.sensor = static_cast<uint8_t>(sensor);
  data.tempChannel = static_cast<uint8_t>(tempChannel);
  return exchangeItem(data, 0);
}

// The command after a temperature command runs only if the temperature succeeded. Alone it is a
// plain command: the outcome of whatever ran before (a failed poll) must not skip it silently.
std::vector<SpprPush> withTemperature(int tempChannel, int sensor, SpprCommon command) {
  if (tempChannel == kSpprNoThermometer) return {exchangeItem(command, 0)};
  return {temperatureItem(tempChannel, sensor),
          exchangeItem(command, QF_ALWAYS | QF_AFTER_SUCCESS)};
}

void checkChoices(int tempChannel, int sensor) {
  if (tempChannel < 0 || tempChannel > kSpprNoThermometer || sensor < 0 ||
      sensor >= static_cast<int>(spprSensors().size()))
    throw std::out_of_range("temperature channel or sensor");
}

// A stored list position outside a list of `count` items falls back to `fallback`.
void keepPosition(int& position, std::size_t count, int fallback) {
  if (position < 0 || static_cast<std::size_t>(position) >= count) position = fallback;
}

bool isInput(int input) { return input >= 1 && input <= kSpprInputs; }

bool isStart(uint8_t command) {
  return command == SPPR_TIME_STOP || command == SPPR_PULSE_STOP || command == SPPR_START_STOP1 ||
         command == SPPR_START_STOP2;
}

}  // namespace

const std::array<SpprMode, 4>& spprModes() {
  static const std::array<SpprMode, 4> kModes{{
      {"Остановка по времени", SPPR_TIME_STOP, SpprCriterion::time, "Длит. измерения, сек:"},
      {"Остановка по импульсам", SPPR_PULSE_STOP, SpprCriterion::pulses, "Кол-во импульсов:"},
      {"Старт/стоп 1", SPPR_START_STOP1, SpprCriterion::none, ""},
      {"Старт/стоп 2", SPPR_START_STOP2, SpprCriterion::none, ""},
  }};
  return kModes;
}

const std::array<const char*, 3>& spprTempChannels() {
  static const std::array<const char*, 3> kChannels{"ТСП 1", "ТСП 2", "Не использовать"};
  return kChannels;
}

std::vector<int> spprInputChoices(int other) {
  std::vector<int> inputs;
  for (int input = 1; input <= kSpprInputs; ++input)
    if (input != other) inputs.push_back(input);
  return inputs;
}

const char* spprVolMassCaption(int method) {
  static const std::array<const char*, 3> kCaptions{"Vэт, л:", "Mэт, кг:", "gэт, м3/ч:"};
  return kCaptions.at(static_cast<std::size_t>(method));
}

SpprVoltage spprVoltage(int code, char decimalSeparator) {
  return {formatReal(code * kVoltsPerCode, 2, decimalSeparator) + " В",
          code < kLowestGoodVoltageCode};
}

SpprReadingTexts spprReadingTexts(const SpprReadings& r, char decimalSeparator) {
  return {formatReal(r.refTime, 3, decimalSeparator), formatReal(r.time1, 3, decimalSeparator),
          std::to_string(r.pulses1), std::to_string(r.pulses2)};
}

SpprControls spprControls(bool busy, bool measuring, bool hasPackage, bool hasResult) {
  if (busy) return {};
  return {!measuring, !measuring, measuring, !measuring && hasPackage && hasResult};
}

SpprChoices spprValidChoices(const SpprChoices& stored) {
  const SpprChoices defaults;
  SpprChoices valid = stored;
  if (!isInput(valid.input1) || !isInput(valid.input2) || valid.input1 == valid.input2) {
    valid.input1 = defaults.input1;
    valid.input2 = defaults.input2;
  }
  SpprStartSettings& run = valid.run;
  keepPosition(run.mode, spprModes().size(), defaults.run.mode);
  // Also false for NaN.
  if (!(run.time >= kSpprMinTime && run.time <= kSpprMaxTime)) run.time = defaults.run.time;
  if (run.pulses < 0 || run.pulses > kSpprMaxPulses) run.pulses = defaults.run.pulses;
  keepPosition(run.pulseInput, kSpprInputs, defaults.run.pulseInput);
  keepPosition(run.tempChannel, spprTempChannels().size(), defaults.run.tempChannel);
  keepPosition(run.sensor, spprSensors().size(), defaults.run.sensor);
  return valid;
}

SpprRunProgress spprRunProgress(std::optional<double> runTime, double elapsed) {
  elapsed = std::max(elapsed, 0.0);
  if (!runTime) return {"Прошло: " + spprClockText(static_cast<int>(elapsed)), std::nullopt};
  // Rounded up, the count reaches 0:00 only when the time is over.
  const double left = std::max(*runTime - elapsed, 0.0);
  const double done = *runTime > 0 ? std::min(elapsed / *runTime, 1.0) : 1.0;
  return {"Осталось: " + spprClockText(static_cast<int>(std::ceil(left))),
          static_cast<int>(done * 1000)};
}

std::string spprClockText(int seconds) {
  char text[24];
  const int hours = seconds / 3600;
  if (hours > 0)
    std::snprintf(text, sizeof text, "%d:%02d:%02d", hours, seconds / 60 % 60, seconds % 60);
  else
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  return text;
}

SpprPush spprOpenCommand(int port) {
  SpprCommon data;
  data.port = static_cast<uint8_t>(port);
  return {SPPR_OPEN, 0, data};
}

SpprPush spprPollCommand() {
  SpprCommon data;
  data.command = SPPR_STATUS;
  return exchangeItem(data, kSpprPollFlags);
}

std::vector<SpprPush> spprStopCommands(int tempChannel, int sensor) {
  checkChoices(tempChannel, sensor);
  SpprCommon stop;
  stop.command = SPPR_STOP;
  return withTemperature(tempChannel, sensor, stop);
}

std::vector<SpprPush> SpprSession::start(const SpprStartSettings& settings) {
  checkChoices(settings.tempChannel, settings.sensor);
  SpprCommon start;
  start.command = spprModes().at(static_cast<std::size_t>(settings.mode)).command;
  start.time = settings.time;
  start.pulses = settings.pulses;
  start.input = static_cast<uint8_t>(settings.pulseInput);
  spprRequest(start);  // refuses a time or pulse count the instrument cannot take
  averaging_ = false;
  return withTemperature(settings.tempChannel, settings.sensor, start);
}

SpprReaction SpprSession::finished(const QueueThread<SpprCommon>::QueueItem& item, bool ok,
                                   int input1, int input2, char decimalSeparator) {
  SpprReaction reaction;
  const SpprCommon& data = item.data;
  switch (item.type) {
    case SPPR_OPEN:
      reaction.port = ok ? data.port : 0;
      reaction.voltage = SpprVoltage{};
      if (!ok) reaction.log = item.message;
      break;
    case SPPR_EXCHANGE:
      if (ok) {
        succeeded(data, input1, input2, decimalSeparator, reaction);
        break;
      }
      reaction.voltage = SpprVoltage{};
      // The poll fails every second while the instrument is off: not worth a log line.
      if (data.command != SPPR_STATUS) reaction.log = item.message;
      break;
    default:  // skipped
      break;
  }
  return reaction;
}

void SpprSession::succeeded(const SpprCommon& data, int input1, int input2, char decimalSeparator,
                            SpprReaction& reaction) {
  if (isStart(data.command)) {
    measuring_ = true;
    hasResult_ = false;
    runTime_ = data.command == SPPR_TIME_STOP ? std::optional(data.time) : std::nullopt;
    reaction.restartTimer = true;
  } else if (data.command == SPPR_TEMPERATURE) {
    const double t = data.tempChannel == 0 ? data.t1 : data.t2;
    temperature_ = averaging_ ? (*temperature_ + t) / 2 : t;
    averaging_ = true;
    reaction.temperatureChanged = true;
  } else if (data.command == SPPR_STATUS || data.command == SPPR_STOP) {
    // State 4 carries no flags byte, so it has no voltage to show either.
    if (data.state != kSpprStateNoResults)
      reaction.voltage = spprVoltage(data.flags & kSpprVoltageMask, decimalSeparator);
    statusReceived(data, input1, input2, reaction);
  }
}

void SpprSession::statusReceived(const SpprCommon& data, int input1, int input2,
                                 SpprReaction& reaction) {
  const bool polled = data.command == SPPR_STATUS;
  if (data.state == kSpprStateStopped) {
    measuring_ = false;
    return;
  }
  measuring_ = polled;
  if (data.state == kSpprStateNoResults) return;
  readings_ = {data.refTime, data.inputTime.at(input1 - 1), data.inputPulses.at(input1 - 1),
               data.inputPulses.at(input2 - 1)};
  reaction.readingsChanged = true;
  hasResult_ = !polled;
  reaction.stopNow = polled && (data.flags & kSpprCompleteFlag);
}

int spprAddToPackage(PackageBase& package, const SpprReadings& readings, double temperature,
                     double volMass) {
  static constexpr std::array<int, 3> kRefColumn{colRefVolume, colRefMass, colRefFlow};
  static constexpr std::array<const char*, 3> kRefName{"Vэт", "Mэт", "gэт"};
  if (package.method >= kRefColumn.size()) throw MessageError("Неизвестный метод пакета");
  // Also true for NaN. A zero would make an entry whose every error is 100 %.
  if (!(volMass > 0))
    throw MessageError(std::string("Измерение не добавлено в пакет: значение ") +
                       kRefName[package.method] + " должно быть больше нуля");
  package.addEntry();
  const int row = package.entryCount() - 1;
  package.setValue(row, colRefTime, readings.refTime);
  package.setValue(row, colPulses1, readings.pulses1);
  package.setValue(row, colPulseTime, readings.time1);
  package.setValue(row, colPulses2, readings.pulses2);
  package.setValue(row, colTemperature, temperature);
  package.setValue(row, kRefColumn[package.method], volMass);
  package.recalcEntry(row);
  return row;
}

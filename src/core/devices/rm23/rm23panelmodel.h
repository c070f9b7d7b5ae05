#pragma once
// What the RM-2.3 dialog sends and shows: the queue items of its buttons and timer, the texts and
// colours of its fields, its measurement state as results come in, and the package entry made
// from a measurement. The dialog only moves these between its controls and its worker.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/comm/queuethread.h"
#include "core/devices/rm23/rm23protocol.h"
#include "core/package/packagebase.h"

// Limits and defaults of the dialog's fields.
inline constexpr double kSpprMinTime = 0.0002;  // 1 tick
inline constexpr double kSpprMaxTime = 4095.9998;
inline constexpr int kSpprTimeDigits = 4;
inline constexpr double kSpprDefaultTime = 5;
inline constexpr int32_t kSpprMaxPulses = 16777215;
inline constexpr int32_t kSpprDefaultPulses = 5;
inline constexpr double kSpprMaxTemperature = 150;
inline constexpr double kSpprMaxVolMass = 10000000;
inline constexpr int kSpprValueDigits = 3;  // temperature and reference quantity
inline constexpr int kSpprPollMs = 1000;

// Queue flags of the poll: it never makes a command wait and is dropped while the queue is busy.
inline constexpr std::uint32_t kSpprPollFlags = QF_BACKGROUND | QF_DROP;

// What ends a measurement, and so which criterion field the dialog shows.
enum class SpprCriterion { time, pulses, none };

// The measuring modes in the order of the mode list.
struct SpprMode {
  const char* name;
  SpprCommand command;
  SpprCriterion criterion;
  const char* caption;  // of the criterion field; empty when there is none
};
const std::array<SpprMode, 4>& spprModes();

// The temperature channels in list order; the last measures nothing, the temperature is typed.
const std::array<const char*, 3>& spprTempChannels();
inline constexpr int kSpprNoThermometer = 2;

// Inputs 1..4 without `other`: the list of one input choice while the other one holds `other`.
std::vector<int> spprInputChoices(int other);

// Caption of the reference quantity by the package's method: "Vэт, л:", "Mэт, кг:", "gэт, м3/ч:".
const char* spprVolMassCaption(int method);  // can throw

// Supply voltage: code · 12 / 31 with two decimals and " В"; low (shown in red) below code 17.
struct SpprVoltage {
  std::string text;
  bool low = false;
};
SpprVoltage spprVoltage(int code, char decimalSeparator);

// The results the dialog shows and puts into the package: the reference time, and the time and
// pulses of the first chosen input and the pulses of the second.
struct SpprReadings {
  double refTime = 0;
  double time1 = 0;
  int32_t pulses1 = 0;
  int32_t pulses2 = 0;
};
struct SpprReadingTexts {
  std::string refTime, time1, pulses1, pulses2;  // times with three decimals
};
SpprReadingTexts spprReadingTexts(const SpprReadings& readings, char decimalSeparator);

// Which of the port choice and the buttons are enabled. A measurement goes into a package only
// once, and only after its run finished with results.
struct SpprControls {
  bool port = false;
  bool start = false;
  bool stop = false;
  bool toPackage = false;
};
SpprControls spprControls(bool busy, bool measuring, bool hasPackage, bool hasResult);

// One queue item for the dialog to fill and push, in the order given.
struct SpprPush {
  std::int32_t type;
  std::uint32_t flags;
  SpprCommon data;
};
SpprPush spprOpenCommand(int port);
SpprPush spprPollCommand();
// "Стоп", pressed or on completion: the temperature first when a thermometer channel is chosen.
std::vector<SpprPush> spprStopCommands(int tempChannel, int sensor);

// The choices of the settings group, by list position.
struct SpprStartSettings {
  int mode = 0;
  double time = kSpprDefaultTime;
  int32_t pulses = kSpprDefaultPulses;
  int pulseInput = 0;  // 0..3
  int tempChannel = 0;
  int sensor = 0;
};

// The choices the dialog keeps from one use to the next: the two inputs (numbers 1..4) and the
// settings of a start.
struct SpprChoices {
  int input1 = 1;
  int input2 = 2;
  SpprStartSettings run;
};
// Every stored choice outside its range (a time that is no number among them) becomes its
// default; two inputs that are out of range or the same become 1 and 2.
SpprChoices spprValidChoices(const SpprChoices& stored);

// The run shown while measuring: with a set time, the time left ("Осталось: 4:32") and the part
// done in thousandths; otherwise the time since the start ("Прошло: 0:12") and no part.
struct SpprRunProgress {
  std::string text;
  std::optional<int> permille;
};
SpprRunProgress spprRunProgress(std::optional<double> runTime, double elapsed);
// Whole seconds as "m:ss", from an hour on as "h:mm:ss".
std::string spprClockText(int seconds);

// How the dialog shows a finished queue item.
struct SpprReaction {
  std::string log;                     // non-empty: a line for the message log
  std::optional<int> port;             // an open finished: the position the port choice shows
  std::optional<SpprVoltage> voltage;  // the supply voltage field; an empty text empties it
  bool temperatureChanged = false;     // show temperature()
  bool readingsChanged = false;        // show readings()
  bool restartTimer = false;           // a start: the next poll a full second later
  bool stopNow = false;                // the poll saw the measurement complete: run "Стоп"
};

// The dialog's measurement state, changed by the results of its commands.
class SpprSession {
 public:
  // "Старт": the temperature command (unless none is measured) and the start. Invalid values
  // throw before anything changes.
  std::vector<SpprPush> start(const SpprStartSettings& settings);  // can throw

  // A finished item (ok: the worker's word), with the inputs chosen for N1/T1 and N2 (1..4).
  SpprReaction finished(const QueueThread<SpprCommon>::QueueItem& item, bool ok, int input1,
                        int input2, char decimalSeparator);

  bool measuring() const { return measuring_; }
  // The measuring time of the run started last when it stops after a time; none otherwise.
  std::optional<double> runTime() const { return runTime_; }
  // The readings are those a finished run ended with, not yet put into a package.
  bool hasResult() const { return hasResult_; }
  void resultTaken() { hasResult_ = false; }
  const SpprReadings& readings() const { return readings_; }
  // The measured temperature: the first value after a start, then the mean of the previous
  // temperature and each new value; none before the first.
  std::optional<double> temperature() const { return temperature_; }

 private:
  void succeeded(const SpprCommon& data, int input1, int input2, char decimalSeparator,
                 SpprReaction& reaction);
  void statusReceived(const SpprCommon& data, int input1, int input2, SpprReaction& reaction);

  bool measuring_ = false;
  std::optional<double> runTime_;
  bool hasResult_ = false;
  SpprReadings readings_;
  std::optional<double> temperature_;
  bool averaging_ = false;  // a temperature was measured since the last start
};

// "Добавить в пакет": a new last entry with the readings, the temperature and the reference
// quantity of the package's method, recalculated. Returns its row. An unknown method, and a
// reference quantity that is not above zero, throw before the package changes.
int spprAddToPackage(PackageBase& package, const SpprReadings& readings, double temperature,
                     double volMass);  // can throw

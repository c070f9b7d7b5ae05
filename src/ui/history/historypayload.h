#pragma once
// What the history window reads out of an event: Russian names of the stored codes, a one-line
// summary, the full text, the coefficient lines and the errors of a verification per section.
// Payloads come from other benches and other versions, or were typed into a shared database by
// hand: everything here takes a payload that is not JSON or lacks keys and gives what there is.

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "core/history/historyevent.h"

// "Считывание", "Запись", …; an unknown kind as it is stored.
QString historyKindText(const std::string& kind);
// "ТД", "КЕЛТ", "ЗОРБ"; an unknown family as it is stored.
QString historyFamilyText(const std::string& family);
// The stored family of a device family code (DeviceFamily): "td", "kelt" or "zorb".
std::string historyFamilyCode(int deviceFamily);

// The event's time in the local time zone, to the second.
QString historyTimeText(int64_t timeMs);
// One line for the list of events: "прямых 3, проверено", "не годен: сечения 2", a report's path.
QString eventSummary(const HistoryEvent& event);
// Every field and the payload indented; a payload that is not JSON as its text.
QString eventDetails(const HistoryEvent& event);

// One coefficient line; a value the payload lacks or holds as null is NaN.
struct CoefficientLine {
  double a = 0;
  double b = 0;
  double f = 0;
};
// The lines of a read, a write or an approximation; none when the event holds no "lines" array.
std::optional<std::vector<CoefficientLine>> eventLines(const HistoryEvent& event);

// One flow section of a verification; limits only when the event was judged against a profile.
struct VerifiedSection {
  int number = 0;
  double flow = 0;              // mean reference flow, m³/h
  double meanError = 0;         // %
  std::optional<double> minus;  // allowed error below zero, % (a positive number)
  std::optional<double> plus;
};
struct Verification {
  int64_t timeMs = 0;
  std::vector<VerifiedSection> sections;
};
// The verifications among `events` that name at least one section with its mean error, oldest
// first.
std::vector<Verification> verificationsOf(const std::vector<HistoryEvent>& events);

// How one section's mean error went over successive verifications: x is the verification's
// number (1 = the oldest), so that verifications of one day stay apart.
struct DriftPoint {
  double x = 0;
  double error = 0;
  std::optional<double> minus;
  std::optional<double> plus;
};
struct DriftCurve {
  int section = 0;
  double meanFlow = 0;  // over the verifications that hold the section
  std::vector<DriftPoint> points;
};
// One curve per section number, in the order of the numbers.
std::vector<DriftCurve> driftCurves(const std::vector<Verification>& verifications);

#pragma once
// Tolerance profiles: the permissible flow error dg (%) of a transducer, over its whole range or by
// flow zone.

#include <optional>
#include <string>
#include <vector>

// Where the zones of a profile begin: at flows in m³/h, or at fractions of the largest flow of
// the package judged.
enum class ZoneBasis { flow, fractionOfMax };

// A zone reaches from `from` up to the next zone's `from` (the last one without end). A flow
// exactly on a boundary belongs to the zone that begins there. The error may lie from −minus to
// +plus, both limits included.
struct ToleranceZone {
  double from = 0;
  double minus = 0;
  double plus = 0;
};

struct ToleranceProfile {
  std::string name;
  ZoneBasis basis = ZoneBasis::flow;
  std::vector<ToleranceZone> zones;  // the first from 0, ascending
};

struct ErrorLimit {
  double minus = 0;
  double plus = 0;
  bool admits(double error) const { return error >= -minus && error <= plus; }
};

// What is wrong with `profile`, in words for the user; empty when it can be used: a name, at
// least one zone, the first from 0, boundaries ascending (fractions below 1), limits above 0.
std::string profileProblem(const ToleranceProfile& profile);

// The limit at `flow` (its magnitude counts); `maxFlow` scales the boundaries of a fraction basis.
ErrorLimit limitAt(const ToleranceProfile& profile, double flow, double maxFlow);

// The zones as one line, the form settings keep and scripts give: "FROM:LIMIT" joined by ';',
// LIMIT "2" for ±2 or "-3/+2" for an unequal pair, e.g. "0:2;1,5:1" (either decimal separator
// reads). The basis is kept apart.
std::string zonesText(const std::vector<ToleranceZone>& zones);
// Throws ConvertError with the part that does not read.
std::vector<ToleranceZone> parseZones(const std::string& text);

// The profiles a user has before making any: one plain limit each.
std::vector<ToleranceProfile> builtInProfiles();

// The profile called `name` in `profiles`.
const ToleranceProfile* findProfile(const std::vector<ToleranceProfile>& profiles,
                                    const std::string& name);

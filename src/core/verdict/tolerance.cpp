#include "core/verdict/tolerance.h"

#include <charconv>
#include <cmath>

#include "core/base/errors.h"

namespace {

std::string number(double v) {
  char buf[32];
  const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  return std::string(buf, end);
}

[[noreturn]] void badZones(const std::string& part) {
  throw ConvertError("Неправильная зона допуска: \"" + part + "\"");
}

double readNumber(std::string text, const std::string& part) {
  for (char& c : text)
    if (c == ',') c = '.';
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  if (b < e && text[b] == '+') ++b;
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data() + b, text.data() + e, v);
  if (b == e || ec != std::errc() || end != text.data() + e || !std::isfinite(v)) badZones(part);
  return v;
}

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    const size_t at = text.find(sep, from);
    parts.push_back(text.substr(from, at - from));
    if (at == std::string::npos) return parts;
    from = at + 1;
  }
}

}  // namespace

std::string profileProblem(const ToleranceProfile& profile) {
  if (profile.name.find_first_not_of(' ') == std::string::npos) return "Не задано имя профиля";
  if (profile.zones.empty()) return "В профиле нет ни одной зоны";
  if (profile.zones.front().from != 0) return "Первая зона должна начинаться с нуля";
  for (size_t i = 0; i < profile.zones.size(); ++i) {
    const ToleranceZone& z = profile.zones[i];
    if (i > 0 && !(z.from > profile.zones[i - 1].from)) return "Границы зон должны возрастать";
    if (profile.basis == ZoneBasis::fractionOfMax && !(z.from < 1))
      return "Граница зоны в долях наибольшего расхода должна быть меньше 1";
    if (!(z.minus > 0) || !(z.plus > 0) || !std::isfinite(z.minus) || !std::isfinite(z.plus))
      return "Пределы погрешности должны быть больше нуля";
  }
  return {};
}

ErrorLimit limitAt(const ToleranceProfile& profile, double flow, double maxFlow) {
  const double scale = profile.basis == ZoneBasis::fractionOfMax ? std::fabs(maxFlow) : 1.0;
  const ToleranceZone* zone = &profile.zones.front();
  for (const ToleranceZone& z : profile.zones)
    if (std::fabs(flow) >= z.from * scale) zone = &z;
  return {zone->minus, zone->plus};
}

std::string zonesText(const std::vector<ToleranceZone>& zones) {
  std::string text;
  for (const ToleranceZone& z : zones) {
    if (!text.empty()) text += ';';
    text += number(z.from) + ':';
    text += z.minus == z.plus ? number(z.plus) : "-" + number(z.minus) + "/+" + number(z.plus);
  }
  return text;
}

std::vector<ToleranceZone> parseZones(const std::string& text) {
  std::vector<ToleranceZone> zones;
  for (const std::string& part : split(text, ';')) {
    const std::vector<std::string> halves = split(part, ':');
    if (halves.size() != 2) badZones(part);
    ToleranceZone z;
    z.from = readNumber(halves[0], part);
    const std::vector<std::string> pair = split(halves[1], '/');
    if (pair.size() == 1) {
      z.minus = z.plus = std::fabs(readNumber(pair[0], part));
    } else if (pair.size() == 2) {
      z.minus = -readNumber(pair[0], part);
      z.plus = readNumber(pair[1], part);
    } else {
      badZones(part);
    }
    zones.push_back(z);
  }
  return zones;
}

std::vector<ToleranceProfile> builtInProfiles() {
  std::vector<ToleranceProfile> profiles;
  for (double limit : {0.5, 1.0, 2.0}) {
    std::string name = "±" + number(limit) + " %";
    for (char& c : name)
      if (c == '.') c = ',';
    profiles.push_back({name, ZoneBasis::flow, {{0, limit, limit}}});
  }
  return profiles;
}

const ToleranceProfile* findProfile(const std::vector<ToleranceProfile>& profiles,
                                    const std::string& name) {
  for (const ToleranceProfile& p : profiles)
    if (p.name == name) return &p;
  return nullptr;
}

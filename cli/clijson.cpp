#include "clijson.h"

#include <array>
#include <cstdio>
#include <iostream>
#include <type_traits>

#include "core/package/package.h"

using nlohmann::json;

namespace {

// The entry field each column id names; an entry kind holds a subset of them.
constexpr std::array<const char*, kColumnIdCount> kFieldNames{
    "point",     "temperature", "refMass",     "refVolume", "refTime",  "refFlow",
    "pulseTime", "pulses1",     "frequency",   "code",      "measFlow", "flowError",
    "pulses2",   "measVolume",  "volumeError", "section",   "line",     "switchedOff"};

// The derived values that have no column: the flow and frequency reduced to the reference
// temperature, which the approximation fits.
template <class Entry>
void addReducedValues(const PackageBase& package, int row, json& fields) {
  if (const auto* p = dynamic_cast<const Package<Entry>*>(&package)) {
    const Entry& e = p->entries()[size_t(row)];
    fields["reducedFlow"] = e.reducedFlow;
    fields["reducedFrequency"] = e.reducedFrequency;
  }
}

std::string isoTime(const SystemTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02uT%02u:%02u:%02u.%03u", unsigned{t.year},
                unsigned{t.month}, unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute},
                unsigned{t.second}, unsigned{t.milliseconds});
  return buf;
}

// The package without its entries; `visible` columns show.
json packageHeadJson(const PackageBase& package, int visible) {
  json columns = json::array();
  for (int col = 0; col < visible; ++col) columns.push_back(package.column(col).caption);
  return {{"kind", package.kind},
          {"method", package.method},
          {"created", isoTime(package.created)},
          {"name", package.name()},
          {"columns", std::move(columns)}};
}

}  // namespace

json identityJson(const DeviceIdentity& identity) {
  return {{"serialNumber", int32_t{identity.serialNumber}},
          {"duCode", identity.duCode},
          {"serialText", formatSerialNumber(identity.serialNumber, identity.duCode)}};
}

// The settings record is packed as the file lays it out: its fields are copied, since a reference
// to one would be misaligned.
json settingsJson(const ApprSettings& s) {
  return {{"func", uint8_t{s.func}},
          {"manual", uint8_t{s.manual}},
          {"fromEntries", uint8_t{s.fromEntries}},
          {"refTemp", double{s.refTemp}},
          {"maxAutoErr", double{s.maxAutoErr}},
          {"sectionScatter", double{s.sectionScatter}},
          {"pulseWeight", double{s.pulseWeight}}};
}

json linesJson(const std::vector<files::Line>& lines) {
  json out = json::array();
  for (const files::Line& line : lines)
    out.push_back({{"A", line.A}, {"B", line.B}, {"F", line.F}});
  return out;
}

json entryJson(const PackageBase& package, int row, int visibleColumns) {
  json fields = json::object();
  for (int id = 0; id < kColumnIdCount; ++id) {
    FieldValue v;
    if (package.value(row, id, v))
      std::visit([&](auto x) { fields[kFieldNames[size_t(id)]] = x; }, v);
  }
  addReducedValues<ZorbEntry>(package, row, fields);
  addReducedValues<KeltEntry>(package, row, fields);
  json cells = json::array();
  for (int col = 0; col < visibleColumns; ++col) cells.push_back(package.cellText(row, col));
  json entry = json::object();
  entry["fields"] = std::move(fields);
  entry["cells"] = std::move(cells);
  return entry;
}

json packageJson(const PackageBase& package, int hiddenColumns) {
  const int visible = package.columnCount() - hiddenColumns;
  json out = packageHeadJson(package, visible);
  json entries = json::array();
  for (int row = 0; row < package.entryCount(); ++row)
    entries.push_back(entryJson(package, row, visible));
  out["entries"] = std::move(entries);
  return out;
}

void writePackageJson(JsonStream& out, const PackageBase& package, int hiddenColumns) {
  const int visible = package.columnCount() - hiddenColumns;
  out.objectWith(packageHeadJson(package, visible), "entries", [&] {
    out.beginArray();
    for (int row = 0; row < package.entryCount(); ++row)
      out.value(entryJson(package, row, visible));
    out.endArray();
  });
}

void writeJsonWithPackages(std::ostream& out, const json& head,
                           const std::vector<PackagePtr>& packages,
                           const std::function<int(const PackageBase&)>& hiddenColumns) {
  JsonStream stream(out);
  stream.objectWith(head, "packages", [&] {
    stream.beginArray();
    for (const PackagePtr& p : packages) writePackageJson(stream, *p, hiddenColumns(*p));
    stream.endArray();
  });
  out << '\n';
}

void printJson(const json& value) {
  std::cout << value.dump(2, ' ', false, json::error_handler_t::replace) << '\n' << std::flush;
}

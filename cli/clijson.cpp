#include "clijson.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iostream>
#include <numeric>
#include <string_view>
#include <type_traits>

#include "core/devices/devicetypes.h"
#include "core/package/approxstate.h"
#include "core/package/package.h"

using nlohmann::json;

namespace {

// The ids of an entry's fields: the column ids, then the derived values that have no column (the
// flow and frequency reduced to the reference temperature, which the approximation fits).
constexpr int kReducedFlow = kColumnIdCount;
constexpr int kReducedFrequency = kColumnIdCount + 1;

// The name of each field id; an entry kind holds a subset of them.
constexpr std::array<const char*, kColumnIdCount + 2> kFieldNames{
    "point",    "temperature", "refMass",     "refVolume",   "refTime",
    "refFlow",  "pulseTime",   "pulses1",     "frequency",   "code",
    "measFlow", "flowError",   "pulses2",     "measVolume",  "volumeError",
    "section",  "line",        "switchedOff", "reducedFlow", "reducedFrequency"};

// The field ids in the order of their names, which is the order a JSON object keeps its keys in.
const std::array<int, kFieldNames.size()>& idsByName() {
  static const std::array<int, kFieldNames.size()> ids = [] {
    std::array<int, kFieldNames.size()> sorted{};
    std::iota(sorted.begin(), sorted.end(), 0);
    std::sort(sorted.begin(), sorted.end(), [](int a, int b) {
      return std::string_view(kFieldNames[size_t(a)]) < std::string_view(kFieldNames[size_t(b)]);
    });
    return sorted;
  }();
  return ids;
}

template <class Entry>
bool reducedValue(const PackageBase& package, int row, int id, FieldValue& out) {
  const auto* p = dynamic_cast<const Package<Entry>*>(&package);
  if (!p) return false;
  const Entry& e = p->entries()[size_t(row)];
  out = id == kReducedFlow ? e.reducedFlow : e.reducedFrequency;
  return true;
}

bool fieldValue(const PackageBase& package, int row, int id, FieldValue& out) {
  if (id < kColumnIdCount) return package.value(row, id, out);
  return reducedValue<ZorbEntry>(package, row, id, out) ||
         reducedValue<KeltEntry>(package, row, id, out);
}

// Calls f(name, value) for each field the entry holds, in the order of the names.
template <class F>
void forEachField(const PackageBase& package, int row, F&& f) {
  FieldValue v;
  for (const int id : idsByName()) {
    if (fieldValue(package, row, id, v)) f(kFieldNames[size_t(id)], v);
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

// The entryJson of the row, written without making it: its keys in their sorted order.
void writeEntryJson(JsonStream& out, const PackageBase& package, int row, int visibleColumns) {
  out.beginObject();
  out.key("cells");
  out.beginArray();
  for (int col = 0; col < visibleColumns; ++col) out.string(package.cellText(row, col));
  out.endArray();
  out.key("fields");
  out.beginObject();
  forEachField(package, row, [&](const char* name, const FieldValue& v) {
    out.key(name);
    std::visit(
        [&](auto x) {
          if constexpr (std::is_floating_point_v<decltype(x)>)
            out.number(x);
          else
            out.integer(x);
        },
        v);
  });
  out.endObject();
  out.endObject();
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

json documentHeadJson(uint32_t version, DeviceBase& device) {
  DeviceIdentity identity;
  device.getIdentity(identity);
  return {{"fileVersion", version},
          {"typeCode", device.typeCode()},
          {"family", deviceFamily(device.typeCode())},
          {"name", device.name()},
          {"identity", identityJson(identity)},
          {"pulseWeight", device.pulseWeight()},
          {"settings", settingsJson(apprSettings())},
          {"lines", linesJson(currentLines())}};
}

json entryJson(const PackageBase& package, int row, int visibleColumns) {
  json fields = json::object();
  forEachField(package, row, [&](const char* name, const FieldValue& v) {
    std::visit([&](auto x) { fields[name] = x; }, v);
  });
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
    for (int row = 0; row < package.entryCount(); ++row) writeEntryJson(out, package, row, visible);
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
  stream.flush();
  out << '\n';
}

void printJson(const json& value) {
  std::cout << value.dump(2, ' ', false, json::error_handler_t::replace) << '\n' << std::flush;
}

json writeCheckJson(const WriteCheck& check) {
  json fields = json::array();
  for (const WriteCheckField& field : check.fields) {
    fields.push_back({{"name", field.name}, {"written", field.written}, {"found", field.found}});
  }
  return {{"result", writeCheckResultName(check.result)},
          {"fields", fields},
          {"message", writeCheckLine(check)}};
}

int writeCheckExitCode(const WriteCheck& check) {
  if (check.result == WriteCheckResult::verified) return 0;
  std::cerr << writeCheckLine(check) << '\n';
  return 1;
}

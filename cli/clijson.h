#pragma once
// JSON of the things every command shares. Keys are the code's field names.

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <vector>

#include "core/base/reflinkedptr.h"
#include "core/base/writecheck.h"
#include "core/document/devicebase.h"
#include "core/package/apprsettings.h"
#include "core/package/line.h"
#include "core/package/packagebase.h"
#include "jsonstream.h"

// {"serialNumber", "duCode", "serialText"}: the serial text as the panels and file names show it.
nlohmann::json identityJson(const DeviceIdentity& identity);
// {"func", "manual", "fromEntries", "refTemp", "maxAutoErr", "sectionScatter", "pulseWeight"}
nlohmann::json settingsJson(const ApprSettings& settings);
// [{"A", "B", "F"}, ...]
nlohmann::json linesJson(const std::vector<files::Line>& lines);
// The document without its packages: {"fileVersion", "typeCode", "family", "name", "identity",
// "pulseWeight", "settings", "lines"}, with the current settings and lines.
nlohmann::json documentHeadJson(uint32_t version, DeviceBase& device);
// {"fields": {every field the entry kind holds, input and derived}, "cells": [the text of the
// first `visibleColumns` columns, as the table shows them]}
nlohmann::json entryJson(const PackageBase& package, int row, int visibleColumns);
// {"kind", "method", "created" (ISO 8601 local time with milliseconds), "name", "columns" (the
// captions of the columns the table shows: all but the last `hiddenColumns`), "entries"}
nlohmann::json packageJson(const PackageBase& package, int hiddenColumns);
// The packageJson of the package, written an entry at a time.
void writePackageJson(JsonStream& out, const PackageBase& package, int hiddenColumns);
// `head` with one more member, "packages": the packageJson of each package, with the count of
// hidden columns the function gives for it. Written as printJson writes the whole tree, but an
// entry at a time, so that memory does not grow with the entries.
void writeJsonWithPackages(std::ostream& out, const nlohmann::json& head,
                           const std::vector<PackagePtr>& packages,
                           const std::function<int(const PackageBase&)>& hiddenColumns);

// Prints the value, indented, with one line end, to standard output.
void printJson(const nlohmann::json& value);

// {"result": "verified", "mismatch" or "unconfirmed", "fields": [{"name", "written", "found"}],
// "message": the console line of the panel}
nlohmann::json writeCheckJson(const WriteCheck& check);
// The exit code of a write command: 0 when the device holds what was written, else 1 with the
// check's line on standard error.
int writeCheckExitCode(const WriteCheck& check);

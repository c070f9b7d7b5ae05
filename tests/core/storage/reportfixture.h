#pragma once
// Packages for the report and text exchange tests, filled cell by cell through the by-id
// interface, so every value the page or the file shows is the one the test put there.

#include <initializer_list>
#include <utility>

#include "core/base/localehook.h"
#include "core/package/packagebase.h"
#include "core/package/packagecreate.h"

using CellValues = std::initializer_list<std::pair<int, FieldValue>>;

// Appends an entry and overwrites the given fields (derived ones too; nothing is recalculated).
inline void addRow(PackageBase& package, CellValues cells) {
  package.addEntry();
  const int row = package.entryCount() - 1;
  for (const auto& [id, value] : cells) package.setValue(row, id, value);
}

inline PackagePtr packageOf(int entryKind, int kind, int method,
                            std::initializer_list<CellValues> rows = {}) {
  PackagePtr package = createPackage(entryKind, kind, method);
  for (const CellValues& row : rows) addRow(*package, row);
  return package;
}

// The user's decimal separator as the program takes it from the system.
inline void useDecimalSeparator(char sep) {
  LocaleHook hook = defaultLocaleHook();
  hook.decimalSeparator = sep;
  setLocaleHook(hook);
}

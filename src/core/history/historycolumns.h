#pragma once
// The columns of the events table in the order every statement of both stores names them.

#include <string>
#include <vector>

#include "core/history/historyevent.h"

inline constexpr const char* kHistoryColumns =
    "id, kind, time_ms, os_user, bench, version, document, family, model, serial, payload";
inline constexpr int kHistoryColumnCount = 11;

// The text fields of an event in column order; the time (column 2) travels as a number.
inline std::string* historyTextField(HistoryEvent& event, int column) {
  std::string* fields[] = {&event.id,    &event.kind,    nullptr,         &event.user,
                           &event.bench, &event.version, &event.document, &event.family,
                           &event.model, &event.serial,  &event.payload};
  return fields[column];
}
inline const std::string* historyTextField(const HistoryEvent& event, int column) {
  return historyTextField(const_cast<HistoryEvent&>(event), column);
}

// The WHERE and LIMIT of a filter with placeholders numbered from 1 in the order serial, family,
// model, kind, limit; `marker` is "?" for SQLite and "$" for PostgreSQL. Only the given parts
// appear, so that the search uses the index of its column.
std::string historyWhere(const HistoryFilter& filter, char marker);
// The values of those placeholders but the limit, in their order.
std::vector<std::string> historyWhereValues(const HistoryFilter& filter);

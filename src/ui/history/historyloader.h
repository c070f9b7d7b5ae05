#pragma once
// How the history window reads the store without waiting for it: opening a SQLite file another
// program holds locked can take seconds and a PostgreSQL server may not answer for longer, so the
// query runs in a pool thread and only its answer comes back to the UI thread.

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "core/history/historystore.h"

// The events a filter matched, newest first, or why the store gave none.
struct HistoryResult {
  std::vector<HistoryEvent> events;
  QString error;  // empty when `events` is the answer
};

using HistoryReply = std::function<void(HistoryResult result)>;
// Runs one query and hands its result to `reply` on the UI thread: later from a pool thread, or
// at once when the loader is a synchronous one (the tests').
using HistoryLoader = std::function<void(const HistoryFilter& filter, HistoryReply reply)>;

// Opens the store at `location` (as openHistoryStore takes it) and lists the events; every
// failure ends in the result's error, none escapes.
HistoryResult queryHistory(const std::string& location, const HistoryFilter& filter);

// Each query opens the store `location` names at the time of the query (read on the UI thread)
// and runs in the program's thread pool.
HistoryLoader pooledHistoryLoader(std::function<std::string()> location);
// The store the program's settings name.
HistoryLoader settingsHistoryLoader();

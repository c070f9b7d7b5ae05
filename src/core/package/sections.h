#pragma once
// Grouping of a KELT or TD package's entries into sections (flow points).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/base/errors.h"
#include "core/base/hugepages.h"
#include "core/package/entries.h"
#include "core/package/packagehelper.h"

// The transducer reading of an entry (x) and its reference flow (y), as sections and fits see them.
template <class E>
double readingOf(const E& e) {
  if constexpr (E::kEntryKind == ekEpr)
    return e.code;
  else
    return e.reducedFrequency;
}

template <class E>
double flowOf(const E& e) {
  if constexpr (E::kEntryKind == ekEpr)
    return e.refFlow;
  else
    return e.reducedFlow;
}

// An entry's place in the order of ascending flow: `key` compares as the flow does, with -0 equal
// to 0 and an undefined flow (only from a damaged file) equal to +infinity, sorting last.
struct FlowKey {
  uint64_t key;
  uint32_t index;
};
FlowKey flowKey(double flow, uint32_t index);

// Stable sort by key in time linear in the count. On return keys[i].index is the index of the
// entry that belongs at position i.
void sortFlowKeys(std::vector<FlowKey>& keys);

// Storage for `count` keys, in huge pages where that pays.
std::vector<FlowKey> flowKeyStorage(size_t count);

// Puts the entry keys[i].index at position i. The entries are gathered into a new vector in their
// new order: the writes run in sequence and the reads, which follow the order at random, are
// fetched several entries ahead, so that many misses are in flight at once. (Following the cycles
// of the permutation in place waits for one miss per entry.)
template <class E>
void permute(std::vector<E>& entries, const std::vector<FlowKey>& keys) {
  constexpr size_t kAhead = 16;
  std::vector<E> sorted;
  sorted.reserve(entries.size());
  preferHugePagesForReserve(sorted);
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i + kAhead < keys.size()) {
      const char* next = reinterpret_cast<const char*>(&entries[keys[i + kAhead].index]);
      for (size_t line = 0; line < sizeof(E); line += 64) __builtin_prefetch(next + line);
    }
    sorted.push_back(std::move(entries[keys[i].index]));
  }
  entries.swap(sorted);
}

// Stable sort by ascending flow; each entry, being large, is moved at most once.
template <class E>
void sortByFlow(std::vector<E>& entries) {
  std::vector<FlowKey> keys = flowKeyStorage(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) keys[i] = flowKey(flowOf(entries[i]), uint32_t(i));
  sortFlowKeys(keys);
  permute(entries, keys);
}

// Sorts the entries by ascending flow, then groups them: a section is opened by an entry that is
// not switched off and takes every following one whose reading lies within `scatter` percent of the
// opening reading (measured relative to that reading itself, sign included). Switched-off entries
// belong to no section (number 0) and neither open nor end one. Throws MathError when a section
// opens at a reading of 0 and another entry follows; the entries are then sorted and unnumbered.
template <class E>
void groupSections(std::vector<E>& entries, double scatter,
                   std::vector<PackageHelper::Section>& sections) {
  sections.clear();
  sortByFlow(entries);
  // Numbered in the same pass that finds the sections: a large package is walked once.
  const int n = static_cast<int>(entries.size());
  int s = 0;
  for (; s < n && entries[s].switchedOff; ++s) entries[s].section = 0;
  try {
    while (s < n) {
      const auto number = static_cast<int32_t>(sections.size() + 1);
      const double x0 = readingOf(entries[s]);
      double sumX = x0, sumY = flowOf(entries[s]);
      entries[s].section = number;
      int count = 1;
      int e = s + 1;
      for (; e < n; ++e) {
        E& entry = entries[e];
        if (entry.switchedOff) {
          entry.section = 0;
          continue;
        }
        const double x = readingOf(entry);
        if (checked(std::fabs(x - x0) * 100 / x0) > scatter) break;
        entry.section = number;
        sumX += x;
        sumY += flowOf(entry);
        ++count;
      }
      sections.push_back({s, e - 1, sumX / count, sumY / count});
      s = e;
    }
  } catch (...) {
    sections.clear();
    for (E& e : entries) e.section = 0;
    throw;
  }
}

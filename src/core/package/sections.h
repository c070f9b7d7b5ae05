#pragma once
// Grouping of a KELT or TD package's entries into sections (flow points).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/base/errors.h"
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

// Stable sort by ascending flow. The keys are sorted apart from the entries, which are large, and
// every entry is then moved once into its place.
template <class E>
void sortByFlow(std::vector<E>& entries) {
  struct Key {
    double flow;
    uint32_t index;
  };
  std::vector<Key> keys(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const double y = flowOf(entries[i]);
    // An undefined flow (only from a damaged file) sorts last instead of breaking the ordering.
    keys[i] = {std::isnan(y) ? std::numeric_limits<double>::infinity() : y, uint32_t(i)};
  }
  auto less = [](const Key& a, const Key& b) { return a.flow < b.flow; };
  if (std::is_sorted(keys.begin(), keys.end(), less)) return;
  std::stable_sort(keys.begin(), keys.end(), less);
  // Gathered in sorted order; the reads are scattered, so the entries a few places ahead are
  // fetched while the current one is moved.
  constexpr size_t kAhead = 8;
  std::vector<E> sorted;
  sorted.reserve(entries.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i + kAhead < keys.size()) {
      const char* ahead = reinterpret_cast<const char*>(&entries[keys[i + kAhead].index]);
      for (size_t line = 0; line < sizeof(E); line += 64) __builtin_prefetch(ahead + line);
    }
    sorted.push_back(std::move(entries[keys[i].index]));
  }
  entries.swap(sorted);
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
  for (E& e : entries) e.section = 0;

  const int n = static_cast<int>(entries.size());
  int s = 0;
  while (s < n && entries[s].switchedOff) ++s;
  while (s < n) {
    const double x0 = readingOf(entries[s]);
    double sumX = x0, sumY = flowOf(entries[s]);
    int count = 1;
    int e = s + 1;
    for (; e < n; ++e) {
      if (entries[e].switchedOff) continue;
      const double x = readingOf(entries[e]);
      if (checked(std::fabs(x - x0) * 100 / x0) > scatter) break;
      sumX += x;
      sumY += flowOf(entries[e]);
      ++count;
    }
    sections.push_back({s, e - 1, sumX / count, sumY / count});
    s = e;
  }

  for (size_t i = 0; i < sections.size(); ++i)
    for (int j = sections[i].first; j <= sections[i].last; ++j)
      if (!entries[j].switchedOff) entries[j].section = static_cast<int32_t>(i + 1);
}

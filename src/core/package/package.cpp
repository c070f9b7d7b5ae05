#include "core/package/package.h"

#include <algorithm>

#include "core/base/lestream.h"
#include "core/package/approximation.h"
#include "core/package/approxstate.h"
#include "core/package/celltext.h"
#include "core/package/entryrecords.h"
#include "core/package/recalc.h"
#include "core/package/sections.h"

// --- columns and cells ---

template <class Entry>
int Package<Entry>::columnCount() const {
  return static_cast<int>(columnLayout(Entry::kEntryKind, kind, method).size());
}

template <class Entry>
ColumnInfo Package<Entry>::column(int col) const {
  return columnInfo(columnLayout(Entry::kEntryKind, kind, method)[col], method);
}

template <class Entry>
std::string Package<Entry>::cellText(int row, int col) const {
  const ColumnInfo info = column(col);
  FieldValue v;
  return value(row, info.id, v) ? formatCellValue(v, info) : "";
}

template <class Entry>
void Package<Entry>::setCellText(int row, int col, const std::string& text) {
  const ColumnInfo info = column(col);
  if (const std::optional<FieldValue> v = parseCellValue(text, info)) setValue(row, info.id, *v);
}

template <class Entry>
bool Package<Entry>::cellChecked(int row, int col) const {
  FieldValue v = uint8_t{0};
  value(row, column(col).id, v);
  return std::visit([](auto x) { return x != 0; }, v);
}

template <class Entry>
void Package<Entry>::setCellChecked(int row, int col, bool checked) {
  setValue(row, column(col).id, static_cast<uint8_t>(checked));
}

template <class Entry>
bool Package<Entry>::value(int row, int id, FieldValue& out) const {
  return withField(entries_[row], id, [&](const auto& field) { out = field; });
}

template <class Entry>
void Package<Entry>::setValue(int row, int id, const FieldValue& v) {
  withField(entries_[row], id, [&](auto& field) { assignField(v, field); });
}

// --- storage ---

// Package block: uint8 kind, uint8 method, 16-byte creation time, uint32 entry count, then the
// entry records (41 bytes ZORB, 46 KELT, 42 TD), all little-endian.
template <class Entry>
void Package<Entry>::save(std::ostream& os) const {
  writeLe(os, kind);
  writeLe(os, method);
  writeRecord(os, created);
  writeLe(os, static_cast<uint32_t>(entries_.size()));
  writeEntryRecords<Entry>(os, entries_, method);
}

template <class Entry>
void Package<Entry>::load(std::istream& is) {
  load(is, nullptr);
}

template <class Entry>
void Package<Entry>::loadRecalculated(std::istream& is, std::span<const files::Line> lines,
                                      const ApprSettings& settings) {
  const RecalcBasis basis{lines, settings};
  load(is, &basis);
}

template <class Entry>
void Package<Entry>::load(std::istream& is, const RecalcBasis* recalc) {
  uint8_t k = 0;
  int8_t m = 0;
  SystemTime t;
  uint32_t count = 0;
  readLe(is, k);
  readLe(is, m);
  readRecord(is, t);
  readLe(is, count);
  const uint8_t newMethod = static_cast<uint8_t>(std::clamp<int>(m, mVolume, mReference));
  std::vector<Entry> loaded;
  BlockFilled<Entry> filled;
  if (recalc)
    filled = [&](std::span<Entry> block) {
      recalcEntries(block, newMethod, recalc->lines, recalc->settings);
    };
  readEntryRecords(is, count, newMethod, loaded, filled);
  if (!is) return;
  kind = k ? pkVerification : pkCalibration;
  method = newMethod;
  created = t;
  entries_ = std::move(loaded);
}

// --- entries and recalculation ---

template <class Entry>
void Package<Entry>::addEntry() {
  Entry e;
  e.temperature = entries_.empty() ? 20 : entries_.back().temperature;
  e.refVolume = entries_.empty() ? 0 : entries_.back().refVolume;
  entries_.push_back(e);
  recalcEntry(entryCount() - 1);
}

template <class Entry>
void Package<Entry>::deleteEntry(int row) {
  entries_.erase(entries_.begin() + row);
}

template <class Entry>
void Package<Entry>::recalcEntry(int row) {
  recalcEntries(std::span(&entries_[row], 1), method);
}

template <class Entry>
void Package<Entry>::recalcAll() {
  recalcEntries(std::span(entries_), method);
}

template <class Entry>
void Package<Entry>::recalcAll(std::span<const files::Line> lines, const ApprSettings& settings) {
  recalcEntries(std::span(entries_), method, lines, settings);
}

// --- chart series ---

template <class Entry>
void Package<Entry>::fillSeries(SPILT_STRUCT& series, int which) const {
  series.name = name() + (which == 1 ? " (имп. выход)" : "");
  series.points.resize(entries_.size());
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    SPILT_POINT& p = series.points[i];
    p.x = readingOf(e);
    p.y = flowOf(e);
    if constexpr (kHasSections<Entry>) {
      p.number = e.section;
      p.marked = e.point;
    } else {
      p.number = static_cast<int32_t>(i + 1);
      p.marked = 0;
    }
    p.error = which == 1 ? e.volumeError : e.flowError;
  }
  series.hasPoints = 1;
  series.hasErrors = 1;
}

// --- approximation ---

template <class Entry>
void Package<Entry>::approximate() {
  if (kind != pkCalibration) return;
  try {
    recalcAll();
    approximateEntries(entries_);
  } catch (...) {
    // A failed approximation leaves no lines rather than stale or partial ones.
    currentLines().clear();
    throw;
  }
}

template class Package<ZorbEntry>;
template class Package<KeltEntry>;
template class Package<EprEntry>;

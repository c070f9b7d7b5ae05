#include "core/package/package.h"

#include <algorithm>
#include <cmath>

#include "core/base/errors.h"
#include "core/base/lestream.h"
#include "core/base/localehook.h"
#include "core/package/approximation.h"
#include "core/package/approxstate.h"
#include "core/package/celltext.h"
#include "core/package/physics.h"
#include "core/package/sections.h"

namespace {

// KELT and ZORB entries count pulses over a time; TD entries carry a code instead.
template <class E>
constexpr bool kHasPulses = E::kEntryKind != ekEpr;
template <class E>
constexpr bool kHasSections = E::kEntryKind != ekZorb;

double orFallback(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

// What recalculation reads from the process-wide state, fetched once per batch of entries.
struct RecalcContext {
  const files::Line* lines;
  size_t lineCount;
  double pulseWeight;
  double refTemp;
  uint8_t method;
};

RecalcContext recalcContext(uint8_t method) {
  const ApproxState& st = approxState();
  return {st.lines.data(), st.lines.size(), st.settings.pulseWeight, st.settings.refTemp, method};
}

// The flow a line gives for the entry; k is the reduction factor of its temperature. Lines are
// fitted on reduced values, so for pulse entries the line is brought back to the water temperature.
template <class E>
double lineFlow(const E& e, const files::Line& line, double k) {
  if constexpr (kHasPulses<E>)
    return line.A * e.frequency + line.B / k;
  else
    return line.A * e.code + line.B;
}

template <class E>
void recalcReference(E& e, uint8_t method) {
  const double rho = waterDensity(e.temperature);
  switch (method) {
    case mVolume:
      e.refMass = orFallback(rho * e.refVolume, 0);
      e.refFlow = orFallback(3.6 * e.refVolume / e.refTime, 0);
      break;
    case mMass:
      e.refVolume = orFallback(e.refMass / rho, 0);
      e.refFlow = orFallback(3.6 * e.refVolume / e.refTime, 0);
      break;
    default:
      e.refVolume = orFallback(e.refTime * e.refFlow / 3.6, 0);
      e.refMass = orFallback(rho * e.refVolume, 0);
      break;
  }
}

// Frequency and the values reduced to the reference temperature; gives the reduction factor, which
// is not finite where it cannot be computed. When the factor or a reduced value cannot be computed,
// the frequency, the reduced values and a derived reference flow are 0.
template <class E>
double recalcReduced(E& e, const RecalcContext& ctx) {
  e.frequency = e.pulses1 >= 1 ? orFallback((e.pulses1 - 1.0) / e.pulseTime, 0) : 0;
  const double k = reductionFactor(e.temperature, ctx.refTemp);
  const double rf = e.frequency * k;
  const double rq = e.refFlow * k;
  if (std::isfinite(k) && std::isfinite(rf) && std::isfinite(rq)) {
    e.reducedFrequency = rf;
    e.reducedFlow = rq;
  } else {
    e.frequency = e.reducedFrequency = e.reducedFlow = 0;
    if (ctx.method != mReference) e.refFlow = 0;
  }
  return k;
}

// Index of the line whose range holds the reading: the first whose F is not below it, else the
// last.
inline size_t chooseLine(const files::Line* lines, size_t n, double x) {
  for (size_t i = 0; i + 1 < n; ++i)
    if (lines[i].F >= x) return i;
  return n - 1;
}

template <class E>
void recalcOne(E& e, const RecalcContext& ctx) {
  recalcReference(e, ctx.method);
  e.measVolume = orFallback(e.pulses2 * ctx.pulseWeight * 1000.0, 0);
  e.volumeError = orFallback((e.measVolume - e.refVolume) * 100 / e.refVolume, 100);

  double k = 1;
  if constexpr (kHasPulses<E>) k = recalcReduced(e, ctx);

  if (ctx.lineCount == 0) {
    e.measFlow = 0;
    e.flowError = 100;
    if constexpr (kHasSections<E>) e.line = 0;
    return;
  }
  size_t i = 0;
  if constexpr (kHasSections<E>) {
    i = chooseLine(ctx.lines, ctx.lineCount, readingOf(e));
    e.line = static_cast<int32_t>(i + 1);
  }
  const double flow = lineFlow(e, ctx.lines[i], k);
  if (std::isfinite(k) && std::isfinite(flow)) {
    e.measFlow = flow;
    e.flowError = orFallback((flow - e.refFlow) * 100 / e.refFlow, 100);
  } else {
    e.measFlow = 0;
    e.flowError = 100;
  }
}

// Field conversions for setValue: reals take any number, integers a number in their range (others
// are ignored), flags become 0 or 1.
template <class T>
void convertValue(const FieldValue& v, T& out) {
  const double d = std::visit([](auto x) { return static_cast<double>(x); }, v);
  if constexpr (std::is_same_v<T, double>)
    out = d;
  else if constexpr (std::is_same_v<T, uint8_t>)
    out = d != 0 ? 1 : 0;
  else if (d >= INT32_MIN && d <= INT32_MAX)
    out = static_cast<int32_t>(d);
}

// Document records: the entered fields only; the reference quantity is the one the method measures.
template <class E>
auto& refQuantity(E& e, uint8_t method) {
  return method == mMass ? e.refMass : (method == mReference ? e.refFlow : e.refVolume);
}

files::ZorbEntry toRecord(const ZorbEntry& e, uint8_t m) {
  return {e.temperature, refQuantity(e, m), e.refTime,    e.pulseTime,
          e.pulses1,     e.pulses2,         e.switchedOff};
}
files::KeltEntry toRecord(const KeltEntry& e, uint8_t m) {
  return {e.temperature, refQuantity(e, m), e.refTime, e.pulseTime,  e.pulses1,
          e.pulses2,     e.section,         e.point,   e.switchedOff};
}
files::EprEntry toRecord(const EprEntry& e, uint8_t m) {
  return {e.temperature, refQuantity(e, m), e.refTime, e.code,
          e.pulses2,     e.section,         e.point,   e.switchedOff};
}

template <class E, class R>
E fromRecord(const R& r, uint8_t m) {
  E e;
  e.temperature = r.temperature;
  refQuantity(e, m) = r.refQuantity;
  e.refTime = r.refTime;
  if constexpr (kHasPulses<E>) {
    e.pulseTime = r.pulseTime;
    e.pulses1 = r.pulses1;
  } else {
    e.code = r.code;
  }
  e.pulses2 = r.pulses2;
  if constexpr (kHasSections<E>) {
    e.section = r.section;
    e.point = r.point;
  }
  e.switchedOff = r.switchedOff;
  return e;
}

template <class E>
using RecordOf = decltype(toRecord(std::declval<const E&>(), 0));

// Never reserve more than this many records ahead of reading them: the count comes from the file.
constexpr uint32_t kMaxReserve = 256;

}  // namespace

namespace {

// ZORB transducers hold one line, fitted over every entry that is not switched off; its range bound
// F is kept.
template <class E>
void approximateZorb(const std::vector<E>& entries) {
  std::vector<files::Line>& lines = currentLines();
  lines.resize(1);
  std::vector<FitPoint> points;
  points.reserve(entries.size());
  for (const E& e : entries)
    if (!e.switchedOff) points.push_back(fitPoint(e.reducedFrequency, e.reducedFlow));
  const files::Line fit = fitLine(points, apprSettings().func != 2);
  lines[0].A = fit.A;
  lines[0].B = fit.B;
}

// Fit points by section: either every entry of the section that is not switched off (in table
// order, so the points of sections a..b are contiguous) or the section's mean.
struct SpanPoints {
  std::vector<FitPoint> points;
  std::vector<size_t> begin;  // per section, index of its first point; one more at the end
};

template <class E>
SpanPoints spanPoints(const std::vector<E>& entries, bool fromEntries) {
  SpanPoints sp;
  sp.begin.reserve(PackageHelper::sections().size() + 1);
  for (const PackageHelper::Section& s : PackageHelper::sections()) {
    sp.begin.push_back(sp.points.size());
    if (!fromEntries) {
      sp.points.push_back(fitPoint(s.meanX, s.meanY));
      continue;
    }
    for (int j = s.first; j <= s.last; ++j)
      if (!entries[j].switchedOff)
        sp.points.push_back(fitPoint(readingOf(entries[j]), flowOf(entries[j])));
  }
  sp.begin.push_back(sp.points.size());
  return sp;
}

// The line over sections a..b; its range ends at the mean reading of section b.
files::Line spanFit(const SpanPoints& sp, int a, int b, bool linear) {
  const std::span<const FitPoint> all(sp.points);
  files::Line line = fitLine(all.subspan(sp.begin[a], sp.begin[b + 1] - sp.begin[a]), linear);
  line.F = PackageHelper::sections()[b].meanX;
  return line;
}

// Checks a candidate line against every entry of sections a..b that is not switched off, leaving
// the trial flow and error in the entries; true at the first entry beyond the error limit. Unlike
// recalculation there is no fallback: a value that cannot be computed fails the approximation.
template <class E>
bool spanExceedsError(std::vector<E>& entries, int a, int b, const files::Line& line) {
  const double limit = apprSettings().maxAutoErr;
  const double refTemp = apprSettings().refTemp;
  const auto& secs = PackageHelper::sections();
  for (int j = secs[a].first; j <= secs[b].last; ++j) {
    E& e = entries[j];
    if (e.switchedOff) continue;
    double k = 1;
    if constexpr (kHasPulses<E>) k = checked(reductionFactor(e.temperature, refTemp));
    e.measFlow = checked(lineFlow(e, line, k));
    e.flowError = checked((e.measFlow - e.refFlow) * 100 / e.refFlow);
    if (std::fabs(e.flowError) > limit) return true;
  }
  return false;
}

// Each line takes the longest run of sections, from the end of the previous line, whose own fit
// keeps every entry within the error limit; at least two sections, whatever their errors.
template <class E>
void automaticSearch(std::vector<E>& entries, const SpanPoints& sp) {
  std::vector<files::Line>& lines = currentLines();
  std::vector<int32_t>& breaks = PackageHelper::breakPoints();
  lines.clear();
  breaks.clear();
  const int count = static_cast<int>(PackageHelper::sections().size());
  int c = 0;
  while (c < count - 1) {
    int e = count;
    files::Line candidate;
    bool exceeds = false;
    do {
      --e;
      candidate = spanFit(sp, c, e, true);
      exceeds = spanExceedsError(entries, c, e, candidate);
    } while (exceeds && c + 1 < e);
    lines.push_back(candidate);
    breaks.push_back(e);
    c = e;
  }
}

// Break points are the sections holding a marked entry, except the first and the last section; the
// last section always ends the last line.
template <class E>
void manualConstruction(const std::vector<E>& entries, const SpanPoints& sp) {
  const auto& secs = PackageHelper::sections();
  std::vector<int32_t>& breaks = PackageHelper::breakPoints();
  const int count = static_cast<int>(secs.size());
  breaks.clear();
  if (count >= 2) {
    for (int i = 1; i <= count - 2; ++i) {
      bool marked = false;
      for (int j = secs[i].first; j <= secs[i].last && !marked; ++j)
        marked = entries[j].point && !entries[j].switchedOff;
      if (marked) breaks.push_back(i);
    }
    breaks.push_back(count - 1);
  }
  std::vector<files::Line>& lines = currentLines();
  lines.clear();
  lines.reserve(breaks.size());
  int p = 0;
  for (int32_t b : breaks) {
    lines.push_back(spanFit(sp, p, b, true));
    p = b;
  }
}

// The first entry of every section where one line ends and the next begins carries the mark.
template <class E>
void markBreakPoints(std::vector<E>& entries) {
  for (E& e : entries) e.point = 0;
  const std::vector<int32_t>& breaks = PackageHelper::breakPoints();
  for (size_t i = 0; i + 1 < breaks.size(); ++i)
    entries[PackageHelper::sections()[breaks[i]].first].point = 1;
}

// KELT and TD: group into sections, then fit by the chosen function and mode.
template <class E>
void approximateBySections(std::vector<E>& entries) {
  const ApprSettings& st = apprSettings();
  groupSections(entries, st.sectionScatter, PackageHelper::sections());
  const int count = static_cast<int>(PackageHelper::sections().size());
  const SpanPoints sp = spanPoints(entries, st.fromEntries != 0);
  if (st.func == 1 || st.func == 2) {
    PackageHelper::breakPoints().clear();
    currentLines().clear();
    if (count > 1) currentLines().push_back(spanFit(sp, 0, count - 1, st.func == 1));
  } else if (st.manual == 0) {
    automaticSearch(entries, sp);
  } else {
    manualConstruction(entries, sp);
  }
  markBreakPoints(entries);
}

}  // namespace

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
  if (!value(row, info.id, v)) return "";
  return formatCell(v, info.type, info.digits, localeHook().decimalSeparator);
}

template <class Entry>
void Package<Entry>::setCellText(int row, int col, const std::string& text) {
  const ColumnInfo info = column(col);
  const char sep = localeHook().decimalSeparator;
  const std::string t = withDecimalSeparator(text, sep);
  if (info.type == vtReal)
    setValue(row, info.id, parseReal(t, sep));
  else if (info.type == vtInteger)
    setValue(row, info.id, parseInteger(t));
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
  withField(entries_[row], id, [&](auto& field) { convertValue(v, field); });
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
  for (const Entry& e : entries_) writeRecord(os, toRecord(e, method));
}

template <class Entry>
void Package<Entry>::load(std::istream& is) {
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
  loaded.reserve(std::min(count, kMaxReserve));
  for (uint32_t i = 0; i < count && is; ++i) {
    RecordOf<Entry> r{};
    readRecord(is, r);
    if (is) loaded.push_back(fromRecord<Entry>(r, newMethod));
  }
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
  recalcOne(entries_[row], recalcContext(method));
}

template <class Entry>
void Package<Entry>::recalcAll() {
  const RecalcContext ctx = recalcContext(method);
  for (Entry& e : entries_) recalcOne(e, ctx);
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
    if constexpr (kHasSections<Entry>)
      approximateBySections(entries_);
    else
      approximateZorb(entries_);
  } catch (...) {
    // A failed approximation leaves no lines rather than stale or partial ones.
    currentLines().clear();
    throw;
  }
}

template class Package<ZorbEntry>;
template class Package<KeltEntry>;
template class Package<EprEntry>;

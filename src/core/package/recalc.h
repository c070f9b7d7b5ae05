#pragma once
// Recalculation of entries: the reference quantities by the package's method, the measured volume,
// the frequency and flow reduced to the reference temperature, and the measured flow and its error
// by the current line set.

#include <cstdint>
#include <span>

#include "core/package/apprsettings.h"
#include "core/package/entries.h"
#include "core/package/line.h"

// The flow a line gives for the entry; k is the reduction factor of its temperature. Lines are
// fitted on reduced values, so for pulse entries the line is brought back to the water temperature.
template <class E>
double lineFlow(const E& e, const files::Line& line, double k) {
  if constexpr (kHasPulses<E>)
    return line.A * e.frequency + line.B / k;
  else
    return line.A * e.code + line.B;
}

// Recalculates the entries of a package whose reference is measured by `method`, with the current
// line set and approximation settings. A value that cannot be computed falls back to 0 (errors to
// 100 %); nothing throws.
template <class E>
void recalcEntries(std::span<E> entries, uint8_t method);
// The same with a given line set and settings, e.g. those of a document still being read.
template <class E>
void recalcEntries(std::span<E> entries, uint8_t method, std::span<const files::Line> lines,
                   const ApprSettings& settings);

extern template void recalcEntries(std::span<ZorbEntry>, uint8_t);
extern template void recalcEntries(std::span<KeltEntry>, uint8_t);
extern template void recalcEntries(std::span<EprEntry>, uint8_t);
extern template void recalcEntries(std::span<ZorbEntry>, uint8_t, std::span<const files::Line>,
                                   const ApprSettings&);
extern template void recalcEntries(std::span<KeltEntry>, uint8_t, std::span<const files::Line>,
                                   const ApprSettings&);
extern template void recalcEntries(std::span<EprEntry>, uint8_t, std::span<const files::Line>,
                                   const ApprSettings&);

#pragma once
// The entries of a package block in a document: one record per entry (files::ZorbEntry,
// files::KeltEntry, files::EprEntry) holding the entered fields only; the reference quantity is
// the one the package's method measures.

#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <span>
#include <vector>

#include "core/package/entries.h"

template <class E>
void writeEntryRecords(std::ostream& os, std::span<const E> entries, uint8_t method);

// Called with each block of entries as soon as it is filled.
template <class E>
using BlockFilled = std::function<void(std::span<E>)>;

// Appends up to `count` entries to `out`; stops at a stream failure, leaving the stream failed.
template <class E>
void readEntryRecords(std::istream& is, uint32_t count, uint8_t method, std::vector<E>& out,
                      const BlockFilled<E>& filled = {});

extern template void writeEntryRecords(std::ostream&, std::span<const ZorbEntry>, uint8_t);
extern template void writeEntryRecords(std::ostream&, std::span<const KeltEntry>, uint8_t);
extern template void writeEntryRecords(std::ostream&, std::span<const EprEntry>, uint8_t);
extern template void readEntryRecords(std::istream&, uint32_t, uint8_t, std::vector<ZorbEntry>&,
                                      const BlockFilled<ZorbEntry>&);
extern template void readEntryRecords(std::istream&, uint32_t, uint8_t, std::vector<KeltEntry>&,
                                      const BlockFilled<KeltEntry>&);
extern template void readEntryRecords(std::istream&, uint32_t, uint8_t, std::vector<EprEntry>&,
                                      const BlockFilled<EprEntry>&);

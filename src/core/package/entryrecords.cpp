#include "core/package/entryrecords.h"

#include <algorithm>

#include "core/base/hugepages.h"
#include "core/base/lestream.h"

namespace {

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

// Fills the entered fields of an entry; the derived ones are left to the recalculation.
template <class E, class R>
void fillFromRecord(E& e, const R& r, uint8_t m) {
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
}

template <class E>
using RecordOf = decltype(toRecord(std::declval<const E&>(), 0));

// The count comes from the file: where the stream cannot tell how much data is left, never reserve
// more than this many records ahead of reading them.
constexpr uint32_t kMaxReserve = 256;
// Records read with one call.
constexpr uint32_t kBlockRecords = 4096;

// Bytes from the read position to the end of the stream, or -1 where the stream cannot seek.
std::streamoff bytesLeft(std::istream& is) {
  const std::istream::pos_type pos = is.tellg();
  if (pos == std::istream::pos_type(-1)) return -1;
  is.seekg(0, std::ios_base::end);
  const std::istream::pos_type end = is.tellg();
  is.seekg(pos);
  if (!is || end == std::istream::pos_type(-1)) {
    is.clear();
    is.seekg(pos);
    return -1;
  }
  return end - pos;
}

// At most `count` and never more records than the rest of the stream can hold.
template <class R>
uint32_t reserveBound(std::istream& is, uint32_t count) {
  const std::streamoff left = bytesLeft(is);
  if (left < 0) return std::min(count, kMaxReserve);
  return static_cast<uint32_t>(std::min<std::streamoff>(count, left / std::streamoff(sizeof(R))));
}

}  // namespace

template <class E>
void writeEntryRecords(std::ostream& os, std::span<const E> entries, uint8_t method) {
  for (const E& e : entries) writeRecord(os, toRecord(e, method));
}

template <class E>
void readEntryRecords(std::istream& is, uint32_t count, uint8_t method, std::vector<E>& out,
                      const BlockFilled<E>& filled) {
  using R = RecordOf<E>;
  const uint32_t bound = reserveBound<R>(is, count);
  out.reserve(out.size() + bound);
  preferHugePagesForReserve(out);
  std::vector<R> block(std::clamp<uint32_t>(bound, 1, kBlockRecords));
  for (uint32_t done = 0; done < count && is;) {
    const auto want = static_cast<uint32_t>(std::min<size_t>(count - done, block.size()));
    is.read(reinterpret_cast<char*>(block.data()), std::streamsize(want * sizeof(R)));
    // A partial record at the end of the data is dropped, with the stream failed.
    const auto got = static_cast<uint32_t>(is.gcount() / std::streamsize(sizeof(R)));
    const size_t first = out.size();
    out.resize(first + got);
    for (uint32_t i = 0; i < got; ++i) fillFromRecord(out[first + i], block[i], method);
    if (filled) filled(std::span(out).subspan(first, got));
    done += got;
  }
}

template void writeEntryRecords(std::ostream&, std::span<const ZorbEntry>, uint8_t);
template void writeEntryRecords(std::ostream&, std::span<const KeltEntry>, uint8_t);
template void writeEntryRecords(std::ostream&, std::span<const EprEntry>, uint8_t);
template void readEntryRecords(std::istream&, uint32_t, uint8_t, std::vector<ZorbEntry>&,
                               const BlockFilled<ZorbEntry>&);
template void readEntryRecords(std::istream&, uint32_t, uint8_t, std::vector<KeltEntry>&,
                               const BlockFilled<KeltEntry>&);
template void readEntryRecords(std::istream&, uint32_t, uint8_t, std::vector<EprEntry>&,
                               const BlockFilled<EprEntry>&);

#include "core/package/entryrecords.h"

#include <algorithm>

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

template <class E>
void writeEntryRecords(std::ostream& os, std::span<const E> entries, uint8_t method) {
  for (const E& e : entries) writeRecord(os, toRecord(e, method));
}

template <class E>
void readEntryRecords(std::istream& is, uint32_t count, uint8_t method, std::vector<E>& out) {
  out.reserve(out.size() + std::min(count, kMaxReserve));
  for (uint32_t i = 0; i < count && is; ++i) {
    RecordOf<E> r{};
    readRecord(is, r);
    if (is) out.push_back(fromRecord<E>(r, method));
  }
}

template void writeEntryRecords(std::ostream&, std::span<const ZorbEntry>, uint8_t);
template void writeEntryRecords(std::ostream&, std::span<const KeltEntry>, uint8_t);
template void writeEntryRecords(std::ostream&, std::span<const EprEntry>, uint8_t);
template void readEntryRecords(std::istream&, uint32_t, uint8_t, std::vector<ZorbEntry>&);
template void readEntryRecords(std::istream&, uint32_t, uint8_t, std::vector<KeltEntry>&);
template void readEntryRecords(std::istream&, uint32_t, uint8_t, std::vector<EprEntry>&);

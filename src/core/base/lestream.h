#pragma once
// Little-endian binary fields on std streams, the byte order of every file the program writes.
// Readers leave the stream's failure state to the caller: read a whole structure, then check once.

#include <bit>
#include <cstdint>
#include <istream>
#include <ostream>
#include <type_traits>

// Packed records are written as they lie in memory, which is their file layout only on a
// little-endian machine.
static_assert(std::endian::native == std::endian::little, "file records assume little-endian");

template <class T>
concept LeScalar =
    std::is_same_v<T, uint8_t> || std::is_same_v<T, int8_t> || std::is_same_v<T, uint16_t> ||
    std::is_same_v<T, int32_t> || std::is_same_v<T, uint32_t> || std::is_same_v<T, double>;

template <LeScalar T>
void writeLe(std::ostream& os, T value) {
  os.write(reinterpret_cast<const char*>(&value), sizeof value);
}

// On failure the value is left as it was and the stream is marked failed.
template <LeScalar T>
void readLe(std::istream& is, T& value) {
  T v;
  if (is.read(reinterpret_cast<char*>(&v), sizeof v)) value = v;
}

// A packed record of little-endian fields (no padding), e.g. SystemTime or a file entry record.
template <class R>
requires std::is_trivially_copyable_v<R>
void writeRecord(std::ostream& os, const R& record) {
  os.write(reinterpret_cast<const char*>(&record), sizeof record);
}

template <class R>
requires std::is_trivially_copyable_v<R>
void readRecord(std::istream& is, R& record) {
  R r;
  if (is.read(reinterpret_cast<char*>(&r), sizeof r)) record = r;
}

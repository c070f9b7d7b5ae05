#pragma once
// Builds little-endian byte strings field by field, the way the file layout tables list them.

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

class ByteBuilder {
 public:
  ByteBuilder& u8(uint8_t v) {
    bytes_.push_back(char(v));
    return *this;
  }
  ByteBuilder& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
  ByteBuilder& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
  ByteBuilder& i32(int32_t v) { return u32(uint32_t(v)); }
  ByteBuilder& f64(double v) {
    const auto bits = std::bit_cast<uint64_t>(v);
    return u32(uint32_t(bits)).u32(uint32_t(bits >> 32));
  }
  ByteBuilder& raw(std::string_view s) {
    bytes_ += s;
    return *this;
  }
  // Zero bytes up to `offset` from the start of this builder (for blocks with unused gaps).
  ByteBuilder& padTo(size_t offset) {
    if (bytes_.size() < offset) bytes_.resize(offset, '\0');
    return *this;
  }
  size_t size() const { return bytes_.size(); }
  const std::string& str() const { return bytes_; }
  operator std::string() const { return bytes_; }

 private:
  std::string bytes_;
};

#include "jsonstream.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

using nlohmann::json;

namespace {

constexpr size_t kIndent = 2;
// What is held before it goes to the stream: large enough that a block costs one write. The block
// has room for twice as much, so that a piece of any usual size fits without a check per byte.
constexpr size_t kBlock = size_t(1) << 16;
constexpr size_t kCapacity = 2 * kBlock;

std::string dumped(const json& v) {
  return v.dump(int(kIndent), ' ', false, json::error_handler_t::replace);
}

// The bytes that dump writes between quotes as they are: printable ASCII but the quote and
// backslash.
constexpr std::array<bool, 256> kAsIs = [] {
  std::array<bool, 256> asIs{};
  for (int c = 0x20; c <= 0x7e; ++c) asIs[size_t(c)] = c != '"' && c != '\\';
  return asIs;
}();

// A line end and the indent of the deepest level a document of ours reaches, and more.
const std::string kLineStarts = '\n' + std::string(64 * kIndent, ' ');

}  // namespace

JsonStream::JsonStream(std::ostream& out) : out_(out), block_(new char[kCapacity]) {}

void JsonStream::value(const json& v) {
  startValue();
  const std::string own = dumped(v);
  // The value's own layout starts at depth 0. A JSON string holds no raw line end, so every line
  // end begins a line of that layout, which moves right by the depth the value is written at.
  size_t from = 0;
  for (size_t end = own.find('\n'); end != std::string::npos; end = own.find('\n', from)) {
    put(std::string_view(own).substr(from, end - from));
    newLine(started_.size());
    from = end + 1;
  }
  put(std::string_view(own).substr(from));
  written();
}

void JsonStream::string(std::string_view text) {
  startValue();
  if (text.size() + 2 > kCapacity - held_) flush();
  if (text.size() + 2 <= kCapacity && copiedAsIs(text)) {
    written();
    return;
  }
  put(dumped(json(text)));
  written();
}

// Copies the text between quotes into the block, which has room for it, and tells whether that
// is how dump writes it; if not, the block is left as it was.
bool JsonStream::copiedAsIs(std::string_view text) {
  char* out = block_.get() + held_;
  *out++ = '"';
  bool plain = true;
  for (const char c : text) {
    plain &= kAsIs[static_cast<unsigned char>(c)];
    *out++ = c;
  }
  *out++ = '"';
  if (plain) held_ = size_t(out - block_.get());
  return plain;
}

void JsonStream::number(double x) {
  startValue();
  if (std::isfinite(x)) {
    // The library's own shortest form that reads back as the same double, as dump writes it.
    std::array<char, 64> digits;
    char* end = nlohmann::detail::to_chars(digits.data(), digits.data() + digits.size(), x);
    put(std::string_view(digits.data(), size_t(end - digits.data())));
  } else {
    put("null");
  }
  written();
}

void JsonStream::integer(long long x) {
  startValue();
  std::array<char, 24> digits;
  char* end = std::to_chars(digits.data(), digits.data() + digits.size(), x).ptr;
  put(std::string_view(digits.data(), size_t(end - digits.data())));
  written();
}

void JsonStream::beginArray() { open('['); }

void JsonStream::endArray() { close(']'); }

void JsonStream::beginObject() { open('{'); }

void JsonStream::key(std::string_view name) {
  string(name);
  put(": ");
  afterKey_ = true;
}

void JsonStream::endObject() { close('}'); }

void JsonStream::objectWith(const json& members, const std::string& name,
                            const std::function<void()>& writeValue) {
  beginObject();
  bool done = false;
  for (auto it = members.begin(); it != members.end(); ++it) {
    if (!done && name < it.key()) {
      key(name);
      writeValue();
      done = true;
    }
    key(it.key());
    value(it.value());
  }
  if (!done) {
    key(name);
    writeValue();
  }
  endObject();
}

void JsonStream::flush() {
  out_.write(block_.get(), std::streamsize(held_));
  held_ = 0;
}

void JsonStream::put(char c) {
  if (held_ == kCapacity) flush();
  block_[held_++] = c;
}

void JsonStream::put(std::string_view text) {
  if (text.size() > kCapacity - held_) {
    flush();
    if (text.size() > kCapacity) {
      out_.write(text.data(), std::streamsize(text.size()));
      return;
    }
  }
  std::memcpy(block_.get() + held_, text.data(), text.size());
  held_ += text.size();
}

void JsonStream::startValue() {
  if (afterKey_ || started_.empty()) {
    afterKey_ = false;
    return;
  }
  if (started_.back()) put(',');
  started_.back() = true;
  newLine(started_.size());
}

void JsonStream::open(char bracket) {
  startValue();
  put(bracket);
  started_.push_back(false);
}

void JsonStream::close(char bracket) {
  const bool empty = !started_.back();
  started_.pop_back();
  if (!empty) newLine(started_.size());
  put(bracket);
  written();
}

void JsonStream::newLine(size_t depth) {
  const size_t length = 1 + depth * kIndent;
  if (length <= kLineStarts.size()) {
    put(std::string_view(kLineStarts).substr(0, length));
  } else {
    put('\n');
    for (size_t i = 0; i < depth * kIndent; ++i) put(' ');
  }
}

void JsonStream::written() {
  if (held_ >= kBlock) flush();
}

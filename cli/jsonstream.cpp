#include "jsonstream.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

using nlohmann::json;

namespace {

constexpr size_t kIndent = 2;
// What is held before it goes to the stream: large enough that a block costs one write.
constexpr size_t kBlock = size_t(1) << 16;

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

// Text that dump writes between quotes as it is.
bool writtenAsIs(std::string_view text) {
  bool plain = true;
  for (const char c : text) plain &= kAsIs[static_cast<unsigned char>(c)];
  return plain;
}

// A line end and the indent of the deepest level a document of ours reaches, and more.
const std::string kLineStarts = '\n' + std::string(64 * kIndent, ' ');

}  // namespace

void JsonStream::value(const json& v) {
  startValue();
  const std::string own = dumped(v);
  // The value's own layout starts at depth 0. A JSON string holds no raw line end, so every line
  // end begins a line of that layout, which moves right by the depth the value is written at.
  size_t from = 0;
  for (size_t end = own.find('\n'); end != std::string::npos; end = own.find('\n', from)) {
    text_.append(own, from, end - from);
    newLine(started_.size());
    from = end + 1;
  }
  text_.append(own, from);
  written();
}

void JsonStream::string(std::string_view text) {
  startValue();
  if (writtenAsIs(text)) {
    text_ += '"';
    text_.append(text);
    text_ += '"';
  } else {
    text_ += dumped(json(text));
  }
  written();
}

void JsonStream::number(double x) {
  startValue();
  if (std::isfinite(x)) {
    // The library's own shortest form that reads back as the same double, as dump writes it.
    std::array<char, 64> digits;
    char* end = nlohmann::detail::to_chars(digits.data(), digits.data() + digits.size(), x);
    text_.append(digits.data(), end);
  } else {
    text_ += "null";
  }
  written();
}

void JsonStream::integer(long long x) {
  startValue();
  std::array<char, 24> digits;
  char* end = std::to_chars(digits.data(), digits.data() + digits.size(), x).ptr;
  text_.append(digits.data(), end);
  written();
}

void JsonStream::beginArray() { open('['); }

void JsonStream::endArray() { close(']'); }

void JsonStream::beginObject() { open('{'); }

void JsonStream::key(std::string_view name) {
  string(name);
  text_ += ": ";
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
  out_.write(text_.data(), std::streamsize(text_.size()));
  text_.clear();
}

void JsonStream::startValue() {
  if (afterKey_ || started_.empty()) {
    afterKey_ = false;
    return;
  }
  if (started_.back()) text_ += ',';
  started_.back() = true;
  newLine(started_.size());
}

void JsonStream::open(char bracket) {
  startValue();
  text_ += bracket;
  started_.push_back(false);
}

void JsonStream::close(char bracket) {
  const bool empty = !started_.back();
  started_.pop_back();
  if (!empty) newLine(started_.size());
  text_ += bracket;
  written();
}

void JsonStream::newLine(size_t depth) {
  const size_t length = 1 + depth * kIndent;
  if (length <= kLineStarts.size()) {
    text_.append(kLineStarts, 0, length);
  } else {
    text_ += '\n';
    text_.append(depth * kIndent, ' ');
  }
}

void JsonStream::written() {
  if (text_.size() >= kBlock) flush();
}

#include "jsonstream.h"

using nlohmann::json;

namespace {

constexpr size_t kIndent = 2;

std::string dumped(const json& v) {
  return v.dump(int(kIndent), ' ', false, json::error_handler_t::replace);
}

}  // namespace

void JsonStream::value(const json& v) {
  text_.clear();
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
  out_.write(text_.data(), std::streamsize(text_.size()));
}

void JsonStream::beginArray() {
  text_.clear();
  startValue();
  open('[');
}

void JsonStream::endArray() { close(']'); }

void JsonStream::objectWith(const json& members, const std::string& key,
                            const std::function<void()>& writeValue) {
  text_.clear();
  startValue();
  open('{');
  bool written = false;
  for (auto it = members.begin(); it != members.end(); ++it) {
    if (!written && key < it.key()) {
      member(key);
      writeValue();
      written = true;
    }
    member(it.key());
    value(it.value());
  }
  if (!written) {
    member(key);
    writeValue();
  }
  close('}');
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
  text_ += bracket;
  started_.push_back(false);
  out_.write(text_.data(), std::streamsize(text_.size()));
}

void JsonStream::close(char bracket) {
  const bool empty = !started_.back();
  started_.pop_back();
  text_.clear();
  if (!empty) newLine(started_.size());
  text_ += bracket;
  out_.write(text_.data(), std::streamsize(text_.size()));
}

void JsonStream::member(const std::string& key) {
  text_.clear();
  startValue();
  text_ += dumped(key);
  text_ += ": ";
  afterKey_ = true;
  out_.write(text_.data(), std::streamsize(text_.size()));
}

void JsonStream::newLine(size_t depth) {
  text_ += '\n';
  text_.append(depth * kIndent, ' ');
}

#pragma once
// Writes JSON text exactly as nlohmann::json::dump(2, ' ', false, replace) writes the whole value,
// a piece at a time: an array or an object member can be written element by element as the
// elements are made, so a large document never exists as one tree or one string. The output goes
// to the stream as it is made; the stream's buffer bounds what is held.

#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

class JsonStream {
 public:
  explicit JsonStream(std::ostream& out) : out_(out) {}

  // A whole value: the document itself, an element of the open array or the value of the member
  // being written.
  void value(const nlohmann::json& v);

  // An array whose elements are the values written until endArray.
  void beginArray();
  void endArray();

  // The object `members` with one more member, `key`, whose value writeValue writes (with one call
  // of value, or an array, or another objectWith). Members come in the order the library keeps
  // them, so the key takes its sorted place among the others.
  void objectWith(const nlohmann::json& members, const std::string& key,
                  const std::function<void()>& writeValue);

 private:
  // Starts a value at the current place: after a member's key it follows on the same line, in an
  // array it takes its own line after a comma.
  void startValue();
  void open(char bracket);
  void close(char bracket);
  void member(const std::string& key);
  void newLine(size_t depth);

  std::ostream& out_;
  // For each open array or object, inside out: whether anything was written in it yet.
  std::vector<bool> started_;
  bool afterKey_ = false;
  std::string text_;  // the text of the current value, reused from value to value
};

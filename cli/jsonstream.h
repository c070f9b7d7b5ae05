#pragma once
// Writes JSON text exactly as nlohmann::json::dump(2, ' ', false, replace) writes the whole value,
// a piece at a time: arrays and objects are written element by element as the elements are made,
// so a large document never exists as one tree or one string. The text is handed to the stream in
// blocks of a bounded size.

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class JsonStream {
 public:
  explicit JsonStream(std::ostream& out);

  // A value: the document itself, an element of the open array or the value of the key just
  // written. value takes any JSON; the others write a scalar without making one.
  void value(const nlohmann::json& v);
  void string(std::string_view text);
  void number(double x);
  void integer(long long x);

  void beginArray();
  void endArray();
  // The keys of an object must come in the order the library keeps them: sorted by their bytes.
  void beginObject();
  void key(std::string_view name);
  void endObject();

  // The object `members` with one more member, `name`, whose value writeValue writes; `name` takes
  // its sorted place among the others (`members` must not hold it).
  void objectWith(const nlohmann::json& members, const std::string& name,
                  const std::function<void()>& writeValue);

  // Hands what is held to the stream; call it when the document is complete.
  void flush();

 private:
  // Starts a value at the current place: after a key it follows on the same line, in an array or
  // object it takes its own line after a comma.
  void startValue();
  void open(char bracket);
  void close(char bracket);
  void newLine(size_t depth);
  void written();
  void put(char c);
  void put(std::string_view text);
  bool copiedAsIs(std::string_view text);

  std::ostream& out_;
  // For each open array or object, inside out: whether anything was written in it yet (a byte
  // each rather than a bit, as it is asked before every value).
  std::vector<char> started_;
  bool afterKey_ = false;
  std::unique_ptr<char[]> block_;  // what is not yet handed to the stream: its first held_ bytes
  size_t held_ = 0;
};

#include "core/base/writecheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/base/localehook.h"

namespace {

// Neither line is a plain failure of the command: the write went out. Only the console's text
// carries the warning, so it says so first.
constexpr const char* kWarning = "ВНИМАНИЕ! ";

std::string printed(const char* format, auto... values) {
  char text[64];
  std::snprintf(text, sizeof text, format, values...);
  std::string result = text;
  const char separator = localeHook().decimalSeparator;
  for (char& c : result) {
    if (c == '.') c = separator;
  }
  return result;
}

std::string hexByte(uint8_t byte) { return printed("%02X", byte); }

// The bytes of the block that differ, for a difference none of the listed values shows.
std::vector<WriteCheckField> differingBytes(std::span<const uint8_t> written,
                                            std::span<const uint8_t> found) {
  std::vector<WriteCheckField> fields;
  for (size_t i = 0; i < written.size(); ++i) {
    const bool missing = i >= found.size();
    if (!missing && written[i] == found[i]) continue;
    fields.push_back({"байт " + std::to_string(i), hexByte(written[i]),
                      missing ? std::string("нет") : hexByte(found[i])});
  }
  return fields;
}

}  // namespace

WriteCheck writeCheckCompare(std::span<const uint8_t> written, std::span<const uint8_t> found,
                             const std::vector<WriteCheckValue>& values) {
  WriteCheck check;
  if (std::equal(written.begin(), written.end(), found.begin(), found.end())) return check;
  check.result = WriteCheckResult::mismatch;
  for (const WriteCheckValue& value : values) {
    // NaN is not equal to itself, yet the same bytes are the same value.
    const bool same =
        value.written == value.found || (std::isnan(value.written) && std::isnan(value.found));
    if (same) continue;
    check.fields.push_back({value.name, writeCheckValueText(value.written, value.found),
                            writeCheckValueText(value.found, value.written)});
  }
  if (check.fields.empty()) check.fields = differingBytes(written, found);
  return check;
}

WriteCheck writeCheckUnconfirmed(const std::string& reason) {
  return {WriteCheckResult::unconfirmed, {}, reason};
}

WriteCheck writeCheckJoin(const WriteCheck& first, const WriteCheck& second) {
  WriteCheck joined = first;
  joined.result = std::max(first.result, second.result);
  joined.fields.insert(joined.fields.end(), second.fields.begin(), second.fields.end());
  if (!first.reason.empty() && !second.reason.empty()) joined.reason += "; ";
  joined.reason += second.reason;
  return joined;
}

std::string writeCheckLine(const WriteCheck& check) {
  switch (check.result) {
    case WriteCheckResult::verified:
      return "Запись подтверждена: прибор хранит записанные значения";
    case WriteCheckResult::mismatch: {
      std::string line = std::string(kWarning) + "Запись не подтверждена: ";
      for (size_t i = 0; i < check.fields.size(); ++i) {
        const WriteCheckField& field = check.fields[i];
        if (i > 0) line += "; ";
        line += field.name + ": записано " + field.written + ", в приборе " + field.found;
      }
      return line;
    }
    case WriteCheckResult::unconfirmed:
      return std::string(kWarning) +
             "Запись не удалось проверить (значения могли быть записаны): " + check.reason;
  }
  return {};
}

const char* writeCheckResultName(WriteCheckResult result) {
  switch (result) {
    case WriteCheckResult::verified:
      return "verified";
    case WriteCheckResult::mismatch:
      return "mismatch";
    case WriteCheckResult::unconfirmed:
      return "unconfirmed";
  }
  return "";
}

std::string writeCheckValueText(double value, double other) {
  if (std::isnan(value)) return "не число";
  if (value == std::trunc(value) && std::fabs(value) < 1e15) return printed("%.0f", value);
  // Six digits unless the two values need more to differ: a single-precision neighbour takes 7.
  for (int digits = 6;; ++digits) {
    const std::string text = printed("%.*g", digits, value);
    if (digits == 17 || text != printed("%.*g", digits, other)) return text;
  }
}

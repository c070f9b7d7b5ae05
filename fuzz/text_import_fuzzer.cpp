// Any bytes as a text file imported into a package. The input opens with the import choices:
// byte 0 the package (bits 0-1 entry kind, bit 2 verification, bits 3-4 method), byte 1 the field
// separator choice (bits 0-1) and the user's decimal comma (bit 2), byte 2 the length n of the
// remembered column list that follows in n bytes; the rest is the file. The imported entries are
// recalculated and exported; when the separators differ, that export must import and export again
// to the same text (as long as its lines fit the import's limit).

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/package/packagecreate.h"
#include "core/storage/textexchange.h"

namespace {

struct Choices {
  int entryKind, kind, method;
  char fieldSeparator, decimalSeparator;
  std::string storedList;
};

PackagePtr emptyPackage(const Choices& c) { return createPackage(c.entryKind, c.kind, c.method); }

// Imports `text` into `package` and recalculates whatever was read; a bad line stops the import
// with its message, the entries before it stay.
void import(PackageBase& package, const std::vector<int>& items, const std::string& text,
            char fieldSeparator) {
  std::istringstream in(text);
  try {
    readText(in, package, items, fieldSeparator);
  } catch (const MessageError&) {
  }
  try {
    package.recalcAll();
  } catch (const MessageError&) {
  }
}

std::string exported(const PackageBase& package, const std::vector<int>& items, const Choices& c) {
  std::ostringstream out;
  writeText(out, package, items, c.fieldSeparator, c.decimalSeparator);
  return out.str();
}

// Import reads lines of at most 255 characters; a longer export cannot come back.
bool linesFit(const std::string& text) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.size() > 256) return false;  // with its CR
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3 || size < 3u + data[2]) return 0;
  Choices c;
  c.entryKind = data[0] & 3;
  c.kind = (data[0] >> 2) & 1;
  c.method = ((data[0] >> 3) & 3) % 3;
  c.fieldSeparator = fieldSeparatorOf(data[1] & 3);
  c.decimalSeparator = (data[1] & 4) ? ',' : '.';
  c.storedList.assign(reinterpret_cast<const char*>(data + 3), data[2]);
  const std::string text(reinterpret_cast<const char*>(data + 3 + data[2]), size - 3 - data[2]);

  LocaleHook locale = defaultLocaleHook();
  locale.decimalSeparator = c.decimalSeparator;
  setLocaleHook(locale);

  PackagePtr package = emptyPackage(c);
  const std::vector<int> items = decodeColumnList(c.storedList, offeredColumns(*package, 0, false));
  import(*package, items, text, c.fieldSeparator);
  const std::string first = exported(*package, items, c);
  if (c.fieldSeparator == c.decimalSeparator || !linesFit(first)) return 0;

  PackagePtr again = emptyPackage(c);
  import(*again, items, first, c.fieldSeparator);
  if (exported(*again, items, c) != first) __builtin_trap();
  return 0;
}

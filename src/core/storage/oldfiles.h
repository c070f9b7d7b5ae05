#pragma once
// Documents of versions 1 and 2: a fixed 120-byte header, in version 2 a block of coefficient
// lines, and a flat list of 140-byte measurement records marked as calibration or verification.

#include <cstdint>
#include <iosfwd>

namespace files {

// Reads the old content from `in` (positioned after the 8-byte file header) and writes the same
// document in the version-3 layout, from the family byte on, to `out`. Raises MessageError
// "Неизвестный формат файла" when the old content cannot be read completely.
void convertOldDocument(std::ostream& out, std::istream& in, uint32_t version);

}  // namespace files

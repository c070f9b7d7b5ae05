#pragma once
// The Windows-1251 code page of the program's text files (the protocol report).

#include <string>
#include <string_view>

// UTF-8 text as Windows-1251 bytes, one byte per character. A character the code page lacks, and
// a byte that does not belong to a UTF-8 sequence, become "?".
std::string toWindows1251(std::string_view utf8);

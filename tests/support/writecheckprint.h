#pragma once
// Readable failure output for the write-check fields the device tests compare.

#include <ostream>

#include "core/base/writecheck.h"

inline void PrintTo(const WriteCheckField& field, std::ostream* out) {
  *out << field.name << ": " << field.written << " / " << field.found;
}

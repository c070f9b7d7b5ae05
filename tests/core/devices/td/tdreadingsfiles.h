#pragma once
// TD readings files, shared by the readings tests and the fuzzing seeds.

namespace tdreadingsfiles {

// What the page writes for the codes 1000, -12.5, 3e15 and the filtered 1000, 999.5, 0.1.
inline constexpr const char* kWritten = "0;1000;1000\n1;-12.5;999.5\n2;3E+15;0.1\n";

// Another decimal separator, both line ends, empty and missing fields, an empty line and an
// extra field.
inline constexpr const char* kMixed = "0;1,5;-2\r\n1;;\r\n2;-3.25\r\n\n5;7;8;9";

}  // namespace tdreadingsfiles

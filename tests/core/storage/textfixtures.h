#pragma once
// Text files of the package text exchange, shared by its tests and the fuzzing seeds.

namespace textfixtures {

// Column indices of a ZORB calibration package measured by volume.
inline constexpr int kTemperature = 1;
inline constexpr int kRefVolume = 2;
inline constexpr int kRefFlow = 4;
inline constexpr int kPulses1 = 6;

// Read with the columns temperature, filler, pulses 1 and the separator ";": short lines, extra
// fields, both decimal separators and both line ends.
inline constexpr const char* kMixedLines =
    "21.5;x;100\r\n"
    "\r\n"
    "22,5;skip;200;extra;more\n"
    "23;y\n"
    "24;;300";

}  // namespace textfixtures

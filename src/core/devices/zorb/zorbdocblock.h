#pragma once
// What a document keeps of a ZORB device besides its identity: the one coefficient line and the
// parameter block.
//
// Parameter block, 8 bytes little-endian: bytes 0..3 unused (written as zeros, ignored when
// read), bytes 4..7 int32 position in the pulse-weight list, 0..2.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/devices/zorb/zorbprotocol.h"
#include "core/package/line.h"

inline constexpr uint32_t kZorbParameterSize = 8;

std::array<uint8_t, kZorbParameterSize> zorbDocBlock(int32_t weightPosition);
// The stored position limited to the list; nullopt, changing nothing, for a block shorter than 8
// bytes.
std::optional<int32_t> zorbWeightPositionOf(const uint8_t* data, uint32_t length);

// The device holds one line: `lines` cut or grown to exactly one, with the panel's A and B and
// its F kept.
std::vector<files::Line> zorbReadLines(std::vector<files::Line> lines, double a, double b);

// The edit values for a line set: the first line, and nothing for an empty set. Values out of
// the transducer's range are reported but still shown, where the edits limit them; so are
// surplus lines.
struct ZorbLineEdits {
  std::optional<ZorbCoefficients> values;
  std::vector<std::string> warnings;
};
ZorbLineEdits zorbWriteLines(const std::vector<files::Line>& lines);

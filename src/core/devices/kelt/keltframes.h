#pragma once
// What a KELT frame says, for the exchange monitor. A request is a command byte or a leading
// byte with a block; a reply opens with the echo of the command byte and may carry a block ending
// in its 16-bit sum.

#include <cstdint>
#include <span>

#include "core/devices/exchangelines.h"

FrameMeaning keltDescribeRequest(std::span<const std::uint8_t> frame);
// `request`: the frame the reply answers (empty when not known).
FrameMeaning keltDescribeReply(std::span<const std::uint8_t> frame,
                               std::span<const std::uint8_t> request);

#pragma once
// What a KELT frame says, for the exchange monitor. A request is a command byte or a leading
// byte with a block; a reply opens with the echo of the command byte and may carry a block ending
// in its 16-bit sum.

#include <cstdint>
#include <span>

#include "core/comm/frametap.h"

comprt::FrameMeaning keltDescribeRequest(std::span<const std::uint8_t> frame);
// `request`: the frame the reply answers (empty when not known).
comprt::FrameMeaning keltDescribeReply(std::span<const std::uint8_t> frame,
                                       std::span<const std::uint8_t> request);

#pragma once
// What a ZORB frame says, for the exchange monitor: eight bytes ending in 0x0D; a write carries
// the sum of bytes 0..5 in byte 6 and is checked by its echo.

#include <cstdint>
#include <span>

#include "core/comm/frametap.h"

comprt::FrameMeaning zorbDescribeRequest(std::span<const std::uint8_t> frame);
// `request`: the frame the reply answers (empty when not known).
comprt::FrameMeaning zorbDescribeReply(std::span<const std::uint8_t> frame,
                                       std::span<const std::uint8_t> request);

#pragma once
// What an RM-2.3 frame says, for the exchange monitor. Requests are echoed; identification,
// temperature and status replies end in the 8-bit sum of the bytes before it.

#include <cstdint>
#include <span>

#include "core/comm/frametap.h"

comprt::FrameMeaning spprDescribeRequest(std::span<const std::uint8_t> frame);
// `request`: the frame the reply answers (empty when not known).
comprt::FrameMeaning spprDescribeReply(std::span<const std::uint8_t> frame,
                                       std::span<const std::uint8_t> request);

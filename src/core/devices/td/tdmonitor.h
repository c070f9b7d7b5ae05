#pragma once
// What a TD frame says, for the exchange monitor: address, operation, function and the main
// fields, and whether its CRC-16 holds.

#include <cstdint>
#include <span>

#include "core/comm/frametap.h"

comprt::FrameMeaning tdDescribeRequest(std::span<const std::uint8_t> frame);
comprt::FrameMeaning tdDescribeReply(std::span<const std::uint8_t> frame);

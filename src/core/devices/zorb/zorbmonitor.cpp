#include "core/devices/zorb/zorbmonitor.h"

#include <algorithm>

#include "core/devices/zorb/zorbprotocol.h"

namespace {

using comprt::FrameCheck;

constexpr std::uint8_t kReadCommand = 0x80;
constexpr std::uint8_t kEnd = 0x0D;

bool isRead(std::span<const std::uint8_t> frame) {
  return !frame.empty() && frame[0] == kReadCommand;
}

// Length and end byte; empty when both are right.
std::string framingProblem(std::span<const std::uint8_t> frame) {
  if (frame.size() != ZorbFrame{}.size()) return std::to_string(frame.size()) + " байт вместо 8";
  if (frame.back() != kEnd) return "нет 0D в конце кадра";
  return {};
}

}  // namespace

comprt::FrameMeaning zorbDescribeRequest(std::span<const std::uint8_t> frame) {
  const char* text = isRead(frame) ? "чтение коэффициентов" : "запись коэффициентов";
  if (std::string problem = framingProblem(frame); !problem.empty()) {
    return {text, FrameCheck::bad, std::move(problem)};
  }
  if (!isRead(frame)) {
    ZorbFrame copy;
    std::ranges::copy(frame, copy.begin());
    if (zorbChecksum(copy) != frame[6]) return {text, FrameCheck::bad, "неверная сумма в байте 6"};
  }
  return {text, FrameCheck::good, {}};
}

comprt::FrameMeaning zorbDescribeReply(std::span<const std::uint8_t> frame,
                                       std::span<const std::uint8_t> request) {
  if (std::string problem = framingProblem(frame); !problem.empty()) {
    return {"ответ", FrameCheck::bad, std::move(problem)};
  }
  if (request.empty()) return {"ответ", {}, {}};
  if (isRead(request)) return {"коэффициенты прибора", FrameCheck::good, {}};
  if (std::ranges::equal(frame, request)) return {"эхо записи", FrameCheck::good, {}};
  return {"эхо записи", FrameCheck::bad, "эхо не совпадает с запросом"};
}

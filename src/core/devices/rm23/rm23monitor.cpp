#include "core/devices/rm23/rm23monitor.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/devices/rm23/rm23protocol.h"

namespace {

using comprt::FrameCheck;

const char* commandName(std::uint8_t command) {
  switch (command) {
    case kSpprIdentify:
      return "идентификация";
    case SPPR_TIME_STOP:
      return "пуск, остановка по времени";
    case SPPR_START_STOP1:
      return "пуск, старт-стоп 1";
    case SPPR_START_STOP2:
      return "пуск, старт-стоп 2";
    case SPPR_PULSE_STOP:
      return "пуск, остановка по импульсам";
    case SPPR_TEMPERATURE:
      return "измерение температуры";
    case SPPR_STATUS:
      return "состояние";
    case SPPR_STOP:
      return "стоп";
    default:
      return "команда";
  }
}

// `block` ends in the sum of the bytes before it.
comprt::FrameMeaning summed(std::string text, std::span<const std::uint8_t> block) {
  if (block.size() < 2) return {std::move(text), FrameCheck::none, {}};
  const std::uint8_t expected = spprSum(block.first(block.size() - 1));
  if (expected == block.back()) return {std::move(text), FrameCheck::good, {}};
  char problem[80];
  std::snprintf(problem, sizeof problem, "контрольная сумма %02X, ожидалась %02X", block.back(),
                expected);
  return {std::move(text), FrameCheck::bad, problem};
}

comprt::FrameMeaning echoed(std::span<const std::uint8_t> frame,
                            std::span<const std::uint8_t> request) {
  if (std::ranges::equal(frame, request)) return {"эхо", FrameCheck::good, {}};
  return {"эхо", FrameCheck::bad, "эхо не совпадает с запросом"};
}

}  // namespace

comprt::FrameMeaning spprDescribeRequest(std::span<const std::uint8_t> frame) {
  if (frame.empty()) return {};
  return {commandName(frame[0]), {}, {}};
}

comprt::FrameMeaning spprDescribeReply(std::span<const std::uint8_t> frame,
                                       std::span<const std::uint8_t> request) {
  if (request.empty()) return {"ответ", {}, {}};
  const std::uint8_t command = request[0];
  const bool echoFirst = command == kSpprIdentify || command == SPPR_TEMPERATURE;
  if (echoFirst && frame[0] != command) return {"ответ", FrameCheck::bad, "неверное эхо"};
  if (command == kSpprIdentify) {
    const std::string type = frame.size() > 2 ? std::to_string(frame[2]) : "?";
    return summed("эхо, тип РМ " + type, frame.subspan(1));
  }
  if (command == SPPR_TEMPERATURE) return summed("эхо, коды АЦП", frame.subspan(1));
  if (command == SPPR_STATUS || command == SPPR_STOP) {
    const std::string text = "состояние " + std::to_string(frame[0]);
    return summed(text, frame.subspan(1));
  }
  return echoed(frame, request);
}

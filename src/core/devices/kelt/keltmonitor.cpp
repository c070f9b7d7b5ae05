#include "core/devices/kelt/keltmonitor.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/devices/kelt/keltprotocol.h"

namespace {

using comprt::FrameCheck;

// Bytes of the line that are not command codes of KeltCommon.
constexpr std::uint8_t kProbe = 0x0F;
constexpr std::uint8_t kVersion = 0x08;
constexpr std::uint8_t kWakeUpOrBusy = 0xFF;

std::string hex2(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

const char* commandName(std::uint8_t command) {
  switch (command) {
    case kProbe:
      return "опрос адаптера";
    case kVersion:
      return "версия прибора";
    case kWakeUpOrBusy:
      return "пробуждение";
    case KELT_COUPLING:
      return "параметр связи";
    case KELT_READ_1:
      return "чтение параметров";
    case KELT_BATTERY:
      return "напряжение батареи";
    case KELT_LEVEL_0:
      return "порог 0 / температура";
    case KELT_LEVEL_1:
    case KELT_LEVEL_2:
    case KELT_LEVEL_3:
      return "порог сигнала";
    case KELT_READ_2:
      return "чтение параметров формата 2";
    case KELT_READ_OFFSET:
      return "чтение смещения температуры";
    case KELT_TEMPERATURE:
      return "температура";
    case KELT_MEASURE:
      return "измерение";
    case KELT_READ_3:
      return "чтение параметров формата 3";
    case KELT_READ_4:
      return "чтение параметров формата 4";
    default:
      return "команда";
  }
}

// A block that ends in its sum: the verdict on the sum.
comprt::FrameMeaning summed(std::string text, std::span<const std::uint8_t> block) {
  const auto n = block.size();
  const std::uint16_t got = static_cast<std::uint16_t>((block[n - 2] << 8) | block[n - 1]);
  const std::uint16_t expected = keltChecksum(block.first(n - 2));
  if (got == expected) return {std::move(text), FrameCheck::good, {}};
  char problem[80];
  std::snprintf(problem, sizeof problem, "контрольная сумма %04X, ожидалась %04X",
                static_cast<unsigned>(got), static_cast<unsigned>(expected));
  return {std::move(text), FrameCheck::bad, problem};
}

}  // namespace

comprt::FrameMeaning keltDescribeRequest(std::span<const std::uint8_t> frame) {
  if (frame.empty()) return {};
  const std::string code = hex2(frame[0]);
  if (frame.size() == 1) return {std::string(commandName(frame[0])) + " (" + code + ")", {}, {}};
  return {
      "запись блока, команда " + code + ", " + std::to_string(frame.size() - 1) + " байт", {}, {}};
}

comprt::FrameMeaning keltDescribeReply(std::span<const std::uint8_t> frame,
                                       std::span<const std::uint8_t> request) {
  if (request.empty()) return {"ответ", {}, {}};
  if (request.size() > 1) {
    // The block comes back as the device took it; the worker knows which echo it expects.
    const bool same = std::ranges::equal(frame, request);
    return {same ? "эхо блока совпадает" : "эхо блока отличается", {}, {}};
  }
  const std::uint8_t command = request[0];
  if (command == kProbe) {
    if (frame[0] == kWakeUpOrBusy) return {"адаптер первого выпуска", FrameCheck::good, {}};
    if (frame.size() == 3) {
      return {"адаптер, версия " + std::to_string(frame[2]), FrameCheck::good, {}};
    }
  }
  if (frame[0] != command) {
    if (frame[0] == kWakeUpOrBusy) return {"адаптер занят", {}, {}};
    return {"ответ", FrameCheck::bad, "эхо " + hex2(frame[0]) + " вместо " + hex2(command)};
  }
  const auto data = frame.subspan(1);
  if (data.size() < 3) return {"эхо", {}, {}};
  if (data.size() == 3) return summed("эхо, значение " + std::to_string(data[0]), data);
  return summed("эхо, блок " + std::to_string(data.size()) + " байт", data);
}

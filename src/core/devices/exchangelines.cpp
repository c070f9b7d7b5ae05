#include "core/devices/exchangelines.h"

#include <algorithm>
#include <ctime>

#include "core/devices/kelt/keltmonitor.h"
#include "core/devices/rm23/rm23monitor.h"
#include "core/devices/td/tdmonitor.h"
#include "core/devices/zorb/zorbmonitor.h"

using comprt::ExchangeFrame;
using comprt::FrameCheck;
using comprt::FrameDirection;
using comprt::FrameFamily;

FrameMeaning describeFrame(const ExchangeFrame& frame, std::span<const std::uint8_t> request) {
  const bool toDevice = frame.direction == FrameDirection::toDevice;
  if (!toDevice && frame.bytes.empty()) return {"нет ответа", FrameCheck::none, {}};
  switch (frame.family) {
    case FrameFamily::td:
      return toDevice ? tdDescribeRequest(frame.bytes) : tdDescribeReply(frame.bytes);
    case FrameFamily::kelt:
      return toDevice ? keltDescribeRequest(frame.bytes) : keltDescribeReply(frame.bytes, request);
    case FrameFamily::zorb:
      return toDevice ? zorbDescribeRequest(frame.bytes) : zorbDescribeReply(frame.bytes, request);
    case FrameFamily::rm23:
      return toDevice ? spprDescribeRequest(frame.bytes) : spprDescribeReply(frame.bytes, request);
    case FrameFamily::unknown:
      break;
  }
  return {};
}

ExchangeLine ExchangeDecoder::decode(ExchangeFrame frame) {
  auto known = std::find_if(requests_.begin(), requests_.end(),
                            [&](const auto& entry) { return entry.first == frame.port; });
  if (known == requests_.end()) known = requests_.insert(requests_.end(), {frame.port, {}});
  if (frame.direction == FrameDirection::toDevice) known->second = frame.bytes;
  ExchangeLine line{std::move(frame), {}};
  line.meaning = describeFrame(line.frame, known->second);
  // The decoder knows the frame's own check; the worker knows what the exchange made of it.
  // Either one finding a fault makes the frame bad.
  if (line.frame.check == FrameCheck::bad && line.meaning.check != FrameCheck::bad) {
    line.meaning.check = FrameCheck::bad;
    line.meaning.problem = line.frame.problem;
  } else if (line.meaning.check == FrameCheck::none) {
    line.meaning.check = line.frame.check;
  }
  return line;
}

const char* frameFamilyName(FrameFamily family) {
  switch (family) {
    case FrameFamily::td:
      return "ТД";
    case FrameFamily::kelt:
      return "КЕЛТ";
    case FrameFamily::zorb:
      return "ЗОРБ";
    case FrameFamily::rm23:
      return "РМ-2.3";
    case FrameFamily::unknown:
      break;
  }
  return "?";
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

namespace {

constexpr const char* kTitles[EC_COUNT] = {"Время", "Порт",  "Прибор",   "Направление",
                                           "Байты", "Смысл", "Проверка", "Задержка, мс"};

std::string timeText(std::int64_t timeUs) {
  const std::time_t seconds = static_cast<std::time_t>(timeUs / 1000000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[40];
  const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(timeUs / 1000 % 1000));
  return text;
}

std::string checkText(const FrameMeaning& meaning) {
  switch (meaning.check) {
    case FrameCheck::good:
      return "норма";
    case FrameCheck::bad:
      return meaning.problem.empty() ? "ошибка" : "ошибка: " + meaning.problem;
    case FrameCheck::none:
      break;
  }
  return {};
}

std::string latencyText(std::int32_t latencyUs) {
  if (latencyUs < 0) return {};
  char text[24];
  std::snprintf(text, sizeof text, "%.1f", latencyUs / 1000.0);
  return text;
}

std::string csvField(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

template <class Field>
std::string joined(char separator, Field field) {
  std::string line;
  for (int column = 0; column < EC_COUNT; ++column) {
    if (column != 0) line += separator;
    line += field(column);
  }
  return line + '\n';
}

}  // namespace

const char* exchangeColumnTitle(int column) { return kTitles[column]; }

std::string exchangeColumnText(const ExchangeLine& line, int column) {
  const ExchangeFrame& frame = line.frame;
  switch (column) {
    case EC_TIME:
      return timeText(frame.timeUs);
    case EC_PORT:
      return frame.port;
    case EC_FAMILY:
      return frameFamilyName(frame.family);
    case EC_DIRECTION:
      return frame.direction == FrameDirection::toDevice ? "→ прибор" : "← прибор";
    case EC_BYTES:
      return hexBytes(frame.bytes) + (frame.truncated ? " …" : "");
    case EC_MEANING:
      return line.meaning.text;
    case EC_CHECK:
      return checkText(line.meaning);
    case EC_LATENCY:
      return latencyText(frame.latencyUs);
    default:
      return {};
  }
}

std::string exchangeTextHeader() {
  return joined('\t', [](int column) { return std::string(kTitles[column]); });
}

std::string exchangeTextLine(const ExchangeLine& line) {
  return joined('\t', [&](int column) { return exchangeColumnText(line, column); });
}

std::string exchangeCsvHeader() {
  return joined(';', [](int column) { return csvField(kTitles[column]); });
}

std::string exchangeCsvLine(const ExchangeLine& line) {
  return joined(';', [&](int column) { return csvField(exchangeColumnText(line, column)); });
}

std::string exchangeDroppedLine(std::uint64_t count) {
  return "Пропущено кадров: " + std::to_string(count) + '\n';
}

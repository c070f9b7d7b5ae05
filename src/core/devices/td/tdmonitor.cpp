#include "core/devices/td/tdmonitor.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/comm/crc16.h"
#include "core/devices/td/tdprotocol.h"

namespace {

using comprt::FrameCheck;

// The shortest frame: address, operation, function and the CRC.
constexpr std::size_t kShortest = 5;

const char* functionName(std::uint8_t function) {
  switch (function) {
    case TF_SYSTEM:
      return "системные параметры";
    case TF_COEFFICIENTS:
      return "прямые коэффициенты";
    case TF_OUTPUTS:
      return "параметры внешних выходов";
    case TF_STATUS:
      return "бит регистра статуса";
    case TF_NET_ADDRESS:
      return "сетевой адрес";
    case TF_INTEGRATOR:
      return "интегратор расхода";
    case TF_START_STOP:
      return "параметры старт-стоп";
    case TF_CURRENT:
      return "текущие значения";
    case TF_ADDITIONAL:
      return "дополнительная информация";
    case TF_READING:
      return "показание";
    case TF_CLEAR:
      return "обнуление текущих значений";
    case TF_REVERSE_COEFFICIENTS:
      return "реверсивные коэффициенты";
    default:
      return "неизвестная функция";
  }
}

std::string format(const char* pattern, auto... values) {
  char text[160];
  std::snprintf(text, sizeof text, pattern, values...);
  return text;
}

template <class T>
T little(std::span<const std::uint8_t> data, std::size_t at) {
  T value{};
  std::memcpy(&value, data.data() + at, sizeof value);
  return value;
}

// "A 8 текущие значения, адрес 1".
std::string head(std::span<const std::uint8_t> frame) {
  const std::uint8_t operation = frame[1] & ~kTdErrorBit;
  const char letter = operation == TD_READ ? 'A' : operation == TD_WRITE ? 'H' : '?';
  return format("%c %u %s, адрес %u", letter, frame[2], functionName(frame[2]), frame[0]);
}

// The main fields of a read reply's data.
std::string readFields(std::uint8_t function, std::span<const std::uint8_t> data) {
  if (function == TF_SYSTEM && data.size() == 9) {
    return format("; версия %u.%u, заводской номер %u", data[2], data[3],
                  little<std::uint32_t>(data, 4));
  }
  if (function == TF_CURRENT && data.size() >= 15) {
    return format("; статус %02X, импульсов %u, расход %g м³/ч", data[0],
                  little<std::uint32_t>(data, 7), little<float>(data, 11));
  }
  if (function == TF_READING && data.size() == 5) {
    return format("; статус %02X, код сигнала %d", data[0], little<std::int32_t>(data, 1));
  }
  if ((function == TF_NET_ADDRESS || function == TF_INTEGRATOR) && data.size() == 1) {
    return format("; значение %u", data[0]);
  }
  return data.empty() ? std::string() : format("; данных %zu байт", data.size());
}

comprt::FrameMeaning checked(std::span<const std::uint8_t> frame, std::string text) {
  const std::size_t n = frame.size();
  const std::uint16_t expected =
      crc16(frame.data(), static_cast<std::uint8_t>(std::min<std::size_t>(n - 2, 255)));
  const std::uint16_t got = static_cast<std::uint16_t>(frame[n - 2] | (frame[n - 1] << 8));
  if (n - 2 > 255 || expected != got) {
    return {std::move(text), FrameCheck::bad,
            format("CRC %04X, ожидалась %04X", static_cast<unsigned>(got),
                   static_cast<unsigned>(expected))};
  }
  return {std::move(text), FrameCheck::good, {}};
}

comprt::FrameMeaning tooShort(std::span<const std::uint8_t> frame) {
  return {"неполный кадр", FrameCheck::bad, format("%zu байт, кадр не короче 5", frame.size())};
}

}  // namespace

comprt::FrameMeaning tdDescribeRequest(std::span<const std::uint8_t> frame) {
  if (frame.size() < kShortest) return tooShort(frame);
  const std::size_t data = frame.size() - kShortest;
  return checked(frame, head(frame) + (data != 0 ? format("; данных %zu байт", data) : ""));
}

comprt::FrameMeaning tdDescribeReply(std::span<const std::uint8_t> frame) {
  if (frame.size() < kShortest) return tooShort(frame);
  if (frame[1] & kTdErrorBit) {
    return checked(frame.first(kShortest),
                   format("адрес %u, ошибка прибора: ", frame[0]) + tdErrorText(frame[2]));
  }
  const auto data = frame.subspan(3, frame.size() - kShortest);
  const std::string fields = frame[1] == TD_READ ? readFields(frame[2], data) : "; принято";
  return checked(frame, head(frame) + fields);
}

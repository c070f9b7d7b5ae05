#include "core/devices/td/tdprotocol.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "core/comm/comport.h"
#include "core/comm/crc16.h"

static_assert(std::endian::native == std::endian::little, "wire fields are little-endian");

namespace {

template <class T>
T getLe(std::span<const uint8_t> bytes, size_t at) {
  T value;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

template <class T>
void putLe(std::span<uint8_t> bytes, size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

// How a reply's data length is checked: exactly (else it is dropped), exactly but only
// complained about twice (a longer reply is still used), or only as long as its fields need.
enum LengthRule { lrExact, lrTwice, lrEnough };

// The command table: the reply data length, how the reply length is checked, the
// shortest data the decoding needs, and the message of a successful exchange.
struct CommandInfo {
  TdOperation operation;
  uint8_t function;
  int replyData;
  LengthRule rule;
  int needed;
  const char* done;
};

constexpr CommandInfo kCommands[] = {
    {TD_READ, TF_SYSTEM, 9, lrExact, 9, "Системные параметры считаны"},
    {TD_READ, TF_COEFFICIENTS, 64, lrExact, 64, "Калибровочные коэффициенты успешно считаны"},
    {TD_READ, TF_OUTPUTS, 6, lrTwice, 6, "Параметры внешних выходов считаны"},
    {TD_READ, TF_NET_ADDRESS, 1, lrTwice, 1, "Сетевой адрес считан"},
    {TD_READ, TF_INTEGRATOR, 1, lrTwice, 1, "Интегратор расхода считан"},
    {TD_READ, TF_CURRENT, 15, lrEnough, 15, nullptr},
    {TD_READ, TF_ADDITIONAL, 9, lrEnough, 8, nullptr},
    {TD_READ, TF_READING, 5, lrEnough, 5, nullptr},
    {TD_READ, TF_REVERSE_COEFFICIENTS, 64, lrExact, 64,
     "Реверсивные калибровочные коэффициенты успешно считаны"},
    {TD_WRITE, TF_COEFFICIENTS, 0, lrEnough, 0, "Калибровочные коэффициенты установлены"},
    {TD_WRITE, TF_OUTPUTS, 0, lrEnough, 0, "Параметры внешних выходов установлены"},
    {TD_WRITE, TF_STATUS, 1, lrEnough, 1, "Регистр статуса обновлен"},
    {TD_WRITE, TF_NET_ADDRESS, 0, lrEnough, 0, "Сетевой адрес установлен"},
    {TD_WRITE, TF_INTEGRATOR, 0, lrEnough, 0, "Интегратор расхода установлен"},
    {TD_WRITE, TF_START_STOP, 0, lrEnough, 0, "Параметры сигнала старт-стоп установлены"},
    {TD_WRITE, TF_CLEAR, 0, lrEnough, 0, "Текущие параметры обнулены"},
    {TD_WRITE, TF_REVERSE_COEFFICIENTS, 0, lrEnough, 0,
     "Реверсивные калибровочные коэффициенты установлены"},
};

const CommandInfo* findCommand(uint8_t operation, uint8_t function) {
  for (const CommandInfo& info : kCommands) {
    if (info.operation == operation && info.function == function) return &info;
  }
  return nullptr;
}

const CommandInfo& command(TdOperation operation, TdFunction function) {
  const CommandInfo* info = findCommand(operation, function);
  if (!info) throw std::logic_error("no such TD command");
  return *info;
}

bool isPoll(uint8_t function) { return function == TF_CURRENT || function == TF_READING; }

TdRequest build(uint8_t address, TdOperation operation, TdFunction function,
                std::span<const uint8_t> data, int replyData) {
  TdRequest request;
  request.type = isPoll(function) ? TD_POLL : TD_EXCHANGE;
  TdFrame& frame = request.common.frame;
  const auto n = static_cast<uint8_t>(data.size());
  std::copy(data.begin(), data.end(), frame.begin() + 3);
  frame[0] = address;
  frame[1] = operation;
  frame[2] = function;
  const uint16_t crc = crc16(frame.data(), static_cast<uint8_t>(n + 3));
  frame[n + 3] = static_cast<uint8_t>(crc & 0xFF);
  frame[n + 4] = static_cast<uint8_t>(crc >> 8);
  request.common.requestLength = n + 5;
  request.common.replyLength = replyData + 5;
  return request;
}

TdRequest buildTable(uint8_t address, TdOperation operation, TdFunction function,
                     std::span<const uint8_t> data) {
  return build(address, operation, function, data, command(operation, function).replyData);
}

// The CRC that ends at `at`, read low byte first.
uint16_t crcAt(const TdFrame& frame, int at) {
  return static_cast<uint16_t>(frame[at] | (frame[at + 1] << 8));
}

bool finite(const TdCoefficients& block, bool withLimits) {
  for (const TdCoefficientRow& row : block.rows) {
    if (!std::isfinite(row.A) || !std::isfinite(row.B)) return false;
  }
  return !withLimits || (std::isfinite(block.gmax) && std::isfinite(block.gpor));
}

std::string operatingTimeMessage(uint32_t t) {
  char text[160];
  std::snprintf(text, sizeof text, "Время непрерывной работы %u суток %u часов %u минут", t / 86400,
                t % 86400 / 3600, t % 3600 / 60);
  return text;
}

TdSystemParameters decodeSystem(std::span<const uint8_t> data) {
  TdSystemParameters p;
  p.reserved[0] = data[0];
  p.reserved[1] = data[1];
  p.major = data[2];
  p.minor = data[3];
  p.serial = getLe<uint32_t>(data, 4);
  p.diameterIndex = data[8];
  return p;
}

TdCurrentValues decodeCurrent(std::span<const uint8_t> data) {
  TdCurrentValues v;
  v.status = data[0];
  v.codeSum = getLe<float>(data, 1);
  v.count = getLe<uint16_t>(data, 5);
  v.pulses = getLe<uint32_t>(data, 7);
  v.flow = getLe<float>(data, 11);
  if (data.size() >= 19) v.noiseSum = getLe<uint32_t>(data, 15);
  if (data.size() >= 39) {
    v.totals = TdTotals{getLe<uint32_t>(data, 19), getLe<uint32_t>(data, 23),
                        getLe<float>(data, 27), getLe<uint32_t>(data, 31), getLe<float>(data, 35)};
  }
  return v;
}

// Decodes a read reply whose data passed the length checks; messages get what it reports.
TdReplyValue decodeRead(uint8_t function, std::span<const uint8_t> data,
                        std::vector<std::string>& messages) {
  switch (function) {
    case TF_SYSTEM: {
      const TdSystemParameters p = decodeSystem(data);
      if (!tdVersionTraits(p.major, p.minor).known) messages.push_back(kTdUnknownVersion);
      return p;
    }
    case TF_COEFFICIENTS:
    case TF_REVERSE_COEFFICIENTS: {
      const bool reverse = function == TF_REVERSE_COEFFICIENTS;
      TdCoefficientsRead read{reverse, tdDecodeCoefficients(data.first<kTdCoefficientsSize>())};
      if (finite(read.block, !reverse)) return read;
      messages.push_back(kTdBadData);
      return {};
    }
    case TF_OUTPUTS: {
      const TdOutputs outputs = tdDecodeOutputs(data.first<kTdOutputsSize>());
      if (std::isfinite(outputs.weight)) return outputs;
      messages.push_back(kTdBadData);
      return {};
    }
    case TF_NET_ADDRESS:
      return TdNetAddress{data[0]};
    case TF_INTEGRATOR:
      return TdIntegrator{data[0]};
    case TF_CURRENT:
      return decodeCurrent(data);
    case TF_ADDITIONAL:
      messages.push_back(operatingTimeMessage(getLe<uint32_t>(data, 4)));
      return {};
    case TF_READING:
      return TdReading{data[0], getLe<int32_t>(data, 1)};
    default:
      return {};
  }
}

// Applies the length rule of `info`; false when the reply is not to be used.
bool lengthAccepted(const CommandInfo& info, size_t n, std::vector<std::string>& messages) {
  const auto expected = static_cast<size_t>(info.replyData);
  switch (info.rule) {
    case lrExact:
      if (n == expected) return true;
      messages.push_back(kTdBadLength);
      return false;
    case lrTwice:
      if (n == expected) return true;
      messages.push_back(kTdBadLength);
      messages.push_back(kTdBadLength);
      // A longer reply is used; a shorter one has no bytes for the missing fields.
      return n > expected;
    case lrEnough:
      if (n >= static_cast<size_t>(info.needed)) return true;
      if (!isPoll(info.function)) messages.push_back(kTdBadLength);
      return false;
  }
  return false;
}

}  // namespace

TdVersionTraits tdVersionTraits(uint8_t major, uint8_t minor) {
  TdVersionTraits t{};
  t.known = major <= 3 && minor <= 6;
  t.reverseOutputs = major == 3;
  t.reverseCoefficients = major == 3 && minor >= 5;
  t.batcherFlag = minor >= 2;
  t.pollData = minor >= 3 ? 3 : minor == 2 ? 2 : -1;
  t.pollLength = minor >= 3 ? 39 : minor == 2 ? 19 : 15;
  t.namePrefix = major == 2 ? "ТД-Ч-2.2-" : major == 3 ? "ТД-Р-2.2-" : "ТД-2.2-";
  return t;
}

std::array<uint8_t, kTdCoefficientsSize> tdEncodeCoefficients(const TdCoefficients& block) {
  std::array<uint8_t, kTdCoefficientsSize> bytes{};
  for (size_t i = 0; i < block.rows.size(); ++i) {
    putLe(std::span(bytes), 12 * i, block.rows[i].A);
    putLe(std::span(bytes), 12 * i + 4, block.rows[i].B);
    if (i < 4) putLe(std::span(bytes), 12 * i + 8, block.rows[i].threshold);
  }
  putLe(std::span(bytes), 56, block.gmax);
  putLe(std::span(bytes), 60, block.gpor);
  return bytes;
}

TdCoefficients tdDecodeCoefficients(std::span<const uint8_t, kTdCoefficientsSize> bytes) {
  TdCoefficients block;
  for (size_t i = 0; i < block.rows.size(); ++i) {
    block.rows[i].A = getLe<float>(bytes, 12 * i);
    block.rows[i].B = getLe<float>(bytes, 12 * i + 4);
    if (i < 4) block.rows[i].threshold = getLe<int32_t>(bytes, 12 * i + 8);
  }
  block.gmax = getLe<float>(bytes, 56);
  block.gpor = getLe<float>(bytes, 60);
  return block;
}

std::array<uint8_t, kTdOutputsSize> tdEncodeOutputs(const TdOutputs& outputs) {
  std::array<uint8_t, kTdOutputsSize> bytes{};
  putLe(std::span(bytes), 0, outputs.weight);
  bytes[4] = outputs.pulseLength;
  bytes[5] = outputs.flags;
  return bytes;
}

TdOutputs tdDecodeOutputs(std::span<const uint8_t, kTdOutputsSize> bytes) {
  return {getLe<float>(bytes, 0), bytes[4], bytes[5]};
}

TdRequest tdReadRequest(uint8_t address, TdFunction function) {
  if (function == TF_CURRENT) return tdPollCurrent(address, 0);
  return buildTable(address, TD_READ, function, {});
}

TdRequest tdWriteCoefficients(uint8_t address, bool reverse, const TdCoefficients& block) {
  const auto bytes = tdEncodeCoefficients(block);
  return buildTable(address, TD_WRITE, reverse ? TF_REVERSE_COEFFICIENTS : TF_COEFFICIENTS, bytes);
}

TdRequest tdWriteOutputs(uint8_t address, const TdOutputs& outputs) {
  const auto bytes = tdEncodeOutputs(outputs);
  return buildTable(address, TD_WRITE, TF_OUTPUTS, bytes);
}

TdRequest tdChangeStatusBit(uint8_t address, uint8_t bit, bool set) {
  const uint8_t data[] = {bit, static_cast<uint8_t>(set ? 1 : 2)};
  return buildTable(address, TD_WRITE, TF_STATUS, data);
}

TdRequest tdWriteNetAddress(uint8_t address, uint8_t netAddress) {
  const uint8_t data[] = {netAddress};
  return buildTable(address, TD_WRITE, TF_NET_ADDRESS, data);
}

TdRequest tdWriteIntegrator(uint8_t address, uint8_t integrator) {
  const uint8_t data[] = {integrator};
  return buildTable(address, TD_WRITE, TF_INTEGRATOR, data);
}

TdRequest tdWriteStartStop(uint8_t address, uint8_t mode, uint8_t antiBounce) {
  const uint8_t data[] = {mode, antiBounce};
  return buildTable(address, TD_WRITE, TF_START_STOP, data);
}

TdRequest tdPollCurrent(uint8_t address, uint8_t minor) {
  const TdVersionTraits traits = tdVersionTraits(0, minor);
  const uint8_t form[] = {static_cast<uint8_t>(traits.pollData)};
  const auto data = traits.pollData < 0 ? std::span<const uint8_t>() : std::span(form);
  return build(address, TD_READ, TF_CURRENT, data, traits.pollLength);
}

TdRequest tdClearCurrent(uint8_t address) {
  const std::array<uint8_t, 20> zeros{};
  return buildTable(address, TD_WRITE, TF_CLEAR, zeros);
}

TdRequest tdOpenRequest(uint8_t port, int32_t baudRate) {
  TdRequest request;
  request.type = TD_OPEN;
  request.common.port = port;
  request.common.baudRate = baudRate;
  return request;
}

TdRequest tdCloseRequest() {
  TdRequest request;
  request.type = TD_CLOSE;
  return request;
}

bool tdAnswers(uint8_t operation, uint8_t function, const TdFrame& reply, int count) {
  if (count < 3) return true;
  if ((reply[1] & ~kTdErrorBit) != operation) return false;
  return (reply[1] & kTdErrorBit) || reply[2] == function;
}

TdReply tdDecodeReply(const TdFrame& frame, int count) {
  TdReply reply;
  // No reply is shorter than an error reply; a count beyond the buffer cannot be true.
  if (count < 5 || count > kTdFrameSize) {
    reply.damaged = count > 0;
    return reply;
  }
  if (frame[1] & kTdErrorBit) {
    reply.damaged = crcAt(frame, 3) != crc16(frame.data(), 3);
    if (!reply.damaged) reply.messages.push_back(tdErrorText(frame[2]));
    return reply;
  }
  if (crcAt(frame, count - 2) != crc16(frame.data(), static_cast<uint8_t>(count - 2))) {
    reply.damaged = true;
    return reply;
  }
  const CommandInfo* info = findCommand(frame[1], frame[2]);
  if (!info) return reply;
  const std::span<const uint8_t> data(frame.data() + 3, static_cast<size_t>(count - 5));
  if (!lengthAccepted(*info, data.size(), reply.messages)) return reply;

  if (info->operation == TD_READ) {
    reply.value = decodeRead(info->function, data, reply.messages);
    // A read whose values cannot be shown is not reported as read.
    if (std::holds_alternative<std::monostate>(reply.value) && info->done) return reply;
  } else if (info->function == TF_STATUS) {
    reply.value = TdStatusByte{data[0]};
  }
  if (info->done) reply.messages.push_back(info->done);
  reply.done = info->done;
  reply.accepted =
      info->operation != TD_READ || !std::holds_alternative<std::monostate>(reply.value);
  return reply;
}

const char* tdErrorText(uint8_t code) {
  switch (code) {
    case 1:
      return "Недопустимый(неподдерживаемый) номер функции";
    case 2:
      return "Недопустимый(неверный) номер регистра";
    case 3:
      return "Недопустимое значение в поле данных";
    case 4:
      return "Внутренняя ошибка прибора";
    case 6:
      return "Устройство занято";
    case 7:
      return "Доступ к регистру закрыт";
    default:
      return "Общая ошибка(без конкретизации причины)";
  }
}

namespace {

using Values = std::vector<WriteCheckValue>;

Values coefficientValues(std::span<const uint8_t, kTdCoefficientsSize> written,
                         std::span<const uint8_t, kTdCoefficientsSize> found) {
  const TdCoefficients w = tdDecodeCoefficients(written);
  const TdCoefficients f = tdDecodeCoefficients(found);
  Values values;
  for (size_t i = 0; i < w.rows.size(); ++i) {
    const std::string row = std::to_string(i + 1);
    values.push_back({"A" + row, w.rows[i].A, f.rows[i].A});
    values.push_back({"B" + row, w.rows[i].B, f.rows[i].B});
    if (i < 4) {
      values.push_back(
          {"Код строки " + row, double(w.rows[i].threshold), double(f.rows[i].threshold)});
    }
  }
  values.push_back({"gmax", w.gmax, f.gmax});
  values.push_back({"gпор", w.gpor, f.gpor});
  return values;
}

Values outputValues(std::span<const uint8_t, kTdOutputsSize> written,
                    std::span<const uint8_t, kTdOutputsSize> found) {
  const TdOutputs w = tdDecodeOutputs(written);
  const TdOutputs f = tdDecodeOutputs(found);
  return {{"Цена импульса в приборе, м3", w.weight, f.weight},
          {"Длительность импульса, шагов 0,8 мс", double(w.pulseLength), double(f.pulseLength)},
          {"Флаги выходов", double(w.flags), double(f.flags)}};
}

Values valuesOf(uint8_t function, std::span<const uint8_t> written,
                std::span<const uint8_t> found) {
  switch (function) {
    case TF_COEFFICIENTS:
    case TF_REVERSE_COEFFICIENTS:
      return coefficientValues(written.first<kTdCoefficientsSize>(),
                               found.first<kTdCoefficientsSize>());
    case TF_OUTPUTS:
      return outputValues(written.first<kTdOutputsSize>(), found.first<kTdOutputsSize>());
    default:
      return {{"Интегратор расхода", double(written[0]), double(found[0])}};
  }
}

}  // namespace

std::optional<TdRequest> tdReadBackRequest(const TDx2Common& write) {
  if (write.frame[1] != TD_WRITE) return std::nullopt;
  const uint8_t function = write.frame[2];
  switch (function) {
    case TF_COEFFICIENTS:
    case TF_REVERSE_COEFFICIENTS:
    case TF_OUTPUTS:
    case TF_INTEGRATOR:
      return tdReadRequest(write.frame[0], static_cast<TdFunction>(function));
    default:
      return std::nullopt;
  }
}

WriteCheck tdCompareWritten(const TDx2Common& write, const TDx2Common& readBack) {
  if (readBack.replyLength <= 0)
    return writeCheckUnconfirmed(comprt::messages[comprt::msgNoAnswer]);
  const TdReply reply = tdDecodeReply(readBack);
  if (reply.damaged || readBack.replyLength < 5)
    return writeCheckUnconfirmed(comprt::messages[comprt::msgChecksumError]);
  if (readBack.frame[1] & kTdErrorBit) return writeCheckUnconfirmed(tdErrorText(readBack.frame[2]));
  const auto length = static_cast<size_t>(write.requestLength - 5);
  if (static_cast<size_t>(readBack.replyLength - 5) < length)
    return writeCheckUnconfirmed(kTdBadLength);
  const std::span<const uint8_t> written(write.frame.data() + 3, length);
  const std::span<const uint8_t> found(readBack.frame.data() + 3, length);
  return writeCheckCompare(written, found, valuesOf(write.frame[2], written, found));
}

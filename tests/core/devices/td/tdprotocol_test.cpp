#include "core/devices/td/tdprotocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/devices/td/tdreplies.h"
#include "support/writecheckprint.h"

namespace {

using namespace tdreplies;

Bytes requestBytes(const TdRequest& r) {
  return Bytes(r.common.frame.begin(), r.common.frame.begin() + r.common.requestLength);
}

TdReply decode(const Bytes& bytes) {
  TdFrame frame{};
  std::copy(bytes.begin(), bytes.end(), frame.begin());
  return tdDecodeReply(frame, static_cast<int>(bytes.size()));
}

using Messages = std::vector<std::string>;

TEST(TdProtocol, ReadSystemParametersIsTheKnownFrame) {
  const TdRequest r = tdReadRequest(1, TF_SYSTEM);
  EXPECT_EQ(requestBytes(r), (Bytes{0x01, 0x41, 0x00, 0x10, 0x50}));
  EXPECT_EQ(r.common.replyLength, 9 + 5);
  EXPECT_EQ(r.type, TD_EXCHANGE);
}

TEST(TdProtocol, RequestsCarryTheirDataExpectedReplyAndCommandType) {
  TdCoefficients block;
  block.rows[0] = {1.0f, -2.0f, 9999999};
  const struct {
    const char* name;
    TdRequest request;
    Bytes head;  // address, operation, function, data (the CRC follows)
    int replyData;
    TdCommand type;
  } cases[] = {
      {"A 2", tdReadRequest(7, TF_COEFFICIENTS), {7, 0x41, 2}, 64, TD_EXCHANGE},
      {"A 18", tdReadRequest(7, TF_REVERSE_COEFFICIENTS), {7, 0x41, 18}, 64, TD_EXCHANGE},
      {"A 3", tdReadRequest(7, TF_OUTPUTS), {7, 0x41, 3}, 6, TD_EXCHANGE},
      {"A 5", tdReadRequest(7, TF_NET_ADDRESS), {7, 0x41, 5}, 1, TD_EXCHANGE},
      {"A 6", tdReadRequest(7, TF_INTEGRATOR), {7, 0x41, 6}, 1, TD_EXCHANGE},
      {"A 9", tdReadRequest(7, TF_ADDITIONAL), {7, 0x41, 9}, 9, TD_EXCHANGE},
      {"A 12", tdReadRequest(7, TF_READING), {7, 0x41, 12}, 5, TD_POLL},
      {"A 8 minor 1", tdPollCurrent(0, 1), {0, 0x41, 8}, 15, TD_POLL},
      {"A 8 minor 2", tdPollCurrent(0, 2), {0, 0x41, 8, 2}, 19, TD_POLL},
      {"A 8 minor 6", tdPollCurrent(0, 6), {0, 0x41, 8, 3}, 39, TD_POLL},
      {"H 4", tdChangeStatusBit(0, 2, false), {0, 0x48, 4, 2, 2}, 1, TD_EXCHANGE},
      {"H 5", tdWriteNetAddress(0, 33), {0, 0x48, 5, 33}, 0, TD_EXCHANGE},
      {"H 6", tdWriteIntegrator(0, 12), {0, 0x48, 6, 12}, 0, TD_EXCHANGE},
      {"H 7", tdWriteStartStop(0, 3, 5), {0, 0x48, 7, 3, 5}, 0, TD_EXCHANGE},
      {"H 3",
       tdWriteOutputs(0, {0.001f, 0, 0x1D}),
       {0, 0x48, 3, 0x6F, 0x12, 0x83, 0x3A, 0, 0x1D},
       0,
       TD_EXCHANGE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(requestBytes(c.request), withCrc(c.head));
    EXPECT_EQ(c.request.common.replyLength, c.replyData + 5);
    EXPECT_EQ(c.request.type, c.type);
  }
  const TdRequest clear = tdClearCurrent(9);
  Bytes clearHead{9, 0x48, 17};
  clearHead.resize(23, 0);
  EXPECT_EQ(requestBytes(clear), withCrc(clearHead));

  const TdRequest reverse = tdWriteCoefficients(9, true, block);
  ASSERT_EQ(reverse.common.requestLength, 69);
  EXPECT_EQ(reverse.common.frame[2], 18);
  EXPECT_EQ(requestBytes(reverse),
            withCrc(Bytes(reverse.common.frame.begin(), reverse.common.frame.begin() + 67)));
}

TEST(TdProtocol, CoefficientBlockLayout) {
  TdCoefficients block;
  block.rows[0] = {1.0f, -2.0f, 9999999};
  block.rows[3].threshold = -1;
  block.rows[4] = {0.001f, 1.0f, 12345};  // row 5 has no threshold of its own
  block.gmax = 30;
  block.gpor = 0.001f;
  const auto bytes = tdEncodeCoefficients(block);
  auto at = [&](size_t offset) {
    return Bytes(bytes.begin() + offset, bytes.begin() + offset + 4);
  };
  EXPECT_EQ(at(0), (Bytes{0x00, 0x00, 0x80, 0x3F}));
  EXPECT_EQ(at(4), (Bytes{0x00, 0x00, 0x00, 0xC0}));
  EXPECT_EQ(at(8), (Bytes{0x7F, 0x96, 0x98, 0x00}));
  EXPECT_EQ(at(44), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(at(48), (Bytes{0x6F, 0x12, 0x83, 0x3A}));
  EXPECT_EQ(at(56), (Bytes{0x00, 0x00, 0xF0, 0x41}));
  EXPECT_EQ(at(60), (Bytes{0x6F, 0x12, 0x83, 0x3A}));

  const TdCoefficients back = tdDecodeCoefficients(bytes);
  EXPECT_EQ(back.rows[0].threshold, 9999999);
  EXPECT_EQ(back.rows[3].threshold, -1);
  EXPECT_EQ(back.rows[4].A, 0.001f);
  EXPECT_EQ(back.rows[4].threshold, 0);
  EXPECT_EQ(back.gmax, 30.0f);
  EXPECT_EQ(back.gpor, 0.001f);
}

TEST(TdProtocol, VersionTraits) {
  const struct {
    uint8_t major, minor;
    bool known, reverseOutputs, reverseCoefficients, batcher;
    int pollLength;
    const char* prefix;
  } cases[] = {
      {0, 0, true, false, false, false, 15, "ТД-2.2-"},
      {2, 1, true, false, false, false, 15, "ТД-Ч-2.2-"},
      {2, 2, true, false, false, true, 19, "ТД-Ч-2.2-"},
      {3, 4, true, true, false, true, 39, "ТД-Р-2.2-"},
      {3, 5, true, true, true, true, 39, "ТД-Р-2.2-"},
      {3, 6, true, true, true, true, 39, "ТД-Р-2.2-"},
      {3, 7, false, true, true, true, 39, "ТД-Р-2.2-"},
      {4, 0, false, false, false, false, 15, "ТД-2.2-"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    const TdVersionTraits t = tdVersionTraits(c.major, c.minor);
    EXPECT_EQ(t.known, c.known);
    EXPECT_EQ(t.reverseOutputs, c.reverseOutputs);
    EXPECT_EQ(t.reverseCoefficients, c.reverseCoefficients);
    EXPECT_EQ(t.batcherFlag, c.batcher);
    EXPECT_EQ(t.pollLength, c.pollLength);
    EXPECT_STREQ(t.namePrefix, c.prefix);
  }
}

TEST(TdProtocol, ErrorRepliesReportTheirCodeOnlyWithAGoodCrc) {
  const TdReply e = decode(withCrc({0x01, 0xC1, 0x02}));
  EXPECT_EQ(e.messages, Messages{"Недопустимый(неверный) номер регистра"});
  EXPECT_TRUE(std::holds_alternative<std::monostate>(e.value));
  EXPECT_FALSE(e.accepted);

  Bytes bad = withCrc({0x01, 0xC8, 0x03});
  bad[4] ^= 0x40;
  EXPECT_TRUE(decode(bad).messages.empty());
  EXPECT_TRUE(decode(bad).damaged);
  EXPECT_FALSE(e.damaged);

  const char* general = "Общая ошибка(без конкретизации причины)";
  const struct {
    uint8_t code;
    const char* text;
  } texts[] = {{0, general},
               {1, "Недопустимый(неподдерживаемый) номер функции"},
               {2, "Недопустимый(неверный) номер регистра"},
               {3, "Недопустимое значение в поле данных"},
               {4, "Внутренняя ошибка прибора"},
               {5, general},
               {6, "Устройство занято"},
               {7, "Доступ к регистру закрыт"},
               {8, general},
               {255, general}};
  for (const auto& t : texts) EXPECT_STREQ(tdErrorText(t.code), t.text) << int(t.code);
}

// Dropped replies show nothing; those that the line damaged are marked, so that a command the
// user gave does not end in silence.
TEST(TdProtocol, RepliesThatCannotBeWholeAreDroppedSilently) {
  Bytes badCrc = withCrc({0x01, 0x41, 0x05, 0x07});
  badCrc[5] ^= 0x01;
  const struct {
    const char* name;
    Bytes bytes;
    int count;
    bool damaged;
  } cases[] = {
      {"four bytes", {0x01, 0x41, 0x05, 0x07}, 4, true},
      {"nothing", {}, 0, false},
      {"wrong CRC", badCrc, 6, true},
      {"cut short", withCrc({0x01, 0x41, 0x05, 0x07}), 5, true},
      {"unknown function", withCrc({0x01, 0x41, 0x63}), 5, false},
      {"unknown operation", withCrc({0x01, 0x42, 0x05, 0x07}), 6, false},
      {"write-only function read", withCrc({0x01, 0x41, 0x07}), 5, false},
      {"more than a frame", withCrc({0x01, 0x41, 0x05, 0x07}), 300, true},
      {"negative count", withCrc({0x01, 0x41, 0x05, 0x07}), -1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TdFrame frame{};
    std::copy(c.bytes.begin(), c.bytes.end(), frame.begin());
    const TdReply r = tdDecodeReply(frame, c.count);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_TRUE(std::holds_alternative<std::monostate>(r.value));
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(r.damaged, c.damaged);
  }
}

// A late reply to an earlier request must not be taken for the answer to this one.
TEST(TdProtocol, AReplyAnswersOnlyItsOwnOperationAndFunction) {
  const struct {
    const char* name;
    Bytes reply;
    bool answers;
  } cases[] = {
      {"same read", withCrc({0x01, 0x41, 0x02}), true},
      {"error reply to the read", withCrc({0x01, 0xC1, 0x06}), true},
      {"other function", withCrc({0x01, 0x41, 0x00}), false},
      {"write acknowledgement", withCrc({0x01, 0x48, 0x02}), false},
      {"error reply to a write", withCrc({0x01, 0xC8, 0x02}), false},
      {"two bytes, left to the decoder", {0x01, 0x48}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TdFrame frame{};
    std::copy(c.reply.begin(), c.reply.end(), frame.begin());
    EXPECT_EQ(tdAnswers(0x41, 2, frame, static_cast<int>(c.reply.size())), c.answers);
  }
}

TEST(TdProtocol, SystemParametersAndTheVersionRule) {
  const TdReply ok = decode(systemReply(3, 6));
  EXPECT_EQ(ok.messages, Messages{"Системные параметры считаны"});
  const auto& p = std::get<TdSystemParameters>(ok.value);
  EXPECT_EQ(p.reserved[0], 0xAA);
  EXPECT_EQ(p.reserved[1], 0xBB);
  EXPECT_EQ(p.serial, 3000000001u);
  EXPECT_EQ(p.diameterIndex, 9);

  for (auto [major, minor] : {std::pair{4, 0}, std::pair{3, 7}}) {
    SCOPED_TRACE(std::to_string(major) + "." + std::to_string(minor));
    const TdReply r = decode(systemReply(major, minor));
    EXPECT_EQ(r.messages, (Messages{"Неизвестная версия прибора", "Системные параметры считаны"}));
    EXPECT_EQ(r.done, r.messages.back());  // the complaint is told apart from the success text
    EXPECT_EQ(std::get<TdSystemParameters>(r.value).major, major);
  }
}

TEST(TdProtocol, LengthRules) {
  const std::string bad = "Неверная длина данных принятого пакета";
  // Exact reads drop a reply of any other length with one complaint.
  const TdReply shortSystem = decode(withCrc({0x01, 0x41, 0x00, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(shortSystem.messages, Messages{bad});
  EXPECT_TRUE(std::holds_alternative<std::monostate>(shortSystem.value));
  Bytes longCoefficients{0x01, 0x41, 0x02};
  longCoefficients.resize(3 + 65, 0);
  EXPECT_EQ(decode(withCrc(longCoefficients)).messages, Messages{bad});

  // Addresses and outputs complain twice and still use a longer reply.
  const TdReply address = decode(withCrc({0x01, 0x41, 0x05, 0x21, 0x07}));
  EXPECT_EQ(address.messages, (Messages{bad, bad, "Сетевой адрес считан"}));
  EXPECT_EQ(std::get<TdNetAddress>(address.value).value, 0x21);
  const TdReply integrator = decode(withCrc({0x01, 0x41, 0x06, 0x0C, 0x00, 0x00}));
  EXPECT_EQ(integrator.messages, (Messages{bad, bad, "Интегратор расхода считан"}));
  EXPECT_EQ(std::get<TdIntegrator>(integrator.value).value, 0x0C);

  // A shorter one has no bytes for its fields: complained about, not used.
  const TdReply shortOutputs = decode(withCrc({0x01, 0x41, 0x03, 0x6F, 0x12, 0x83, 0x3A, 0x00}));
  EXPECT_EQ(shortOutputs.messages, (Messages{bad, bad}));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(shortOutputs.value));
  const TdReply noAddress = decode(withCrc({0x01, 0x41, 0x05}));
  EXPECT_EQ(noAddress.messages, (Messages{bad, bad}));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(noAddress.value));

  // Polls too short for their fields are dropped without a word; other reads complain once.
  EXPECT_TRUE(decode(withCrc({0x01, 0x41, 0x08, 0, 0, 0, 0, 0, 0})).messages.empty());
  EXPECT_TRUE(decode(withCrc({0x01, 0x41, 0x0C, 0, 0, 0, 0})).messages.empty());
  EXPECT_EQ(decode(withCrc({0x01, 0x41, 0x09, 0, 0, 0, 0, 0})).messages, Messages{bad});
  EXPECT_EQ(decode(withCrc({0x01, 0x48, 0x04})).messages, Messages{bad});
}

TEST(TdProtocol, CurrentValuesInTheirThreeForms) {
  for (int length : {15, 19, 39, 41}) {
    SCOPED_TRACE(length);
    const TdReply r = decode(currentReply(length));
    EXPECT_TRUE(r.messages.empty());
    const auto& v = std::get<TdCurrentValues>(r.value);
    EXPECT_EQ(v.status, 0x25);
    EXPECT_EQ(v.codeSum, 1500.0f);
    EXPECT_EQ(v.count, 3);
    EXPECT_EQ(v.pulses, 4001u);
    EXPECT_EQ(v.flow, 1.25f);
    EXPECT_EQ(v.noiseSum.has_value(), length >= 19);
    ASSERT_EQ(v.totals.has_value(), length >= 39);
    if (length >= 19) {
      EXPECT_EQ(*v.noiseSum, 45u);
    }
    if (length >= 39) {
      EXPECT_EQ(v.totals->operatingTime, 90061u);
      EXPECT_EQ(v.totals->forwardWhole, 12u);
      EXPECT_EQ(v.totals->forwardFraction, 0.5f);
      EXPECT_EQ(v.totals->reverseWhole, 3u);
      EXPECT_EQ(v.totals->reverseFraction, 0.25f);
    }
  }
}

TEST(TdProtocol, ReadsOfBlocksReadingsAndTime) {
  TdCoefficients block;
  block.rows[1] = {2.5f, -0.75f, 9999999};
  block.gmax = 30;
  const auto blockBytes = tdEncodeCoefficients(block);
  for (uint8_t function : {uint8_t{2}, uint8_t{18}}) {
    Bytes b{0x01, 0x41, function};
    b.insert(b.end(), blockBytes.begin(), blockBytes.end());
    const TdReply r = decode(withCrc(b));
    const auto& read = std::get<TdCoefficientsRead>(r.value);
    EXPECT_EQ(read.reverse, function == 18);
    EXPECT_EQ(read.block.rows[1].B, -0.75f);
    EXPECT_EQ(read.block.gmax, 30.0f);
    EXPECT_EQ(r.messages,
              Messages{function == 2 ? "Калибровочные коэффициенты успешно считаны"
                                     : "Реверсивные калибровочные коэффициенты успешно считаны"});
  }

  const TdReply outputs = decode(withCrc({0x01, 0x41, 0x03, 0x6F, 0x12, 0x83, 0x3A, 0x00, 0x19}));
  EXPECT_EQ(outputs.messages, Messages{"Параметры внешних выходов считаны"});
  const auto& o = std::get<TdOutputs>(outputs.value);
  EXPECT_EQ(o.weight, 0.001f);
  EXPECT_EQ(o.pulseLength, 0);
  EXPECT_EQ(o.flags, 0x19);

  Bytes reading{0x01, 0x41, 0x0C, 0x08};
  append(reading, int32_t{-123456});
  const TdReply r = decode(withCrc(reading));
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(std::get<TdReading>(r.value).status, 0x08);
  EXPECT_EQ(std::get<TdReading>(r.value).code, -123456);

  // 1 day, 1 hour, 1 minute and 1 second.
  Bytes info{0x01, 0x41, 0x09, 0, 0, 0, 0};
  append(info, uint32_t{90061});
  info.push_back(0);
  EXPECT_EQ(decode(withCrc(info)).messages,
            Messages{"Время непрерывной работы 1 суток 1 часов 1 минут"});
}

TEST(TdProtocol, BlocksWithValuesNoFieldCanShowAreRejected) {
  TdCoefficients block;
  block.rows[2].A = std::nanf("");
  const auto bytes = tdEncodeCoefficients(block);
  Bytes b{0x01, 0x41, 0x02};
  b.insert(b.end(), bytes.begin(), bytes.end());
  const TdReply r = decode(withCrc(b));
  EXPECT_EQ(r.messages, Messages{"Приняты некоректные данные"});
  EXPECT_TRUE(std::holds_alternative<std::monostate>(r.value));
  EXPECT_FALSE(r.accepted);

  // The reverse block's limit places are not shown, so whatever they hold does not matter.
  TdCoefficients reverse;
  reverse.gmax = INFINITY;
  const auto reverseBytes = tdEncodeCoefficients(reverse);
  Bytes rb{0x01, 0x41, 0x12};
  rb.insert(rb.end(), reverseBytes.begin(), reverseBytes.end());
  EXPECT_TRUE(std::holds_alternative<TdCoefficientsRead>(decode(withCrc(rb)).value));
  EXPECT_TRUE(decode(withCrc(rb)).accepted);

  Bytes outputs{0x01, 0x41, 0x03};
  append(outputs, INFINITY);
  outputs.insert(outputs.end(), {1, 0});
  EXPECT_EQ(decode(withCrc(outputs)).messages, Messages{"Приняты некоректные данные"});
}

TEST(TdProtocol, WriteAcknowledgements) {
  const struct {
    uint8_t function;
    const char* message;
  } cases[] = {
      {2, "Калибровочные коэффициенты установлены"},
      {18, "Реверсивные калибровочные коэффициенты установлены"},
      {3, "Параметры внешних выходов установлены"},
      {5, "Сетевой адрес установлен"},
      {6, "Интегратор расхода установлен"},
      {7, "Параметры сигнала старт-стоп установлены"},
      {17, "Текущие параметры обнулены"},
  };
  for (const auto& c : cases) {
    const TdReply r = decode(withCrc({0x01, 0x48, c.function}));
    EXPECT_EQ(r.messages, Messages{c.message}) << int(c.function);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(r.value));
    EXPECT_TRUE(r.accepted);
  }
  const TdReply status = decode(withCrc({0x01, 0x48, 0x04, 0x23}));
  EXPECT_EQ(status.messages, Messages{"Регистр статуса обновлен"});
  EXPECT_EQ(std::get<TdStatusByte>(status.value).status, 0x23);
}

// A read-back reply as the worker leaves it: `bytes` received into the frame.
TDx2Common received(const tdreplies::Bytes& bytes) {
  TDx2Common got;
  std::copy(bytes.begin(), bytes.end(), got.frame.begin());
  got.replyLength = static_cast<int32_t>(bytes.size());
  return got;
}

// The outputs write 0.001 m³, 10 steps, flags 1 against what its read-back brought.
TEST(TdProtocol, WrittenDataIsComparedWithTheReadBackReply) {
  const TDx2Common write = tdWriteOutputs(1, {0.001f, 10, 1}).common;
  const auto reply = [](float weight, uint8_t length, uint8_t flags) {
    tdreplies::Bytes b{0x01, TD_READ, TF_OUTPUTS};
    tdreplies::append(b, weight);
    b.push_back(length);
    b.push_back(flags);
    return tdreplies::withCrc(b);
  };
  tdreplies::Bytes broken = reply(0.001f, 10, 1);
  broken.back() ^= 0x01;
  const tdreplies::Bytes cut = tdreplies::withCrc({0x01, TD_READ, TF_OUTPUTS, 0x6F, 0x12});
  const struct {
    const char* name;
    tdreplies::Bytes reply;
    WriteCheckResult result;
    std::vector<WriteCheckField> fields;
    std::string reason;
  } cases[] = {
      {"same", reply(0.001f, 10, 1), WriteCheckResult::verified, {}, ""},
      {"other weight and flags",
       reply(0.002f, 10, 3),
       WriteCheckResult::mismatch,
       {{"Цена импульса в приборе, м3", "0.001", "0.002"}, {"Флаги выходов", "1", "3"}},
       ""},
      {"bad CRC", broken, WriteCheckResult::unconfirmed, {}, "Ошибка контрольной суммы"},
      {"too short", cut, WriteCheckResult::unconfirmed, {}, kTdBadLength},
      {"error reply",
       tdreplies::withCrc({0x01, TD_READ | kTdErrorBit, 0x07}),
       WriteCheckResult::unconfirmed,
       {},
       "Доступ к регистру закрыт"},
      {"nothing", {}, WriteCheckResult::unconfirmed, {}, "Прибор не отвечает"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const WriteCheck check = tdCompareWritten(write, received(c.reply));
    EXPECT_EQ(check.result, c.result);
    EXPECT_EQ(check.fields, c.fields);
    EXPECT_EQ(check.reason, c.reason);
  }
}

}  // namespace

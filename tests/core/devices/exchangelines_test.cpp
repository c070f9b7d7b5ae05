#include "core/devices/exchangelines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/comm/crc16.h"

namespace {

using namespace comprt;
using Bytes = std::vector<std::uint8_t>;

Bytes withCrc(Bytes frame) {
  const std::uint16_t crc = crc16(frame.data(), static_cast<std::uint8_t>(frame.size()));
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

// A = 1.5, B = 0.25 at Ду 125.
Bytes zorbWrite() { return {0x00, 0x05, 0xDC, 0x00, 0x00, 0xFA, 0xDB, 0x0D}; }

Bytes changed(Bytes bytes, std::size_t at) {
  bytes[at] ^= 0x01;
  return bytes;
}

struct Case {
  const char* name;
  FrameFamily family;
  FrameDirection direction;
  Bytes bytes;
  Bytes request;  // what the reply answers
  FrameCheck check;
  const char* text;     // part of the meaning
  const char* problem;  // part of the reason; "" when good or not judged
};

// A system-parameters reply of a meter 3.6 with serial number 12345678, as the simulator sends it.
const Bytes kTdSystem{0x01, 0x41, 0x00, 0x5A, 0xA5, 0x03, 0x06,
                      0x4E, 0x61, 0xBC, 0x00, 0x06, 0x85, 0x6A};

const Case kCases[] = {
    {"TdRequest",
     FrameFamily::td,
     FrameDirection::toDevice,
     {0x01, 0x41, 0x00, 0x10, 0x50},
     {},
     FrameCheck::good,
     "A 0 системные параметры, адрес 1",
     ""},
    {"TdReply",
     FrameFamily::td,
     FrameDirection::fromDevice,
     kTdSystem,
     {},
     FrameCheck::good,
     "версия 3.6, заводской номер 12345678",
     ""},
    {"TdReplyBadCrc",
     FrameFamily::td,
     FrameDirection::fromDevice,
     changed(kTdSystem, 13),
     {},
     FrameCheck::bad,
     "версия 3.6",
     "CRC 6B85, ожидалась 6A85"},
    {"TdErrorReply",
     FrameFamily::td,
     FrameDirection::fromDevice,
     withCrc({0x01, 0xC1, 0x02}),
     {},
     FrameCheck::good,
     "Недопустимый(неверный) номер регистра",
     ""},
    {"TdShort",
     FrameFamily::td,
     FrameDirection::fromDevice,
     {0x01, 0x41},
     {},
     FrameCheck::bad,
     "неполный кадр",
     "2 байт"},
    {"TdPoll",
     FrameFamily::td,
     FrameDirection::fromDevice,
     withCrc({0x01, 0x41, 0x0C, 0x05, 0x39, 0x30, 0x00, 0x00}),
     {},
     FrameCheck::good,
     "A 12 показание, адрес 1; статус 05, код сигнала 12345",
     ""},
    {"KeltValue",
     FrameFamily::kelt,
     FrameDirection::fromDevice,
     {0x08, 0x04, 0x00, 0x04},
     {0x08},
     FrameCheck::good,
     "эхо, значение 4",
     ""},
    {"KeltValueBadSum",
     FrameFamily::kelt,
     FrameDirection::fromDevice,
     {0x08, 0x04, 0x00, 0x05},
     {0x08},
     FrameCheck::bad,
     "эхо, значение 4",
     "контрольная сумма 0005, ожидалась 0004"},
    {"KeltWrongEcho",
     FrameFamily::kelt,
     FrameDirection::fromDevice,
     {0x19},
     {0x18},
     FrameCheck::bad,
     "ответ",
     "эхо 19 вместо 18"},
    {"KeltBusy",
     FrameFamily::kelt,
     FrameDirection::fromDevice,
     {0xFF},
     {0x18},
     FrameCheck::none,
     "адаптер занят",
     ""},
    {"KeltProbe",
     FrameFamily::kelt,
     FrameDirection::fromDevice,
     {0x0F, 0x00, 0x02},
     {0x0F},
     FrameCheck::good,
     "адаптер, версия 2",
     ""},
    {"KeltCommand",
     FrameFamily::kelt,
     FrameDirection::toDevice,
     {0x18},
     {},
     FrameCheck::none,
     "чтение параметров формата 3 (18)",
     ""},
    {"ZorbRead",
     FrameFamily::zorb,
     FrameDirection::toDevice,
     {0x80, 0, 0, 0, 0, 0, 0, 0x0D},
     {},
     FrameCheck::good,
     "чтение коэффициентов",
     ""},
    {"ZorbWrite",
     FrameFamily::zorb,
     FrameDirection::toDevice,
     zorbWrite(),
     {},
     FrameCheck::good,
     "запись коэффициентов",
     ""},
    {"ZorbWriteBadSum",
     FrameFamily::zorb,
     FrameDirection::toDevice,
     changed(zorbWrite(), 6),
     {},
     FrameCheck::bad,
     "запись коэффициентов",
     "неверная сумма в байте 6"},
    {"ZorbEcho", FrameFamily::zorb, FrameDirection::fromDevice, zorbWrite(), zorbWrite(),
     FrameCheck::good, "эхо записи", ""},
    {"ZorbBadEcho", FrameFamily::zorb, FrameDirection::fromDevice, changed(zorbWrite(), 2),
     zorbWrite(), FrameCheck::bad, "эхо записи", "эхо не совпадает"},
    {"ZorbCut",
     FrameFamily::zorb,
     FrameDirection::fromDevice,
     {0x80, 0, 0},
     {0x80},
     FrameCheck::bad,
     "ответ",
     "3 байт вместо 8"},
    {"SpprIdentity",
     FrameFamily::rm23,
     FrameDirection::fromDevice,
     {0x09, 0x10, 0x03, 0x13},
     {0x09},
     FrameCheck::good,
     "эхо, тип РМ 3",
     ""},
    {"SpprIdentityBadSum",
     FrameFamily::rm23,
     FrameDirection::fromDevice,
     {0x09, 0x10, 0x03, 0x14},
     {0x09},
     FrameCheck::bad,
     "тип РМ 3",
     "контрольная сумма 14, ожидалась 13"},
    {"SpprStartEcho",
     FrameFamily::rm23,
     FrameDirection::fromDevice,
     {0x01},
     {0x01},
     FrameCheck::good,
     "эхо",
     ""},
    {"SpprBadStartEcho",
     FrameFamily::rm23,
     FrameDirection::fromDevice,
     {0x02},
     {0x01},
     FrameCheck::bad,
     "эхо",
     "эхо не совпадает"},
    {"SpprStatusNothing",
     FrameFamily::rm23,
     FrameDirection::fromDevice,
     {0x04},
     {0xFD},
     FrameCheck::none,
     "состояние 4",
     ""},
    {"NoAnswer",
     FrameFamily::td,
     FrameDirection::fromDevice,
     {},
     {},
     FrameCheck::none,
     "нет ответа",
     ""},
};

class DescribeFrame : public ::testing::TestWithParam<Case> {};

TEST_P(DescribeFrame, TellsMeaningAndCheck) {
  const Case& c = GetParam();
  ExchangeFrame frame;
  frame.family = c.family;
  frame.direction = c.direction;
  frame.bytes = c.bytes;
  const FrameMeaning meaning = describeFrame(frame, c.request);
  EXPECT_NE(meaning.text.find(c.text), std::string::npos) << meaning.text;
  EXPECT_EQ(meaning.check, c.check) << meaning.problem;
  EXPECT_NE(meaning.problem.find(c.problem), std::string::npos) << meaning.problem;
}

INSTANTIATE_TEST_SUITE_P(Families, DescribeFrame, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

ExchangeFrame frameOf(const std::string& port, FrameDirection direction, Bytes bytes) {
  ExchangeFrame frame;
  frame.port = port;
  frame.family = FrameFamily::kelt;
  frame.direction = direction;
  frame.bytes = std::move(bytes);
  return frame;
}

TEST(ExchangeDecoder, PairsEachReplyWithTheRequestOfItsOwnPort) {
  ExchangeDecoder decoder;
  decoder.decode(frameOf("a", FrameDirection::toDevice, {0x08}));
  decoder.decode(frameOf("b", FrameDirection::toDevice, {0x0F}));
  const ExchangeLine a = decoder.decode(frameOf("a", FrameDirection::fromDevice, {0x08, 4, 0, 4}));
  const ExchangeLine b = decoder.decode(frameOf("b", FrameDirection::fromDevice, {0x0F, 0, 2}));
  EXPECT_EQ(a.meaning.text, "эхо, значение 4");
  EXPECT_EQ(b.meaning.text, "адаптер, версия 2");
}

TEST(ExchangeDecoder, TheWorkersVerdictCountsWhereTheDecoderHasNone) {
  ExchangeDecoder decoder;
  decoder.decode(frameOf("a", FrameDirection::toDevice, {0x02, 1, 2, 3}));
  ExchangeFrame reply = frameOf("a", FrameDirection::fromDevice, {0x02, 1, 2, 4});
  reply.check = FrameCheck::bad;
  reply.problem = "Ошибка обмена";
  const ExchangeLine bad = decoder.decode(reply);
  EXPECT_EQ(bad.meaning.check, FrameCheck::bad);
  EXPECT_EQ(bad.meaning.problem, "Ошибка обмена");

  // A worker that accepted a frame does not overrule the decoder's own finding.
  ExchangeFrame accepted = frameOf("a", FrameDirection::fromDevice, {0x08, 4, 0, 5});
  decoder.decode(frameOf("a", FrameDirection::toDevice, {0x08}));
  accepted.check = FrameCheck::good;
  EXPECT_EQ(decoder.decode(accepted).meaning.check, FrameCheck::bad);
}

TEST(ExchangeLines, TextAndCsvCarryEveryColumn) {
  ExchangeLine line;
  line.frame = frameOf("/dev/pts/3", FrameDirection::fromDevice, {0x0F, 0x00});
  line.frame.latencyUs = 12345;
  line.meaning = {"ответ \"x\"", FrameCheck::bad, "эхо"};
  const std::string text = exchangeTextLine(line);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), EC_COUNT - 1);
  EXPECT_NE(text.find("\t/dev/pts/3\tКЕЛТ\t← прибор\t0F 00\tответ \"x\"\tошибка: эхо\t12.3\n"),
            std::string::npos)
      << text;
  const std::string csv = exchangeCsvLine(line);
  EXPECT_NE(
      csv.find(";\"КЕЛТ\";\"← прибор\";\"0F 00\";\"ответ \"\"x\"\"\";\"ошибка: эхо\";\"12.3\"\n"),
      std::string::npos)
      << csv;
  EXPECT_EQ(exchangeTextHeader().rfind("Время\tПорт\t", 0), 0u);
}

}  // namespace

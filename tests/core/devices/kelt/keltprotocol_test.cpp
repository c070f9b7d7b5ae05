#include "core/devices/kelt/keltprotocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/devices/kelt/keltexamples.h"
#include "core/devices/kelt/messageof.h"

namespace {

TEST(KeltProtocol, ChecksumIsASixteenBitSumSentMostSignificantByteFirst) {
  const std::vector<uint8_t> bytes(300, 0xFF);  // 76500 wraps to 10964 = 0x2AD4
  EXPECT_EQ(keltChecksum(bytes), 0x2AD4);
  const auto framed = keltWithChecksum(std::vector<uint8_t>{0x07});
  EXPECT_EQ(framed, (std::vector<uint8_t>{0x07, 0x00, 0x07}));
  EXPECT_EQ(messageOf([&] { keltVerifyChecksum(framed); }), "(accepted)");
  EXPECT_EQ(messageOf([] {
              keltVerifyChecksum(std::vector<uint8_t>{0x07, 0x07, 0x00});
            }),
            "Ошибка контрольной суммы");
}

TEST(KeltProtocol, AdapterFormat3WriteCounterAndVersion3Quirk) {
  std::vector<uint8_t> encoded(36, 0x10);  // sum 576 = 0x0240
  const auto v4 = keltAdapterWrite3(encoded, 5, false);
  EXPECT_EQ(v4.command, KELT_WRITE_3);
  ASSERT_EQ(v4.sent.size(), 39u);
  EXPECT_EQ(v4.sent[36], 6);
  EXPECT_EQ(v4.sent[37], 0x02);
  EXPECT_EQ(v4.sent[38], 0x46);
  EXPECT_EQ(v4.expected, v4.sent);

  const auto v3 = keltAdapterWrite3(encoded, 0xFF, true);
  EXPECT_EQ(v3.command, KELT_WRITE_3_V3);
  EXPECT_EQ(v3.sent[36], 0xFF);  // counter unchanged; sum 831 = 0x033F
  EXPECT_EQ(v3.sent[37], 0x03);
  EXPECT_EQ(v3.sent[38], 0x18);  // 0x3F - 0x27
  EXPECT_EQ(v3.expected[38], 0x3F);
  // The lowered byte wraps without a borrow from the first one: 0x0320 goes out as 0x03, 0xF9.
  const auto wrap = keltAdapterWrite3(encoded, 0xE0, true);
  EXPECT_EQ(wrap.sent[37], 0x03);
  EXPECT_EQ(wrap.sent[38], 0xF9);
  EXPECT_EQ(wrap.expected[38], 0x20);
}

TEST(KeltProtocol, MeasurementAnswers) {
  const struct {
    std::vector<uint8_t> data;  // temperature code, status, period LSB first
    double temperature;
    double frequency;
  } cases[] = {
      {{45, 0, 0x48, 0x01}, 22.5, 32768.0 / 328},
      {{45, 4, 0x48, 0x01}, 22.5, 0},  // no signal
      {{0, 1, 0, 0}, 0, 0},            // no period
      {{200, 3, 1, 0}, 100, 32768},
  };
  for (const auto& c : cases) {
    const auto m = keltDecodeMeasurement(keltWithChecksum(c.data));
    EXPECT_DOUBLE_EQ(m.temperature, c.temperature);
    EXPECT_EQ(m.status, c.data[1]);
    EXPECT_DOUBLE_EQ(m.frequency, c.frequency);
  }
  auto bad = keltWithChecksum(cases[0].data);
  bad[4] ^= 1;
  EXPECT_EQ(messageOf([&] { keltDecodeMeasurement(bad); }), "Ошибка контрольной суммы");
}

// Known answers for every code, taken from the rules as they stood before the command table:
// first issue refuses, old adapter refuses, threshold, version asked, command byte sent, busy
// answer possible, and the adapter versions 6..1 whose device serves it.
TEST(KeltProtocol, CommandRulesForEveryCode) {
  const struct {
    int code;
    bool firstIssueRefuses, oldAdapterRefuses, threshold, needsVersion, sendsCommandByte,
        mayAnswerBusy;
    unsigned versions;
  } table[] = {
      {0, 0, 0, 0, 0, 1, 0, 0b000000},  {1, 0, 0, 0, 1, 1, 1, 0b000001},
      {2, 0, 0, 0, 1, 0, 1, 0b000001},  {3, 0, 0, 0, 1, 1, 1, 0b000001},
      {4, 0, 0, 0, 1, 0, 1, 0b000001},  {5, 0, 0, 0, 0, 1, 1, 0b001111},
      {6, 0, 0, 0, 1, 0, 1, 0b000001},  {7, 0, 0, 0, 1, 0, 1, 0b000001},
      {8, 0, 0, 0, 0, 1, 1, 0b001111},  {9, 1, 0, 0, 1, 1, 1, 0b000010},
      {10, 1, 0, 0, 1, 0, 1, 0b000010}, {11, 0, 0, 1, 0, 1, 0, 0b000000},
      {12, 0, 0, 1, 0, 1, 0, 0b000000}, {13, 0, 0, 1, 0, 1, 0, 0b000000},
      {14, 0, 0, 1, 0, 1, 0, 0b000000}, {15, 0, 0, 1, 0, 1, 0, 0b000000},
      {16, 1, 0, 0, 1, 1, 1, 0b000010}, {17, 1, 0, 0, 1, 0, 1, 0b000010},
      {18, 1, 0, 0, 1, 0, 1, 0b000010}, {19, 1, 0, 0, 1, 1, 1, 0b000010},
      {20, 1, 0, 0, 1, 0, 1, 0b000010}, {21, 1, 0, 0, 1, 0, 1, 0b000010},
      {22, 1, 0, 0, 1, 1, 1, 0b000010}, {23, 1, 1, 0, 1, 1, 1, 0b001100},
      {24, 1, 1, 0, 1, 1, 1, 0b001100}, {25, 1, 1, 0, 1, 0, 1, 0b001100},
      {26, 1, 1, 0, 1, 0, 1, 0b001100}, {27, 0, 0, 0, 1, 1, 1, 0b000000},
      {28, 0, 0, 0, 1, 1, 1, 0b000000}, {29, 0, 0, 0, 1, 1, 1, 0b000000},
      {30, 0, 0, 0, 1, 1, 1, 0b000000}, {31, 0, 0, 0, 1, 1, 1, 0b000000},
      {32, 0, 0, 0, 0, 1, 1, 0b000000}, {255, 0, 0, 0, 0, 1, 1, 0b000000},
  };
  for (const auto& row : table) {
    const auto code = static_cast<uint8_t>(row.code);
    EXPECT_EQ(keltFirstIssueRefuses(code), row.firstIssueRefuses) << row.code;
    EXPECT_EQ(keltOldAdapterRefuses(code), row.oldAdapterRefuses) << row.code;
    EXPECT_EQ(keltIsThresholdCommand(code), row.threshold) << row.code;
    EXPECT_EQ(keltNeedsVersion(code), row.needsVersion) << row.code;
    EXPECT_EQ(keltSendsCommandByte(code), row.sendsCommandByte) << row.code;
    EXPECT_EQ(keltMayAnswerBusy(code), row.mayAnswerBusy) << row.code;
    for (int version = 1; version <= 6; ++version) {
      const bool serves = row.versions & (1u << (version - 1));
      EXPECT_EQ(messageOf([&] { keltCheckAdapterVersion(version, code); }),
                serves ? "(accepted)" : "Неправильный тип КЕЛТ")
          << "version " << version << " command " << row.code;
    }
  }
}

TEST(KeltProtocol, AdapterVersionServesItsCommands) {
  const struct {
    int version;
    std::vector<int> serves;
  } table[] = {
      {1, {1, 2, 5}},
      {2, {5, 16, 17, 19, 20, 22}},
      {3, {5, 23, 24, 25, 26}},
      {4, {5, 23, 24, 25, 26}},
      {5, {}},
      {6, {}},
  };
  const int commands[] = {1, 2, 5, 16, 17, 19, 20, 22, 23, 24, 25, 26, 27};
  for (const auto& row : table) {
    for (int command : commands) {
      const bool serves =
          std::find(row.serves.begin(), row.serves.end(), command) != row.serves.end();
      EXPECT_EQ(messageOf([&] { keltCheckAdapterVersion(row.version, command); }),
                serves ? "(accepted)" : "Неправильный тип КЕЛТ")
          << "version " << row.version << " command " << command;
    }
  }
  for (int version : {0, 7, 255}) {
    EXPECT_EQ(messageOf([&] { keltCheckAdapterVersion(version, 5); }),
              "Неизвестная версия прибора");
  }
}

TEST(KeltProtocol, OffsetBlock) {
  const auto block = keltOffsetBlock(-3);
  ASSERT_EQ(block.size(), 33u);
  EXPECT_EQ(block[0], 4);
  EXPECT_EQ(block[31], 0);
  EXPECT_EQ(block[32], 4);
  EXPECT_EQ(keltOffsetOf(block), -3);
}

}  // namespace

namespace {

// The read-back is compared as the device encodes it: a block equal to the written one, a code
// one step off, an offset block whose undefined bytes differ, a block cut short.
TEST(KeltProtocol, WrittenBlocksAreComparedWithWhatWasReadBack) {
  KeltCommon write3;
  write3.command = KELT_WRITE_3;
  write3.model = 7;
  write3.params3 = keltexamples::example3();
  const std::vector<uint8_t> block3 = keltEncode(write3.params3, 7);
  std::vector<uint8_t> aOff = block3;
  ++aOff[0];  // A1 code, least significant byte first
  std::vector<uint8_t> withCounter = block3;
  withCounter.push_back(9);

  KeltCommon offset;
  offset.command = KELT_WRITE_OFFSET;
  offset.offset = -4;
  std::vector<uint8_t> offsetFound(31, 0xAA);
  offsetFound[0] = 0x53;  // high nibble undefined, offset code 3 = -4 + 7

  const struct {
    const char* name;
    const KeltCommon& data;
    std::vector<uint8_t> found;
    WriteCheckResult result;
    std::vector<std::string> names;
  } cases[] = {
      {"same block", write3, block3, WriteCheckResult::verified, {}},
      {"counter after it", write3, withCounter, WriteCheckResult::verified, {}},
      {"A1 one code up", write3, aOff, WriteCheckResult::mismatch, {"A1", "B1"}},
      {"short block",
       write3,
       {block3.begin(), block3.end() - 1},
       WriteCheckResult::mismatch,
       {"байт 35"}},
      {"offset kept", offset, offsetFound, WriteCheckResult::verified, {}},
      {"offset one step up",
       offset,
       {0x04},
       WriteCheckResult::mismatch,
       {"Смещение температуры, °C"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const WriteCheck check = keltCompareWritten(c.data, c.found);
    EXPECT_EQ(check.result, c.result);
    std::vector<std::string> names;
    for (const WriteCheckField& field : check.fields) names.push_back(field.name);
    EXPECT_EQ(names, c.names);
  }
  const std::vector<uint8_t> oneUp{0x04};
  EXPECT_EQ(keltCompareWritten(offset, oneUp).fields[0].found, "-1.5");
}

}  // namespace

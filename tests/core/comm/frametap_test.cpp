#include "core/comm/frametap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace comprt;
using Bytes = std::vector<std::uint8_t>;

RawFrame rawAt(std::int64_t timeUs) {
  RawFrame frame;
  frame.timeUs = timeUs;
  frame.length = 1;
  frame.bytes[0] = static_cast<std::uint8_t>(timeUs);
  return frame;
}

std::vector<ExchangeFrame> takeAll(FrameTap& tap, std::uint64_t* dropped = nullptr) {
  std::vector<ExchangeFrame> frames;
  const std::uint64_t lost = tap.take(frames);
  if (dropped) *dropped = lost;
  return frames;
}

TEST(FrameTap, FullRingGivesUpItsOldestFramesAndCountsThem) {
  FrameTap tap(3);
  for (int t = 1; t <= 5; ++t) tap.post(rawAt(t));
  std::uint64_t dropped = 0;
  const auto frames = takeAll(tap, &dropped);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].timeUs, 3);
  EXPECT_EQ(frames[2].timeUs, 5);
  EXPECT_EQ(frames[2].bytes, Bytes{5});
  EXPECT_EQ(dropped, 2u);

  // The count is per take, and the emptied ring takes new frames from its start.
  tap.post(rawAt(6));
  const auto next = takeAll(tap, &dropped);
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(next[0].timeUs, 6);
  EXPECT_EQ(dropped, 0u);
}

// The recorder posts to the process-wide tap; each test starts from an empty one.
class FrameRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override { takeAll(FrameTap::instance()); }

  void send(FrameRecorder& recorder, const Bytes& bytes) {
    recorder.sent(bytes.data(), bytes.size());
  }
  void receive(FrameRecorder& recorder, const Bytes& bytes) {
    recorder.received(bytes.data(), bytes.size());
  }
};

TEST_F(FrameRecorderTest, NothingIsRecordedWithoutAListener) {
  ASSERT_FALSE(FrameTap::recording());
  FrameRecorder recorder(FrameFamily::td);
  send(recorder, {1, 2, 3});
  receive(recorder, {4});
  endExchange("");
  EXPECT_TRUE(takeAll(FrameTap::instance()).empty());
}

TEST_F(FrameRecorderTest, ReadsBetweenTwoWritesAreOneReplyJudgedByWhatFollows) {
  FrameListener listening;
  FrameRecorder recorder(FrameFamily::kelt);
  recorder.setPort("ttyUSB0");
  send(recorder, {0x0F});
  receive(recorder, {0x0F});
  receive(recorder, {0x00, 0x02});
  send(recorder, {0x08});  // the exchange went on: the reply was accepted
  receive(recorder, {0x08, 0x04, 0x00});
  endExchange("Ошибка контрольной суммы");
  endExchange("");  // nothing pending any more

  const auto frames = takeAll(FrameTap::instance());
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0].direction, FrameDirection::toDevice);
  EXPECT_EQ(frames[0].bytes, Bytes{0x0F});
  EXPECT_EQ(frames[0].latencyUs, -1);
  EXPECT_EQ(frames[1].direction, FrameDirection::fromDevice);
  EXPECT_EQ(frames[1].bytes, (Bytes{0x0F, 0x00, 0x02}));
  EXPECT_EQ(frames[1].check, FrameCheck::good);
  EXPECT_GE(frames[1].latencyUs, 0);
  EXPECT_EQ(frames[3].bytes, (Bytes{0x08, 0x04, 0x00}));
  EXPECT_EQ(frames[3].check, FrameCheck::bad);
  EXPECT_EQ(frames[3].problem, "Ошибка контрольной суммы");
  for (const auto& frame : frames) {
    EXPECT_EQ(frame.port, "ttyUSB0");
    EXPECT_EQ(frame.family, FrameFamily::kelt);
  }
}

TEST_F(FrameRecorderTest, LongFramesAndTextsAreCutWithoutSplittingACharacter) {
  FrameListener listening;
  FrameRecorder recorder(FrameFamily::td);
  send(recorder, Bytes(300, 0xAA));
  receive(recorder, Bytes(200, 1));
  receive(recorder, Bytes(100, 2));
  std::string problem;
  for (int i = 0; i < 100; ++i) problem += "ш";  // two bytes each, more than a slot holds
  endExchange(problem);

  const auto frames = takeAll(FrameTap::instance());
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].bytes.size(), kFrameBytesMax);
  EXPECT_TRUE(frames[0].truncated);
  EXPECT_EQ(frames[1].bytes.size(), kFrameBytesMax);
  EXPECT_EQ(frames[1].bytes.back(), 2);
  EXPECT_TRUE(frames[1].truncated);
  EXPECT_FALSE(frames[1].problem.empty());
  EXPECT_EQ(frames[1].problem.size() % 2, 0u);
  EXPECT_EQ(problem.compare(0, frames[1].problem.size(), frames[1].problem), 0);
}

}  // namespace

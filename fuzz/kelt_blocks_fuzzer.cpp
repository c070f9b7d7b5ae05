// Any bytes as KELT answers. Input byte 0 picks the model (0..17), byte 1 bit 0 whether the
// fuzzer writes a correct sum after the parameter block so it gets past the check, byte 2 and
// byte 3 are a device version and a command byte for the version checks. Then follow the
// parameter block of the model's format with its sum, the 6-byte measurement answer and the
// temperature offset block. A decoded block is encoded again, as a panel does when the user
// writes back what was read; the encoder may refuse it, but only with its message.

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "core/base/errors.h"
#include "core/devices/kelt/keltblocks.h"
#include "core/devices/kelt/keltprotocol.h"

namespace {

constexpr size_t kHeader = 4;
constexpr size_t kMeasurementSize = 6;
constexpr size_t kOffsetBlockSize = 31;

template <class Call>
void expectMessageOrNothing(Call call) {
  try {
    call();
  } catch (const MessageError&) {
  }
}

void decodeAndWriteBack(std::span<const uint8_t> block, int model) {
  if (model == 0 || block.size() == kKeltBlockSize2) {
    const KeltParams12 p = keltDecode12(block, model);
    expectMessageOrNothing([&] { keltEncode(p, model); });
  } else if (block.size() == kKeltBlockSize3) {
    const KeltParams3 p = keltDecode3(block, model);
    expectMessageOrNothing([&] { keltEncode(p, model); });
  } else {
    const KeltParams4 p = keltDecode4(block, model);
    expectMessageOrNothing([&] { keltEncode(p, model); });
  }
}

void parameterBlock(std::span<const uint8_t> input, int model, bool fixSum) {
  std::vector<uint8_t> answer(input.begin(), input.end());
  const size_t size = keltBlockSize(model);
  answer.resize(size + 2, 0);
  if (fixSum) answer = keltWithChecksum(std::span(answer).first(size));
  keltVerifyChecksum(answer);
  decodeAndWriteBack(std::span(answer).first(size), model);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  const int model = data[0] % 18;
  const bool fixSum = data[1] & 1;
  expectMessageOrNothing([&] { keltCheckAdapterVersion(data[2], data[3]); });
  expectMessageOrNothing([&] { keltCheckDirectVersion(data[2], model); });

  const std::span<const uint8_t> rest(data + kHeader, size - kHeader);
  const size_t blockBytes = std::min(rest.size(), keltBlockSize(model) + 2);
  expectMessageOrNothing([&] { parameterBlock(rest.first(blockBytes), model, fixSum); });

  const std::span<const uint8_t> tail = rest.subspan(blockBytes);
  if (tail.size() >= kMeasurementSize)
    expectMessageOrNothing([&] { keltDecodeMeasurement(tail.first(kMeasurementSize)); });
  if (tail.size() >= kMeasurementSize + kOffsetBlockSize)
    keltOffsetOf(tail.subspan(kMeasurementSize, kOffsetBlockSize));
  return 0;
}

// Any 8 bytes as a ZORB read answer, decoded at every Ду code. A pair of coefficients the write
// frame accepts must come back from that frame unchanged: the codes are whole numbers, so the
// scale cannot lose them.

#include <cstdint>
#include <cstring>

#include "core/base/errors.h"
#include "core/devices/zorb/zorbprotocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  ZorbFrame answer;
  std::memcpy(answer.data(), data, answer.size());
  for (uint8_t du = 0; du <= 12; ++du) {
    const ZorbCoefficients read = zorbDecodeAnswer(answer, du);
    ZorbFrame frame;
    try {
      frame = zorbWriteFrame(read.A, read.B, du);
    } catch (const MessageError&) {
      continue;
    }
    if (zorbChecksum(frame) != frame[6] || frame[7] != 0x0D) __builtin_trap();
    const ZorbCoefficients again = zorbDecodeAnswer(frame, du);
    if (again.A != read.A || again.B != read.B) __builtin_trap();
  }
  return 0;
}

#pragma once
// KELT line protocol. A frame has no delimiter: a request is one command byte, echoed, some
// followed by a parameter block; the answer has the command's fixed length and ends in a 16-bit
// sum of its bytes (modulo 65536, most significant byte first).
//
// Through the ОМБ-КЕЛТ adapter (models 0..8) or direct (models 9..17).
// A short read is "Прибор не отвечает", a wrong sum "Ошибка контрольной суммы", a wrong echo or
// a written block that does not come back unchanged "Ошибка обмена"; over the adapter an echo of
// 0xFF means the adapter is busy (KeltBusyError).

#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <vector>

#include "core/base/errors.h"
#include "core/base/writecheck.h"
#include "core/devices/kelt/keltblocks.h"

// The adapter answered 0xFF in place of an echo: it is still busy and takes the next command
// only after a pause (kKeltBusyPause). Its text is the notice the user is shown.
class KeltBusyError : public MessageError {
 public:
  KeltBusyError() : MessageError("Ошибка обмена. Подождите 12 секунд") {}
};
// Whether a failed queue item failed with KeltBusyError.
bool keltAdapterBusy(const std::exception_ptr& failure);

// Command codes of KeltCommon (the byte sent is the same number unless stated in the exchange).
// The codes between them are sent by no panel; the adapter's rules still cover 0..31.
enum KeltCode : uint8_t {
  KELT_COUPLING = 0,  // adapter: coupling parameter (value)
  KELT_READ_1 = 1,    // format 1 parameters (params12)
  KELT_WRITE_1 = 2,
  KELT_BATTERY = 5,   // adapter: battery voltage code (value)
  KELT_LEVEL_0 = 11,  // adapter: signal threshold level 0..3 = code - 11
  KELT_LEVEL_1 = 12,
  KELT_LEVEL_2 = 13,
  KELT_LEVEL_3 = 14,
  KELT_READ_2 = 16,  // format 2 parameters (params12)
  KELT_WRITE_2 = 17,
  KELT_READ_OFFSET = 19,  // temperature offset of models 1..6 (offset)
  KELT_WRITE_OFFSET = 20,
  KELT_TEMPERATURE = 22,  // temperature code, 0.5 °C per step (value)
  KELT_MEASURE = 23,      // temperature, signal status and frequency (measurement)
  KELT_READ_3 = 24,       // format 3 parameters (params3)
  KELT_WRITE_3 = 25,
  KELT_WRITE_3_V3 = 26,  // chosen by the exchange for device version 3, never by a panel
  KELT_READ_4 = 27,      // format 4 parameters (params4)
  KELT_WRITE_4 = 28,
  KELT_WRITE_4_ALT = 29,  // the direct link takes it like 28
};

struct KeltMeasurement {
  double temperature = 0;  // °C
  uint8_t status = 0;      // bit 2: no signal; bits 0..1: signal quality 0 good .. 3 bad
  double frequency = 0;    // Hz; 0 without a signal or period
};

// Command record of a KELT worker queue item. The panel sets the command, the model and the
// values of a write; the exchange leaves the values it read in the field the command names.
struct KeltCommon {
  uint8_t command = 0;  // KeltCode; for the open commands the 1-based port index, 0 closes
  uint8_t value = 0;    // coupling parameter, battery voltage code or temperature code
  int8_t offset = 0;    // temperature offset of models 1..6, steps of 0.5 °C
  KeltParams12 params12;
  KeltParams3 params3;
  KeltParams4 params4;
  KeltMeasurement measurement;
  int32_t model = 0;                // model index 0..17
  std::optional<WriteCheck> check;  // after a parameter write: what the device holds now
};

// 16-bit sum of the bytes modulo 65536.
uint16_t keltChecksum(std::span<const uint8_t> bytes);
// The bytes followed by their sum, most significant byte first.
std::vector<uint8_t> keltWithChecksum(std::span<const uint8_t> bytes);
// Throws "Ошибка контрольной суммы" unless the last two bytes are the sum of the others.
void keltVerifyChecksum(std::span<const uint8_t> answer);

// The read command that shows what a parameter write left in the device; none for any other.
std::optional<uint8_t> keltReadBackCommand(uint8_t writeCommand);
// The block the write in `data` sends against the data block its read-back returned (without
// checksum and write counter). Of the offset block only the offset code counts: the device
// defines no other byte of it.
WriteCheck keltCompareWritten(const KeltCommon& data, std::span<const uint8_t> found);  // can throw

// Adapter link: which commands need what (lookups into the command table).
bool keltFirstIssueRefuses(uint8_t command);   // a first-issue adapter serves model 0 only
bool keltOldAdapterRefuses(uint8_t command);   // adapters below version 2: no format 3 models
bool keltIsThresholdCommand(uint8_t command);  // the threshold levels: short time-out
bool keltNeedsVersion(uint8_t command);        // the device version is asked first
bool keltSendsCommandByte(uint8_t command);    // writes send their own leading byte instead
bool keltMayAnswerBusy(uint8_t command);       // the adapter may answer busy in place of the echo
// Throws "Неизвестная версия прибора" for a version outside 1..6 and "Неправильный тип КЕЛТ"
// when the version does not serve the command.
void keltCheckAdapterVersion(int version, uint8_t command);
// Direct link: throws "Неизвестная версия прибора" outside 5..8 and "Неправильный тип прибора"
// when the version does not belong to the model.
void keltCheckDirectVersion(int version, int model);

// The 6-byte measurement answer: temperature code, status, period (LSB first), checksum.
KeltMeasurement keltDecodeMeasurement(std::span<const uint8_t> answer);  // can throw

// Temperature offset of models 1..6: a 31-byte block whose byte 0 is offset + 7, and its sum.
std::vector<uint8_t> keltOffsetBlock(int8_t offset);
int8_t keltOffsetOf(std::span<const uint8_t> block);

// Format 3 write through the adapter: the 36 encoded bytes, the write counter and the checksum.
// Version 3 devices take command 26 with the counter unchanged and expect the less significant
// checksum byte lowered by 0x27; they echo the true sum. Other versions take command 25 with the
// counter one up.
struct KeltAdapterWrite3 {
  uint8_t command;                // 25 or 26, the byte sent before the block
  std::vector<uint8_t> sent;      // 39 bytes
  std::vector<uint8_t> expected;  // what the device echoes
};
KeltAdapterWrite3 keltAdapterWrite3(std::span<const uint8_t> encoded, uint8_t currentCounter,
                                    bool version3);

#pragma once
// TD meter line protocol. A frame is address, operation, function, data and the CRC-16 of all
// bytes before it, low byte first. Nothing marks its end: a reply is taken up to its expected
// length or until the line falls quiet, and its CRC decides whether it arrived whole.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "core/base/writecheck.h"
inline constexpr int kTdFrameSize = 256;
using TdFrame = std::array<uint8_t, kTdFrameSize>;

enum TdOperation : uint8_t { TD_READ = 0x41, TD_WRITE = 0x48 };
// Set in the operation byte of an error reply: address, operation | 0x80, error code, CRC.
inline constexpr uint8_t kTdErrorBit = 0x80;

enum TdFunction : uint8_t {
  TF_SYSTEM = 0,                 // A: system parameters
  TF_COEFFICIENTS = 2,           // A/H: direct calibration coefficients
  TF_OUTPUTS = 3,                // A/H: external output parameters
  TF_STATUS = 4,                 // H: change one bit of the status register
  TF_NET_ADDRESS = 5,            // A/H
  TF_INTEGRATOR = 6,             // A/H: flow integrator
  TF_START_STOP = 7,             // H: start-stop signal parameters
  TF_CURRENT = 8,                // A: poll of the current values
  TF_ADDITIONAL = 9,             // A: additional information (operating time)
  TF_READING = 12,               // A: poll of one raw reading
  TF_CLEAR = 17,                 // H: clear the current values
  TF_REVERSE_COEFFICIENTS = 18,  // A/H: reverse calibration coefficients
};

// Command record of the TD worker. Open uses port and baudRate; an exchange sends the first
// requestLength bytes of frame and receives into frame, at most replyLength bytes, leaving the
// number received in replyLength.
struct TDx2Common {
  uint8_t port = 0;  // 1-based position in the port list, 0 = none
  int32_t baudRate = 9600;
  int32_t requestLength = 0;
  int32_t replyLength = 0;
  TdFrame frame{};
  // After a write of a coefficient table, the outputs or the integrator: what the meter holds.
  std::optional<WriteCheck> check;
};

enum TdCommand : int32_t {
  TD_OPEN = 0,
  TD_CLOSE = 1,
  TD_EXCHANGE = 2,  // a failure is shown to the user
  TD_POLL = 3,      // a failure is ignored (the periodic polls)
};

// A command ready for the worker: the record for the slot and its command type.
struct TdRequest {
  TDx2Common common;
  TdCommand type = TD_EXCHANGE;
};

// What a version of the meter's firmware supports, by version major and minor.
struct TdVersionTraits {
  bool known;                // major 3 or less and minor 6 or less
  bool reverseOutputs;       // major 3: reverse output R modes in the output flags
  bool reverseCoefficients;  // major 3 with minor 5 or more: functions A 18 and H 18
  bool batcherFlag;          // minor 2 or more: output flag "optimise for a batcher"
  int pollData;              // data byte of the A 8 poll; -1: the poll carries no data
  int pollLength;            // data length of the A 8 reply: 15, 19 or 39
  const char* namePrefix;    // start of the device's name
};
TdVersionTraits tdVersionTraits(uint8_t major, uint8_t minor);

// Blocks of the data field.

struct TdSystemParameters {
  uint8_t reserved[2] = {0, 0};  // not interpreted
  uint8_t major = 0;
  uint8_t minor = 0;
  uint32_t serial = 0;
  uint8_t diameterIndex = 0;  // in the meter's own order: 15, 20, 25, 32, 40, 50, 80, 100, 150, 65
};

// Five rows of a piecewise-linear characteristic; row i applies up to its code threshold (row 5
// has none). The reverse block carries 0 in gmax and gpor.
struct TdCoefficientRow {
  float A = 0;
  float B = 0;
  int32_t threshold = 0;
};
struct TdCoefficients {
  std::array<TdCoefficientRow, 5> rows{};
  float gmax = 0;  // maximum flow, m³/h
  float gpor = 0;  // sensitivity threshold, m³/h
};
inline constexpr int kTdCoefficientsSize = 64;
std::array<uint8_t, kTdCoefficientsSize> tdEncodeCoefficients(const TdCoefficients& block);
TdCoefficients tdDecodeCoefficients(std::span<const uint8_t, kTdCoefficientsSize> bytes);

// Output flags: bits 0-1 extension card, bit 2 optimise for a batcher, bits 3-4 reverse output R
// mode.
struct TdOutputs {
  float weight = 0;  // m³ per pulse as the meter holds it (half the shown one for a meander)
  uint8_t pulseLength = 0;  // steps of 0.8 ms; 0 = meander
  uint8_t flags = 0;
};
inline constexpr int kTdOutputsSize = 6;
std::array<uint8_t, kTdOutputsSize> tdEncodeOutputs(const TdOutputs& outputs);
TdOutputs tdDecodeOutputs(std::span<const uint8_t, kTdOutputsSize> bytes);

// Current values (A 8): the basic fields always, the noise from 19 data bytes, the operating time
// and the volumes from 39.
struct TdTotals {
  uint32_t operatingTime = 0;  // seconds
  uint32_t forwardWhole = 0;   // whole m³ of V+
  float forwardFraction = 0;
  uint32_t reverseWhole = 0;  // whole m³ of V-
  float reverseFraction = 0;
};
struct TdCurrentValues {
  uint8_t status = 0;
  float codeSum = 0;    // sum of the signal codes of the current pour
  uint16_t count = 0;   // measurements summed
  uint32_t pulses = 0;  // output pulse counter
  float flow = 0;       // m³/h
  std::optional<uint32_t> noiseSum;
  std::optional<TdTotals> totals;
};

// Requests. Each request carries the expected reply length and the command type; the address is
// the one of the port setup.

// A request without data: A 0, 2, 3, 5, 6, 9, 12, 18 (and H 17 is tdClearCurrent).
TdRequest tdReadRequest(uint8_t address, TdFunction function);
TdRequest tdWriteCoefficients(uint8_t address, bool reverse, const TdCoefficients& block);
TdRequest tdWriteOutputs(uint8_t address, const TdOutputs& outputs);
// H 4: bit 1 the pour indicator, 2 reset the pulses at the start of a pour; set or clear it.
TdRequest tdChangeStatusBit(uint8_t address, uint8_t bit, bool set);
TdRequest tdWriteNetAddress(uint8_t address, uint8_t netAddress);
TdRequest tdWriteIntegrator(uint8_t address, uint8_t integrator);
// mode 0..3; anti-bounce time in steps of 0.8 ms.
TdRequest tdWriteStartStop(uint8_t address, uint8_t mode, uint8_t antiBounce);
// A 8 in the form the firmware version asks for.
TdRequest tdPollCurrent(uint8_t address, uint8_t minor);
TdRequest tdClearCurrent(uint8_t address);
TdRequest tdOpenRequest(uint8_t port, int32_t baudRate);
TdRequest tdCloseRequest();

// Replies.

struct TdCoefficientsRead {
  bool reverse = false;
  TdCoefficients block;
};
struct TdNetAddress {
  uint8_t value = 0;
};
struct TdIntegrator {
  uint8_t value = 0;
};
struct TdStatusByte {  // H 4
  uint8_t status = 0;
};
struct TdReading {  // A 12
  uint8_t status = 0;
  int32_t code = 0;
};

using TdReplyValue =
    std::variant<std::monostate, TdSystemParameters, TdCoefficientsRead, TdOutputs, TdStatusByte,
                 TdNetAddress, TdIntegrator, TdCurrentValues, TdReading>;

struct TdReply {
  // The messages for the log, in order (the success text, length complaints, error texts).
  std::vector<std::string> messages;
  // The success text that ends `messages`, null when there is none: the others are complaints.
  const char* done = nullptr;
  // What the panel shows; empty for acknowledgements and for replies that are dropped.
  TdReplyValue value;
  // The reply was cut short or failed its CRC: line noise or a broken line, not the meter's
  // answer. A command the user gave is told so; an unattended poll is not.
  bool damaged = false;
  // A whole reply of the request carried out: a read with its values or an acknowledged write
  // (an error reply, a broken or short frame is not).
  bool accepted = false;
};

// Whether the `count` bytes of `reply` can answer a request whose operation and function are
// `operation` and `function`: a reply names both, an error reply (operation with the error bit)
// names the operation only. Fewer than three bytes are taken, for the decoder to reject.
bool tdAnswers(uint8_t operation, uint8_t function, const TdFrame& reply, int count);

// Decodes the `count` bytes of a reply in `frame`. A reply that is short, fails its CRC or
// answers an unknown function gives neither messages nor a value; the first two are `damaged`.
TdReply tdDecodeReply(const TdFrame& frame, int count);
inline TdReply tdDecodeReply(const TDx2Common& received) {
  return tdDecodeReply(received.frame, received.replyLength);
}

// The read request that shows what the write request `write` left in the meter: for the
// coefficient tables, the outputs and the integrator; none for any other request.
std::optional<TdRequest> tdReadBackRequest(const TDx2Common& write);
// The data of the write request against the reply to its read-back. A read-back without a whole
// reply of the right length, or with an error reply, leaves the write unconfirmed.
WriteCheck tdCompareWritten(const TDx2Common& write, const TDx2Common& readBack);

// The text of an error reply's code.
const char* tdErrorText(uint8_t code);

inline constexpr const char* kTdBadLength = "Неверная длина данных принятого пакета";
inline constexpr const char* kTdUnknownVersion = "Неизвестная версия прибора";
inline constexpr const char* kTdBadData = "Приняты некоректные данные";

#pragma once
// The three entry kinds (one table row each) and their document records.

#include <cstdint>
#include <variant>

#include "core/package/columns.h"

// A value of one field, read or written by column id: a real, an integer or a flag (0/1).
using FieldValue = std::variant<double, int32_t, uint8_t>;

// ZORB transducers: pulses over a time, no sections.
struct ZorbEntry {
  static constexpr EntryKind kEntryKind = ekZorb;
  double temperature = 0;
  double refMass = 0;
  double refVolume = 0;
  double refTime = 0;
  double refFlow = 0;
  double pulseTime = 0;
  double frequency = 0;
  double measFlow = 0;
  double flowError = 0;
  double measVolume = 0;
  double volumeError = 0;
  double reducedFlow = 0;
  double reducedFrequency = 0;
  int32_t pulses1 = 0;
  int32_t pulses2 = 0;
  uint8_t switchedOff = 0;
};

// KELT transducers: pulses over a time, grouped into sections.
struct KeltEntry {
  static constexpr EntryKind kEntryKind = ekKelt;
  double temperature = 0;
  double refMass = 0;
  double refVolume = 0;
  double refTime = 0;
  double refFlow = 0;
  double pulseTime = 0;
  double frequency = 0;
  double measFlow = 0;
  double flowError = 0;
  double measVolume = 0;
  double volumeError = 0;
  double reducedFlow = 0;
  double reducedFrequency = 0;
  int32_t pulses1 = 0;
  int32_t pulses2 = 0;
  int32_t section = 0;
  int32_t line = 0;
  uint8_t point = 0;
  uint8_t switchedOff = 0;
};

// TD meters: the meter's output code, grouped into sections.
struct EprEntry {
  static constexpr EntryKind kEntryKind = ekEpr;
  double temperature = 0;
  double refMass = 0;
  double refVolume = 0;
  double refTime = 0;
  double refFlow = 0;
  double code = 0;
  double measFlow = 0;
  double flowError = 0;
  double measVolume = 0;
  double volumeError = 0;
  int32_t pulses2 = 0;
  int32_t section = 0;
  int32_t line = 0;
  uint8_t point = 0;
  uint8_t switchedOff = 0;
};

// KELT and ZORB entries count pulses over a time; TD entries carry a code instead.
template <class E>
constexpr bool kHasPulses = E::kEntryKind != ekEpr;
// KELT and TD entries are grouped into sections; ZORB entries are not.
template <class E>
constexpr bool kHasSections = E::kEntryKind != ekZorb;

static_assert(sizeof(ZorbEntry) <= 128 && sizeof(KeltEntry) <= 128 && sizeof(EprEntry) <= 128);

// Calls f with a reference to the field of column id `id` and returns true, or returns false
// when the entry kind has no such field.
template <class E, class F>
bool withField(E& e, int id, F&& f) {
#define TD_FIELD(ID, NAME)                \
  case ID:                                \
    if constexpr (requires { e.NAME; }) { \
      f(e.NAME);                          \
      return true;                        \
    }                                     \
    return false;
  switch (id) {
    TD_FIELD(colPoint, point)
    TD_FIELD(colTemperature, temperature)
    TD_FIELD(colRefMass, refMass)
    TD_FIELD(colRefVolume, refVolume)
    TD_FIELD(colRefTime, refTime)
    TD_FIELD(colRefFlow, refFlow)
    TD_FIELD(colPulseTime, pulseTime)
    TD_FIELD(colPulses1, pulses1)
    TD_FIELD(colFrequency, frequency)
    TD_FIELD(colCode, code)
    TD_FIELD(colMeasFlow, measFlow)
    TD_FIELD(colFlowError, flowError)
    TD_FIELD(colPulses2, pulses2)
    TD_FIELD(colMeasVolume, measVolume)
    TD_FIELD(colVolumeError, volumeError)
    TD_FIELD(colSection, section)
    TD_FIELD(colLine, line)
    TD_FIELD(colSwitchedOff, switchedOff)
    default:
      return false;
  }
#undef TD_FIELD
}

namespace files {

// Document records of the entries: only the entered fields, little-endian, no padding.
// refQuantity is the reference volume, mass or flow, as the package's method measures it.
#pragma pack(push, 1)
struct ZorbEntry {
  double temperature, refQuantity, refTime, pulseTime;
  int32_t pulses1, pulses2;
  uint8_t switchedOff;
};
struct KeltEntry {
  double temperature, refQuantity, refTime, pulseTime;
  int32_t pulses1, pulses2, section;
  uint8_t point, switchedOff;
};
struct EprEntry {
  double temperature, refQuantity, refTime, code;
  int32_t pulses2, section;
  uint8_t point, switchedOff;
};
#pragma pack(pop)
static_assert(sizeof(ZorbEntry) == 41 && sizeof(KeltEntry) == 46 && sizeof(EprEntry) == 42);

}  // namespace files

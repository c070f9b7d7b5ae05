#pragma once
// The seventeen ZORB transducer models (model index 0..16) and what sets them apart: their names
// and whether they have a pulse output.

#include <cstdint>

struct ZorbModel {
  const char* group;    // tree group of the New document dialog
  const char* treeRow;  // row text in that tree
  const char* name;     // display name; differs from the row only in the letters of model 3
  // Only the "ТИ" models with a pulse output keep coefficients the panel can read and write, and
  // only they are verified by their pulses.
  bool pulseOutput;
};

inline constexpr int kZorbModelCount = 17;

// Throws std::out_of_range outside 0..16.
const ZorbModel& zorbModel(int model);

// False outside 0..16.
bool zorbHasPulseOutput(int model);

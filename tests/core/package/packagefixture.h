#pragma once
// Shared set-up of the package tests: the process-wide approximation state and the locale hook are
// reset around every test, and small helpers fill packages through the by-id interface.

#include <gtest/gtest.h>

#include "core/base/localehook.h"
#include "core/package/approxstate.h"
#include "core/package/package.h"

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    resetApproxState();
    setLocaleHook(defaultLocaleHook());
  }
};

// A TD entry measured against a reference meter: reading `code`, reference flow `flow`.
inline void addTd(Package<EprEntry>& p, double code, double flow, bool off = false) {
  p.addEntry();
  const int row = p.entryCount() - 1;
  p.setValue(row, colCode, code);
  p.setValue(row, colRefTime, 60.0);
  p.setValue(row, colRefFlow, flow);
  p.setValue(row, colSwitchedOff, uint8_t{off});
  p.recalcEntry(row);
}

inline Package<EprEntry> tdPackage(int kind = pkCalibration) {
  Package<EprEntry> p;
  p.kind = static_cast<uint8_t>(kind);
  p.method = mReference;
  return p;
}

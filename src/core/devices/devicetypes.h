#pragma once
// The device type table: every type code with its family, its model index within the family and
// the family's row for it. Composed from the three families' model tables; the only place where
// a type code and a model index are turned into each other.

#include <span>

#include "core/document/devicebase.h"

// Type codes: 0 TD, 1..17 ZORB models (model index code - 1), 18..35 KELT (code - 18).
struct DeviceTypeInfo {
  uint8_t code;
  DeviceFamily family;
  int model;            // index in the family's model table
  const char* group;    // tree group of the New document dialog; nullptr: a top-level row
  const char* treeRow;  // row text in that tree
  const char* name;     // the device's name; nullptr for TD, whose device composes it
};

std::span<const DeviceTypeInfo> deviceTypes();
// nullptr outside 0..35.
const DeviceTypeInfo* deviceType(int code);
// The type code of a family's model.
uint8_t deviceTypeCode(DeviceFamily family, int model);

// Trailing columns of a package that the table and the text export leave out: 3 for verification
// packages of ZORB models without a pulse output, else 0.
int hiddenColumnCount(int typeCode, bool verification);
inline int hiddenColumnCount(const DeviceBase& device, bool verification) {
  return hiddenColumnCount(device.typeCode(), verification);
}

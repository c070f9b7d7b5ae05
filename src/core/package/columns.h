#pragma once
// The columns a package shows: fixed descriptions by column id and the visible layouts by entry
// kind, package kind and reference method.

#include <cstdint>
#include <span>

// Column ids; they also name the entry fields for value access.
enum ColumnId : uint8_t {
  colPoint = 0,
  colTemperature = 1,
  colRefMass = 2,
  colRefVolume = 3,
  colRefTime = 4,
  colRefFlow = 5,
  colPulseTime = 6,
  colPulses1 = 7,
  colFrequency = 8,
  colCode = 9,
  colMeasFlow = 10,
  colFlowError = 11,
  colPulses2 = 12,
  colMeasVolume = 13,
  colVolumeError = 14,
  colSection = 15,
  colLine = 16,
  colSwitchedOff = 17,
};
inline constexpr int kColumnIdCount = 18;

enum ValueType : uint8_t { vtReal = 0, vtInteger = 1, vtFlag = 2 };

// Entry kinds, equal to the device family codes.
enum EntryKind : uint8_t { ekZorb = 0, ekKelt = 1, ekEpr = 2 };
// Reference methods.
enum Method : uint8_t { mVolume = 0, mMass = 1, mReference = 2 };
// Package kinds.
enum PackageKind : uint8_t { pkCalibration = 0, pkVerification = 1 };

struct ColumnInfo {
  uint8_t id = 0;
  const char* caption = "";
  const char* htmlCaption = "";
  int width = 0;
  bool checkBox = false;
  ValueType type = vtReal;
  int digits = 0;  // after the decimal point, reals only
  bool readOnly = false;
};

// Description of a column id with the read-only flag of the given method.
ColumnInfo columnInfo(int id, int method);
bool isReadOnlyColumn(int id, int method);

// Visible column ids in table order.
std::span<const uint8_t> columnLayout(int entryKind, int kind, int method);

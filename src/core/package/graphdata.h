#pragma once
// What the charts get from the packages and the line set.

#include <cstdint>
#include <string>
#include <vector>

#pragma pack(push, 1)
// One measurement on a chart.
struct SPILT_POINT {
  double x = 0;        // transducer reading: reduced frequency, or the TD code
  double y = 0;        // reference flow
  int32_t number = 0;  // section number (KELT, TD) or row number (ZORB)
  uint8_t marked = 0;  // break-point mark
  double error = 0;    // relative error, %
};

// One coefficient line as the graph window takes it.
struct APROX_STRUCT {
  double F = 0;
  double A = 0;
  double B = 0;
};
#pragma pack(pop)
static_assert(sizeof(SPILT_POINT) == 29 && sizeof(APROX_STRUCT) == 24);

// One chart series: a package's points.
struct SPILT_STRUCT {
  std::string name;
  std::vector<SPILT_POINT> points;
  uint8_t hasPoints = 0;  // the points may be plotted
  uint8_t hasErrors = 0;  // the stored errors may be plotted
};

// The graph data of a document: one series per package (two for a verification package) and the
// current line set.
struct SPILTS_DATA_EXCHANGE {
  std::vector<SPILT_STRUCT> series;
  std::vector<APROX_STRUCT> lines;
};

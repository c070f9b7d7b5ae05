#pragma once
// The verdict on a package against a tolerance profile: each measurement, each flow section and
// the package as a whole.

#include <vector>

#include "core/package/packagebase.h"
#include "core/verdict/tolerance.h"

struct RowVerdict {
  int row = 0;       // in the package's table
  int section = 0;   // the 1-based number of its section in PackageVerdict::sections
  double flow = 0;   // reference flow, m³/h
  double error = 0;  // dg, %
  ErrorLimit limit;
  bool within = false;
};

struct SectionVerdict {
  std::vector<int> rows;  // table rows, ascending
  double flow = 0;        // mean reference flow
  double meanError = 0;
  double spread = 0;  // largest error minus smallest
  double stdDev = 0;  // sample standard deviation; NaN for a single measurement
  ErrorLimit limit;   // at the mean flow
  bool passed = false;
};

struct PackageVerdict {
  std::vector<RowVerdict> rows;  // the rows switched on, in table order
  std::vector<SectionVerdict> sections;
  double maxFlow = 0;  // the largest reference flow of the rows judged
  bool passed = false;
};

// Switched-off rows take no part. The sections are those of the table when every row judged
// carries a section number; otherwise (a package never grouped, a ZORB package) rows whose
// reference flows lie within `scatterPercent` of the first flow of a run, in ascending order of
// flow, form one section, as readings do when sections are grouped. A section passes on its mean
// error; the package passes when it has a section and every section passes. An undefined error
// passes nothing.
PackageVerdict judgePackage(const PackageBase& package, const ToleranceProfile& profile,
                            double scatterPercent);

// The sections judgePackage forms, for a package judged by no profile: their flows, mean errors,
// spreads and counts hold, their limits and verdicts mean nothing.
std::vector<SectionVerdict> packageSections(const PackageBase& package, double scatterPercent);

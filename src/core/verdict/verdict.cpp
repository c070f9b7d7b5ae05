#include "core/verdict/verdict.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace {

// Sections as numbered in the table: a map from number to the positions in `rows`.
std::vector<std::vector<size_t>> tableSections(const PackageBase& package,
                                               const std::vector<RowVerdict>& rows) {
  std::map<int, std::vector<size_t>> byNumber;
  for (size_t i = 0; i < rows.size(); ++i) {
    const int number = int(realValue(package, rows[i].row, colSection));
    if (number <= 0) return {};
    byNumber[number].push_back(i);
  }
  std::vector<std::vector<size_t>> sections;
  for (auto& [number, members] : byNumber) sections.push_back(std::move(members));
  return sections;
}

std::vector<std::vector<size_t>> flowSections(const std::vector<RowVerdict>& rows,
                                              double scatterPercent) {
  std::vector<size_t> order(rows.size());
  std::iota(order.begin(), order.end(), size_t{0});
  // An undefined flow (only from a damaged file) sorts last.
  auto magnitude = [&](size_t i) {
    return std::isnan(rows[i].flow) ? INFINITY : std::fabs(rows[i].flow);
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return magnitude(a) < magnitude(b); });
  std::vector<std::vector<size_t>> sections;
  double first = 0;
  for (size_t i : order) {
    const double flow = magnitude(i);
    const bool joins =
        !sections.empty() &&
        (flow == first || (first != 0 && (flow - first) * 100 / first <= scatterPercent));
    if (!joins) {
      sections.emplace_back();
      first = flow;
    }
    sections.back().push_back(i);
  }
  return sections;
}

SectionVerdict judgeSection(std::vector<RowVerdict>& rows, const std::vector<size_t>& members,
                            int number, const ToleranceProfile& profile, double maxFlow) {
  SectionVerdict s;
  double flowSum = 0, errorSum = 0;
  double lo = INFINITY, hi = -INFINITY;
  for (size_t i : members) {
    RowVerdict& r = rows[i];
    r.section = number;
    s.rows.push_back(r.row);
    flowSum += r.flow;
    errorSum += r.error;
    lo = std::min(lo, r.error);
    hi = std::max(hi, r.error);
  }
  const double n = double(members.size());
  s.flow = flowSum / n;
  s.meanError = errorSum / n;
  s.spread = hi - lo;
  if (members.size() < 2) {
    s.stdDev = NAN;
  } else {
    double squares = 0;
    for (size_t i : members)
      squares += (rows[i].error - s.meanError) * (rows[i].error - s.meanError);
    s.stdDev = std::sqrt(squares / (n - 1));
  }
  s.limit = limitAt(profile, s.flow, maxFlow);
  s.passed = s.limit.admits(s.meanError);
  std::sort(s.rows.begin(), s.rows.end());
  return s;
}

}  // namespace

PackageVerdict judgePackage(const PackageBase& package, const ToleranceProfile& profile,
                            double scatterPercent) {
  PackageVerdict verdict;
  for (int row = 0; row < package.entryCount(); ++row) {
    if (realValue(package, row, colSwitchedOff) != 0) continue;
    RowVerdict r;
    r.row = row;
    r.flow = realValue(package, row, colRefFlow);
    r.error = realValue(package, row, colFlowError);
    verdict.rows.push_back(r);
    if (std::isfinite(r.flow)) verdict.maxFlow = std::max(verdict.maxFlow, std::fabs(r.flow));
  }
  for (RowVerdict& r : verdict.rows) {
    r.limit = limitAt(profile, r.flow, verdict.maxFlow);
    r.within = r.limit.admits(r.error);
  }
  std::vector<std::vector<size_t>> sections = tableSections(package, verdict.rows);
  if (sections.empty()) sections = flowSections(verdict.rows, scatterPercent);
  for (const std::vector<size_t>& members : sections)
    verdict.sections.push_back(judgeSection(verdict.rows, members, int(verdict.sections.size()) + 1,
                                            profile, verdict.maxFlow));
  verdict.passed =
      !verdict.sections.empty() && std::all_of(verdict.sections.begin(), verdict.sections.end(),
                                               [](const SectionVerdict& s) { return s.passed; });
  return verdict;
}

std::vector<SectionVerdict> packageSections(const PackageBase& package, double scatterPercent) {
  const ToleranceProfile unlimited{{}, ZoneBasis::flow, {ToleranceZone{}}};
  return judgePackage(package, unlimited, scatterPercent).sections;
}

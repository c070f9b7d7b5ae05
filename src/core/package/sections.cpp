#include "core/package/sections.h"

#include <array>
#include <bit>
#include <utility>

namespace {

// A key whose unsigned order is the order of the flows: -0 counts as 0 and NaN as +infinity.
uint64_t orderKey(double flow) {
  if (std::isnan(flow)) flow = std::numeric_limits<double>::infinity();
  if (flow == 0) flow = 0;
  const auto bits = std::bit_cast<uint64_t>(flow);
  return (bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63);
}

struct Keyed {
  uint64_t key;
  uint32_t index;
};

// Least significant digit first: each pass is stable, so equal keys keep their order. Digits every
// key shares are skipped, which leaves two or three passes for flows of a few decades.
void radixSort(std::vector<Keyed>& items) {
  constexpr int kBits = 11;
  constexpr size_t kBuckets = size_t{1} << kBits;
  std::vector<Keyed> other(items.size());
  for (int shift = 0; shift < 64; shift += kBits) {
    std::array<size_t, kBuckets> counts{};
    for (const Keyed& k : items) ++counts[(k.key >> shift) & (kBuckets - 1)];
    if (counts[(items.front().key >> shift) & (kBuckets - 1)] == items.size()) continue;
    size_t sum = 0;
    for (size_t& c : counts) sum += std::exchange(c, sum);
    for (const Keyed& k : items) other[counts[(k.key >> shift) & (kBuckets - 1)]++] = k;
    items.swap(other);
  }
}

}  // namespace

std::vector<uint32_t> ascendingFlowOrder(const std::vector<double>& flows) {
  std::vector<Keyed> items(flows.size());
  bool sorted = true;
  for (size_t i = 0; i < flows.size(); ++i) {
    items[i] = {orderKey(flows[i]), uint32_t(i)};
    if (i > 0 && items[i].key < items[i - 1].key) sorted = false;
  }
  if (!sorted) {
    // Below a few hundred entries the buckets cost more than comparing.
    constexpr size_t kRadixFrom = 512;
    if (items.size() < kRadixFrom)
      std::stable_sort(items.begin(), items.end(),
                       [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    else
      radixSort(items);
  }
  std::vector<uint32_t> order(items.size());
  for (size_t i = 0; i < items.size(); ++i) order[i] = items[i].index;
  return order;
}

#include "core/package/sections.h"

#include <array>
#include <bit>
#include <utility>

#include "core/base/hugepages.h"

namespace {

// Least significant digit first: each pass is stable, so equal keys keep their order. Digits every
// key shares are skipped, which leaves two or three passes for flows of a few decades.
void radixSort(std::vector<FlowKey>& keys) {
  constexpr int kBits = 11;
  constexpr size_t kBuckets = size_t{1} << kBits;
  std::vector<FlowKey> other = flowKeyStorage(keys.size());
  for (int shift = 0; shift < 64; shift += kBits) {
    std::array<size_t, kBuckets> counts{};
    for (const FlowKey& k : keys) ++counts[(k.key >> shift) & (kBuckets - 1)];
    if (counts[(keys.front().key >> shift) & (kBuckets - 1)] == keys.size()) continue;
    size_t sum = 0;
    for (size_t& c : counts) sum += std::exchange(c, sum);
    for (const FlowKey& k : keys) other[counts[(k.key >> shift) & (kBuckets - 1)]++] = k;
    keys.swap(other);
  }
}

}  // namespace

FlowKey flowKey(double flow, uint32_t index) {
  if (std::isnan(flow)) flow = std::numeric_limits<double>::infinity();
  if (flow == 0) flow = 0;
  const auto bits = std::bit_cast<uint64_t>(flow);
  return {(bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63), index};
}

std::vector<FlowKey> flowKeyStorage(size_t count) {
  std::vector<FlowKey> keys;
  keys.reserve(count);
  preferHugePagesForReserve(keys);
  keys.resize(count);
  return keys;
}

void sortFlowKeys(std::vector<FlowKey>& keys) {
  auto less = [](const FlowKey& a, const FlowKey& b) { return a.key < b.key; };
  if (std::is_sorted(keys.begin(), keys.end(), less)) return;
  // Below a few hundred entries the buckets cost more than comparing.
  constexpr size_t kRadixFrom = 512;
  if (keys.size() < kRadixFrom)
    std::stable_sort(keys.begin(), keys.end(), less);
  else
    radixSort(keys);
}

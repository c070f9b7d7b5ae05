#include "core/base/hugepages.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

void preferHugePages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  constexpr std::size_t kWorthIt = 4 * kHugePage;
  if (bytes < kWorthIt) return;
  const auto from = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (from + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (from + bytes) & ~(kHugePage - 1);
  if (last <= first) return;
  // Only advice: a refusal changes nothing but the speed.
  ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

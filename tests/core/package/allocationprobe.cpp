#include "core/package/allocationprobe.h"

#include <atomic>
#include <cstdlib>
#include <new>

// The test program's global allocation functions, the plain and the no-throw forms (stable_sort
// takes its buffer with the latter and gives it back with the plain delete): malloc/free, plus a
// record of the largest request while a probe runs. They live apart from every caller so that no
// caller is compiled against their bodies.
namespace {
std::atomic<bool> gTracking{false};
std::atomic<size_t> gLargest{0};
}  // namespace

void* operator new(size_t size) {
  if (gTracking && size > gLargest) gLargest = size;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  if (gTracking && size > gLargest) gLargest = size;
  return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

size_t largestAllocationDuring(const std::function<void()>& fn) {
  gLargest = 0;
  gTracking = true;
  fn();
  gTracking = false;
  return gLargest;
}

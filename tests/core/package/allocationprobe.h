#pragma once

#include <cstddef>
#include <functional>

// The largest single allocation (operator new) made while fn runs: shows that a reader does not
// trust a record count from a file for its allocations.
size_t largestAllocationDuring(const std::function<void()>& fn);

// Counts heap allocations made by this process and the bytes they hold (the benchmark binary
// replaces operator new).
#pragma once

#include <cstddef>

namespace bench {
std::size_t allocationCount();
// Heap bytes held now, and the most held since the last resetHeapPeak().
std::size_t heapBytes();
std::size_t heapPeak();
void resetHeapPeak();
} // namespace bench

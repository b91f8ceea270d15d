// Counts heap allocations made by this process (the benchmark binary replaces operator new).
#pragma once

#include <cstddef>

namespace bench {
std::size_t allocationCount();
}

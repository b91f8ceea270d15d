#include "AllocationCounter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> allocations{0};
std::atomic<std::size_t> held{0};
std::atomic<std::size_t> peak{0};

void release(void* p) noexcept
{
    if (p) held.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}
} // namespace

std::size_t bench::allocationCount()
{
    return allocations.load(std::memory_order_relaxed);
}

std::size_t bench::heapBytes()
{
    return held.load(std::memory_order_relaxed);
}

std::size_t bench::heapPeak()
{
    return peak.load(std::memory_order_relaxed);
}

void bench::resetHeapPeak()
{
    peak.store(held.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        const std::size_t now =
            held.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
        std::size_t before = peak.load(std::memory_order_relaxed);
        while (now > before && !peak.compare_exchange_weak(before, now, std::memory_order_relaxed)) {
        }
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    release(p);
}
void operator delete[](void* p) noexcept
{
    release(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    release(p);
}

#include "d3dx/alloc_probe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace eh::test {
namespace {

std::atomic<std::size_t> largest{0};

void* allocate(std::size_t size) {
    std::size_t seen = largest.load(std::memory_order_relaxed);
    while (size > seen && !largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

}  // namespace

void resetLargestAllocation() { largest.store(0); }

std::size_t largestAllocation() { return largest.load(); }

}  // namespace eh::test

void* operator new(std::size_t size) { return eh::test::allocate(size); }
void* operator new[](std::size_t size) { return eh::test::allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

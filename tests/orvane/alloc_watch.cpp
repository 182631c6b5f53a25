#include "alloc_watch.h"

#include <cstdlib>
#include <new>

namespace orvane_test {

namespace {
AllocWatch current;
void* watched = nullptr;
std::size_t allocations = 0;
} // namespace

std::size_t AllocationCount() { return allocations; }

WatchAllocations::WatchAllocations(std::size_t size, bool failNext) { current = {size, 0, 0, failNext}; }
WatchAllocations::~WatchAllocations() { current = {}; }
const AllocWatch& WatchAllocations::watch() const { return current; }

} // namespace orvane_test

using orvane_test::allocations;
using orvane_test::current;
using orvane_test::watched;

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

void* operator new[](std::size_t size) {
    ++allocations;
    if (current.size && size == current.size) {
        if (current.failNext) {
            current.failNext = false;
            throw std::bad_alloc();
        }
        ++current.allocated;
        watched = std::malloc(size ? size : 1);
        if (!watched) throw std::bad_alloc();
        return watched;
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete[](void* p) noexcept {
    if (p && p == watched) {
        ++current.freed;
        watched = nullptr;
    }
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept { operator delete[](p); }

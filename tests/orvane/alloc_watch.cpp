#include "alloc_watch.h"

#include <cstdlib>
#include <new>

#include "vcl/memory_manager.h"

namespace orvane_test {

namespace {
AllocWatch current;
void* watched = nullptr;
std::size_t allocations = 0;
vcl::TMemoryManager shipped;

void* WatchedGetMem(std::size_t size) {
    if (size != current.size) return shipped.GetMem(size);
    if (current.failNext) {
        current.failNext = false;
        return nullptr;
    }
    ++current.allocated;
    watched = shipped.GetMem(size);
    return watched;
}

void WatchedFreeMem(void* p) {
    if (p == watched) {
        ++current.freed;
        watched = nullptr;
    }
    shipped.FreeMem(p);
}
} // namespace

std::size_t AllocationCount() { return allocations; }

WatchAllocations::WatchAllocations(std::size_t size, bool failNext) {
    current = {size, 0, 0, failNext};
    vcl::GetMemoryManager(shipped);
    vcl::SetMemoryManager({WatchedGetMem, WatchedFreeMem});
}

WatchAllocations::~WatchAllocations() {
    vcl::SetMemoryManager(shipped);
    current = {};
}

const AllocWatch& WatchAllocations::watch() const { return current; }

} // namespace orvane_test

using orvane_test::allocations;

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

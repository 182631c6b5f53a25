// Watches the runtime's memory manager for blocks of one size: how many
// were obtained (GetMem) and given back (FreeMem), and makes the next one
// fail on request. Counts every operator new of this program besides.
#pragma once

#include <cstddef>

namespace orvane_test {

struct AllocWatch {
    std::size_t size = 0; // 0: watch nothing
    int allocated = 0;
    int freed = 0;
    bool failNext = false;
};

// Watches `size` until the guard ends, in place of the runtime's manager.
class WatchAllocations {
public:
    explicit WatchAllocations(std::size_t size, bool failNext = false);
    ~WatchAllocations();
    WatchAllocations(const WatchAllocations&) = delete;
    WatchAllocations& operator=(const WatchAllocations&) = delete;
    const AllocWatch& watch() const;
};

// How many times operator new (of either form) has run in this program.
std::size_t AllocationCount();

} // namespace orvane_test

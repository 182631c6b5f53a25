// Watches the array allocations of one size in this test program: how many
// were made and freed, and makes the next one fail on request. Counts every
// allocation besides.
#pragma once

#include <cstddef>

namespace orvane_test {

struct AllocWatch {
    std::size_t size = 0; // 0: watch nothing
    int allocated = 0;
    int freed = 0;
    bool failNext = false;
};

// Watches `size` until the guard ends.
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

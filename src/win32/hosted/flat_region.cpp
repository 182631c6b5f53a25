// 32-bit flat addresses for memory of a 64-bit process: each registered
// region gets its own stretch of a synthetic address space, with unmapped
// gaps between regions so that an overrun never lands in a neighbour.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <vector>

#include "win32/flat.h"
#include "win32/hosted/flat_region.h"

namespace {

struct Region {
    DWORD start;
    void* base;
    std::size_t length;
    std::uint64_t span; // address space taken, at least one byte
};

// The live regions in address order. A program has a few at a time, so a
// vector that keeps its capacity serves every request without allocating.
class FlatTable {
public:
    DWORD Register(const void* base, std::size_t length) {
        if (!base) return 0;
        std::lock_guard lock(mutex_);
        std::uint64_t span = (std::max<std::uint64_t>(length, 1) + alignment - 1) / alignment * alignment;
        // First fit: the lowest gap that holds the span and a guard after it.
        std::uint64_t candidate = firstAddress;
        auto at = regions_.begin();
        for (; at != regions_.end(); ++at) {
            if (candidate + span + guard <= at->start) break;
            candidate = at->start + at->span + guard;
        }
        if (candidate + span > addressLimit) return 0;
        // A region may be written through when a request reads into it.
        regions_.insert(at, Region{static_cast<DWORD>(candidate), const_cast<void*>(base), length, span});
        return static_cast<DWORD>(candidate);
    }

    void Unregister(DWORD address) {
        std::lock_guard lock(mutex_);
        std::erase_if(regions_, [address](const Region& region) { return region.start == address; });
    }

    void* Resolve(DWORD address, std::size_t length) {
        std::lock_guard lock(mutex_);
        auto after = std::upper_bound(regions_.begin(), regions_.end(), address,
                                      [](DWORD value, const Region& region) { return value < region.start; });
        if (after == regions_.begin()) return nullptr;
        const Region& region = *std::prev(after);
        std::size_t offset = address - region.start;
        if (offset > region.length || length > region.length - offset) return nullptr;
        return static_cast<char*>(region.base) + offset;
    }

private:
    // Low addresses stay unused, so that small numbers never resolve.
    static constexpr std::uint64_t firstAddress = 0x00100000;
    static constexpr std::uint64_t guard = 0x1000;
    static constexpr std::uint64_t alignment = 16;
    static constexpr std::uint64_t addressLimit = std::uint64_t{1} << 32;

    std::mutex mutex_;
    std::vector<Region> regions_;
};

FlatTable& Table() {
    static FlatTable table;
    return table;
}

} // namespace

namespace win32 {

FlatRegion::FlatRegion(const void* base, std::size_t length) : address_(Table().Register(base, length)) {}

FlatRegion::~FlatRegion() {
    if (address_ != 0) Table().Unregister(address_);
}

} // namespace win32

namespace hosted {

void* ResolveFlat(DWORD address, std::size_t length) { return Table().Resolve(address, length); }

} // namespace hosted

// Counting the free clusters of an allocation bitmap, a cluster to a bit,
// as exFAT keeps one and NTFS its $Bitmap.
#pragma once

#include <bit>
#include <cstdint>
#include <span>

#include "win32/little_endian.h"

namespace hosted {

// The free clusters among the first `clusters` bits of a bitmap, a cluster
// to a bit from the lowest bit of the first byte on. Eight bytes are counted
// at once; on a volume mostly free or mostly used, most of them hold no
// used cluster, or no free one.
class FreeBitCounter {
public:
    explicit FreeBitCounter(std::uint32_t clusters) : left_(clusters) {}
    // Counts the next bytes of the bitmap; false once every cluster is counted.
    bool operator()(std::span<const std::uint8_t> bytes) {
        std::size_t at = 0;
        for (; left_ >= 64 && at + 8 <= bytes.size(); at += 8, left_ -= 64) {
            const std::uint64_t used = win32::Le64(bytes, at);
            free_ += used == 0 ? 64u : used == ~std::uint64_t{0} ? 0u : 64u - static_cast<unsigned>(std::popcount(used));
        }
        for (; at < bytes.size() && left_ > 0; ++at) {
            const unsigned bits = left_ < 8 ? static_cast<unsigned>(left_) : 8u;
            const unsigned used = static_cast<unsigned>(std::popcount(static_cast<unsigned>(bytes[at] & ((1u << bits) - 1))));
            free_ += bits - used;
            left_ -= bits;
        }
        return left_ > 0;
    }
    std::uint32_t Free() const { return free_; }

private:
    std::uint64_t left_;
    std::uint32_t free_ = 0;
};

} // namespace hosted

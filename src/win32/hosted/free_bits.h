// Counting free clusters in large metadata fast: a block that holds only
// free clusters, or only used ones, is seen as such without looking at each;
// and the allocation bitmap, a cluster to a bit, as exFAT keeps one and NTFS
// its $Bitmap.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

namespace hosted {

// Whether the `size` bytes from `at` all equal `fill` (0x00 or 0xFF), by a
// loop the compiler turns into vector instructions.
inline bool AllBytesAre(const std::uint8_t* at, std::size_t size, std::uint8_t fill) {
    std::uint8_t differ = 0;
    for (std::size_t i = 0; i < size; ++i) differ |= static_cast<std::uint8_t>(at[i] ^ fill);
    return differ == 0;
}

// Metadata is looked at in blocks of this much, most of which, on a volume
// mostly free or mostly used, hold no used cluster, or no free one.
constexpr std::size_t uniformBlockBytes = 4096;

// The free clusters among the first `clusters` bits of a bitmap, a cluster
// to a bit from the lowest bit of the first byte on.
class FreeBitCounter {
public:
    explicit FreeBitCounter(std::uint32_t clusters) : left_(clusters) {}
    // Counts the next bytes of the bitmap; false once every cluster is counted.
    bool operator()(std::span<const std::uint8_t> bytes) {
        std::size_t at = 0;
        for (; left_ >= blockBits && at + uniformBlockBytes <= bytes.size(); at += uniformBlockBytes, left_ -= blockBits) {
            const std::uint8_t* const block = bytes.data() + at;
            if (AllBytesAre(block, uniformBlockBytes, 0x00)) free_ += blockBits;
            else if (!AllBytesAre(block, uniformBlockBytes, 0xFF))
                for (std::size_t word = 0; word < uniformBlockBytes; word += 8)
                    free_ += 64u - static_cast<unsigned>(std::popcount(WordAt(block + word)));
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
    // Whole words hold no cluster's bit apart, so their byte order is no matter.
    static std::uint64_t WordAt(const std::uint8_t* at) {
        std::uint64_t word = 0;
        std::memcpy(&word, at, sizeof word);
        return word;
    }

    static constexpr std::uint64_t blockBits = uniformBlockBytes * 8;
    std::uint64_t left_;
    std::uint32_t free_ = 0;
};

} // namespace hosted

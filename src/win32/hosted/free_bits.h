// Counting the free clusters of an allocation bitmap, a cluster to a bit,
// as exFAT keeps one and NTFS its $Bitmap.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

namespace hosted {

// The free clusters among the first `clusters` bits of a bitmap, a cluster
// to a bit from the lowest bit of the first byte on. A bitmap is counted a
// block of 4 KiB at a time: on a volume mostly free or mostly used, most
// blocks hold no used cluster, or no free one, which a loop the compiler
// turns into vector instructions sees.
class FreeBitCounter {
public:
    explicit FreeBitCounter(std::uint32_t clusters) : left_(clusters) {}
    // Counts the next bytes of the bitmap; false once every cluster is counted.
    bool operator()(std::span<const std::uint8_t> bytes) {
        std::size_t at = 0;
        for (; left_ >= blockBits && at + blockBytes <= bytes.size(); at += blockBytes, left_ -= blockBits) {
            const std::uint8_t* const block = bytes.data() + at;
            std::uint64_t any = 0, all = ~std::uint64_t{0};
            for (std::size_t word = 0; word < blockBytes; word += 8) {
                const std::uint64_t bits = WordAt(block + word);
                any |= bits;
                all &= bits;
            }
            if (any == 0) free_ += blockBits;
            else if (all != ~std::uint64_t{0})
                for (std::size_t word = 0; word < blockBytes; word += 8)
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

    static constexpr std::size_t blockBytes = 4096;
    static constexpr std::uint64_t blockBits = blockBytes * 8;
    std::uint64_t left_;
    std::uint32_t free_ = 0;
};

} // namespace hosted

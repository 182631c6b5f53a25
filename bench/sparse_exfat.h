// A sparse exFAT volume as large as exFAT numbers clusters, for the row of
// measuring one: mkfs.exfat makes no volume of 512-byte clusters beyond a
// few hundred GiB, and writes every entry of its FAT (16 GiB here).
#pragma once

#include <cstdint>
#include <filesystem>

namespace bench {

// `bytes` of volume in clusters of 2^`shift` sectors of 512 bytes: its boot
// sector, the chains of its allocation bitmap and root directory in its FAT,
// the bitmap's bits of those clusters and the root directory's entry for the
// bitmap, written into a new sparse file; the rest, free, is a hole.
struct SparseExfat {
    SparseExfat(const std::filesystem::path& path, std::uint64_t bytes, unsigned shift);
    std::uint64_t bitmapOffset; // where the allocation bitmap lies, in bytes
    std::uint64_t bitmapBytes;
};

} // namespace bench

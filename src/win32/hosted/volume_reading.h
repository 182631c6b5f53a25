// What the hosted PC finds on a medium: a volume of a file system that
// Windows mounts, with the figures GetDiskFreeSpaceA reports and where the
// file system lies, or the Windows error and what is wrong, in words.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "win32/hosted/backing.h"
#include "win32/hosted/result.h"
#include "win32/win32.h"

namespace hosted {

enum class FileSystem { Fat12, Fat16, Fat32, Ntfs, Exfat };

struct MountedVolume {
    FileSystem fileSystem;
    unsigned bytesPerSector;
    unsigned sectorsPerCluster;
    std::uint32_t totalClusters;
    std::uint32_t freeClusters; // 0 unless they were counted
    std::uint64_t bootBytes;    // its boot sectors, from the first sector on
    std::uint64_t spanBytes;    // what its file system spans from the first sector; nothing beyond is part of it
};

// The volume a boot sector's layout describes, with `clusters` clusters and
// boot sectors of `bootBytes`: what it spans, all but its free clusters.
template <class Layout>
MountedVolume VolumeOf(FileSystem fileSystem, const Layout& layout, std::uint32_t clusters, std::uint64_t bootBytes) {
    const std::uint64_t bytes = std::uint64_t{layout.totalSectors} * layout.bytesPerSector;
    return {fileSystem, layout.bytesPerSector, layout.sectorsPerCluster, clusters, 0, std::min(bootBytes, bytes), bytes};
}

// The first 512 bytes of a medium, which hold every boot sector's figures,
// and the medium's size; ERROR_NOT_READY when they cannot be read.
struct MediumStart {
    std::array<std::uint8_t, 512> sector{};
    std::uint64_t size = 0;
};
Result<MediumStart> ReadMediumStart(const Backing& medium);

// The refusal of a boot sector that is no consistent one of `fileSystem`:
// ERROR_UNRECOGNIZED_VOLUME, "holds no NTFS boot sector: " and `problem`.
Refusal NoBootSector(const char* fileSystem, const std::string& problem);

// ERROR_NOT_READY, "claims 20480 sectors (10485760 bytes) in its boot
// sector, but holds only 1048576 bytes", when a volume claims more than its
// medium holds: its structures would lie beyond the end.
std::optional<Refusal> ClaimBeyondMedium(std::uint64_t sectors, unsigned bytesPerSector, std::uint64_t mediumBytes);

// The layout a reader found in a boot sector, unless the volume claims more
// than its medium holds.
template <class Layout>
Result<Layout> WithinMedium(Result<Layout> boot, std::uint64_t mediumBytes) {
    if (!boot) return boot;
    if (std::optional<Refusal> beyond = ClaimBeyondMedium(boot->totalSectors, boot->bytesPerSector, mediumBytes))
        return *beyond;
    return boot;
}

// The volume on `medium` as Windows mounts it: FAT on every Windows, NTFS
// and exFAT on NT only (Windows 95/98 recognise none of them). With
// `countFree` its free clusters are counted (a scan of the FAT, $Bitmap or
// allocation bitmap); without, it is read no further than where its file
// system lies needs.
Result<MountedVolume> ReadVolume(const Backing& medium, bool nt, bool countFree);

} // namespace hosted

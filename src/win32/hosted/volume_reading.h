// What the hosted PC finds on a medium: a volume of a file system that
// Windows mounts, with the figures GetDiskFreeSpaceA reports and where the
// file system lies, or the Windows error and what is wrong, in words.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "win32/hosted/backing.h"
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

struct VolumeReading {
    std::optional<MountedVolume> volume;
    DWORD error = ERROR_SUCCESS; // ERROR_NOT_READY or ERROR_UNRECOGNIZED_VOLUME when there is none
    std::string problem;         // to follow the medium's name: "is empty"

    static VolumeReading Failed(DWORD error, std::string problem) { return {std::nullopt, error, std::move(problem)}; }
};

// The volume a boot sector's layout describes, with `clusters` clusters and
// boot sectors of `bootBytes`: what it spans, all but its free clusters.
template <class Layout>
MountedVolume VolumeOf(FileSystem fileSystem, const Layout& layout, std::uint32_t clusters, std::uint64_t bootBytes) {
    const std::uint64_t bytes = std::uint64_t{layout.totalSectors} * layout.bytesPerSector;
    return {fileSystem, layout.bytesPerSector, layout.sectorsPerCluster, clusters, 0, std::min(bootBytes, bytes), bytes};
}

// The first 512 bytes of a medium, which hold every boot sector's figures,
// and the medium's size; `problem` says why they could not be read.
struct MediumStart {
    std::array<std::uint8_t, 512> sector{};
    std::uint64_t size = 0;
    std::string problem;
};
MediumStart ReadMediumStart(const Backing& medium);

// The layout a reader finds in a boot sector whose fields are a consistent
// one of its file system, or what makes it none ("bytes per sector is 0, not
// a power of two from 512 to 4096").
template <class Layout>
struct BootReading {
    std::optional<Layout> layout;
    std::string problem;
};

// ERROR_NOT_READY, "claims 20480 sectors (10485760 bytes) in its boot sector,
// but holds only 1048576 bytes", when a volume claims more than its medium
// holds: its structures would lie beyond the end.
std::optional<VolumeReading> ClaimBeyondMedium(std::uint64_t sectors, unsigned bytesPerSector,
                                               std::uint64_t mediumBytes);

// Why the volume whose boot sector `boot` read cannot be mounted: it holds no
// boot sector of `fileSystem` (ERROR_UNRECOGNIZED_VOLUME, "holds no NTFS boot
// sector: ..."), or one that claims more than the medium holds; nothing
// when it can.
template <class Layout>
std::optional<VolumeReading> RefusalOf(const BootReading<Layout>& boot, const char* fileSystem,
                                       std::uint64_t mediumBytes) {
    if (!boot.layout)
        return VolumeReading::Failed(ERROR_UNRECOGNIZED_VOLUME,
                                     std::string("holds no ") + fileSystem + " boot sector: " + boot.problem);
    return ClaimBeyondMedium(boot.layout->totalSectors, boot.layout->bytesPerSector, mediumBytes);
}

// The volume on `medium` as Windows mounts it: FAT on every Windows, NTFS
// and exFAT on NT only (Windows 95/98 recognise none of them). With
// `countFree` its free clusters are counted (a scan of the FAT, $Bitmap or
// allocation bitmap); without, it is read no further than where its file
// system lies needs.
VolumeReading ReadVolume(const Backing& medium, bool nt, bool countFree);

} // namespace hosted

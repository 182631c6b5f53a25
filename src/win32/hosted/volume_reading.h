// What the hosted PC finds on a medium: a volume of a file system that
// Windows mounts, with the figures GetDiskFreeSpaceA reports and where the
// file system lies, or the Windows error and what is wrong, in words.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

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

// The first 512 bytes of a medium, which hold every boot sector's figures,
// and the medium's size; `problem` says why they could not be read.
struct MediumStart {
    std::array<std::uint8_t, 512> sector{};
    std::uint64_t size = 0;
    std::string problem;
};
MediumStart ReadMediumStart(const Backing& medium);

// "claims 20480 sectors (10485760 bytes) in its boot sector, but holds only
// 1048576 bytes", when a volume claims more than its medium holds.
std::optional<std::string> ClaimBeyondMedium(std::uint64_t sectors, unsigned bytesPerSector, std::uint64_t mediumBytes,
                                             const char* where);

// The volume on `medium` as Windows mounts it: FAT on every Windows, NTFS
// and exFAT on NT only (Windows 95/98 recognise none of them). With
// `countFree` its free clusters are counted (a scan of the FAT, $Bitmap or
// allocation bitmap); without, it is read no further than where its file
// system lies needs.
VolumeReading ReadVolume(const Backing& medium, bool nt, bool countFree);

} // namespace hosted

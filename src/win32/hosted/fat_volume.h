// A FAT12/16/32 volume as Windows' FAT driver sees it: the layout its boot
// sector declares, and the free clusters of its first FAT.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "win32/hosted/backing.h"
#include "win32/win32.h"

namespace hosted {

enum class FatType { Fat12, Fat16, Fat32 };

struct FatLayout {
    FatType type;
    unsigned bytesPerSector;
    unsigned sectorsPerCluster;
    std::uint32_t reservedSectors;
    unsigned fatCount;
    std::uint32_t sectorsPerFat;
    std::uint32_t rootDirSectors;
    std::uint32_t totalSectors;
    std::uint32_t dataClusters;
};

// The layout of a boot sector whose BIOS parameter block is a consistent
// FAT one (the type follows from the cluster count alone), else nullopt.
std::optional<FatLayout> ParseBootSector(std::span<const std::uint8_t> sector);

// Reads the boot sector and counts the free clusters of the first FAT.
struct VolumeProbe {
    std::optional<FatLayout> layout;
    std::uint32_t freeClusters = 0;
    DWORD error = ERROR_SUCCESS; // ERROR_NOT_READY or ERROR_UNRECOGNIZED_VOLUME
};
VolumeProbe ProbeVolume(const Backing& medium, bool countFree);

} // namespace hosted

// A FAT12/16/32 volume as Windows' FAT driver sees it: the layout its boot
// sector declares, and the free clusters of its first FAT.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "win32/hosted/backing.h"
#include "win32/hosted/volume_reading.h"
#include "win32/fat_type.h"
#include "win32/win32.h"

namespace hosted {

struct FatLayout {
    win32::FatType type;
    unsigned bytesPerSector;
    unsigned sectorsPerCluster;
    std::uint32_t reservedSectors;
    unsigned fatCount;
    std::uint32_t sectorsPerFat;
    std::uint32_t rootDirSectors;
    std::uint32_t totalSectors;
    std::uint32_t dataClusters;
};

// FAT32 cluster numbers have 28 bits, and the highest ones mark bad and last
// clusters: data clusters are numbered 2 to 0x0FFFFFF6.
constexpr std::uint32_t maxFat32Clusters = 0x0FFFFFF5;

// The layout of a boot sector whose BIOS parameter block is a consistent FAT
// one (the type follows from the cluster count alone), or what makes it none.
BootReading<FatLayout> ParseBootSector(std::span<const std::uint8_t> sector);

// Reads the boot sector, checks the volume against the medium's size, and
// counts the free clusters of the first FAT when `countFree` asks.
struct VolumeProbe {
    std::optional<FatLayout> layout;
    std::uint32_t freeClusters = 0;
    DWORD error = ERROR_SUCCESS; // ERROR_NOT_READY or ERROR_UNRECOGNIZED_VOLUME
    std::string problem;         // what is wrong, in words, when there is no layout
};
VolumeProbe ProbeVolume(const Backing& medium, bool countFree);
// The same, from the medium's start read already.
VolumeProbe ProbeVolume(const Backing& medium, const MediumStart& start, bool countFree);

} // namespace hosted

// A FAT12/16/32 volume as Windows' FAT driver sees it: the layout its boot
// sector declares, and the free clusters of its first FAT.
#pragma once

#include <cstdint>
#include <span>

#include "win32/hosted/backing.h"
#include "win32/hosted/result.h"
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
Result<FatLayout> ParseBootSector(std::span<const std::uint8_t> sector);
// The layout of the volume whose medium starts with `start`, which holds it.
Result<FatLayout> FatLayoutOf(const MediumStart& start);
// The same, read from `medium`.
Result<FatLayout> ProbeVolume(const Backing& medium);
// The free clusters of the volume's first FAT.
Result<std::uint32_t> CountFreeClusters(const Backing& medium, const FatLayout& layout);

} // namespace hosted

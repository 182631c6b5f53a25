// An exFAT volume as Windows' exFAT driver reads it: the layout of its main
// boot sector, and the free clusters of its allocation bitmap.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "win32/hosted/backing.h"
#include "win32/hosted/volume_reading.h"

namespace hosted {

struct ExfatLayout {
    unsigned bytesPerSector;
    unsigned sectorsPerCluster;
    std::uint64_t totalSectors; // the volume length
    std::uint32_t fatOffset; // in sectors, as the next two
    std::uint32_t fatLength;
    std::uint32_t clusterHeapOffset;
    std::uint32_t clusterCount;
    std::uint32_t rootCluster;
};

// The layout of a main boot sector whose fields are a consistent exFAT one,
// or what makes it none.
Result<ExfatLayout> ParseExfatBootSector(std::span<const std::uint8_t> sector);

// The exFAT volume that begins `start`, checked against its medium; its free
// clusters are those its allocation bitmap marks free, found through the
// root directory and the FAT chains, when `countFree` asks.
Result<MountedVolume> ReadExfatVolume(const Backing& medium, const MediumStart& start, bool countFree);

} // namespace hosted

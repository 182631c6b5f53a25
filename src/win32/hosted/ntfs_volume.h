// An NTFS volume as NT's NTFS driver reads it: the layout of its boot sector,
// and the free clusters of its $Bitmap, which libntfs-3g reads.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "win32/hosted/backing.h"
#include "win32/hosted/volume_reading.h"

namespace hosted {

struct NtfsLayout {
    unsigned bytesPerSector;
    unsigned sectorsPerCluster;
    std::uint64_t totalSectors; // those of the file system; the backup boot sector follows them
    std::uint32_t totalClusters;
};

// The layout of a boot sector whose fields are a consistent NTFS one, or what
// makes it none.
Result<NtfsLayout> ParseNtfsBootSector(std::span<const std::uint8_t> sector);

// The NTFS volume that begins `start`, checked against its medium. When
// `countFree` asks, libntfs-3g mounts it read-only and counts its free
// clusters; a volume it cannot mount is none.
Result<MountedVolume> ReadNtfsVolume(const Backing& medium, const MediumStart& start, bool countFree);

} // namespace hosted

// Where a volume's file system lies, as its boot sector declares it: the
// areas that come before its clusters, and the sectors it spans. zelvan reads
// the boot sector through the component, to explain the size bound and to
// draw the volume.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zelvan_cli {

struct VolumeLayout {
    std::string fileSystem;          // "FAT12", "FAT16", "FAT32", "exFAT" or "NTFS"
    std::uint64_t totalSectors = 0;  // what the volume spans
    std::uint64_t clustersStart = 0; // the sector of the first cluster
    // Of FAT (and exFAT's FAT): the reserved sectors before the first FAT,
    // the FATs, and FAT12/16's root folder, which lies after them.
    std::uint32_t reservedSectors = 0;
    std::uint32_t fatCount = 0;
    std::uint32_t sectorsPerFat = 0;
    std::uint32_t rootSectors = 0;
    std::uint32_t rootCluster = 0; // FAT32's root folder
    bool IsFat() const { return fileSystem.starts_with("FAT"); }
    // "the boot area, FATs and root folder" that come before the clusters.
    std::string AreasBeforeClusters() const;
    // "FAT12 of 2880 sectors: boot area 0, 2 FATs 1 to 18, root folder 19
    // to 32, clusters from 33"
    std::string Describe() const;
};

// "7" or "1 to 18": the sectors first to last.
std::string SectorSpan(std::uint64_t first, std::uint64_t last);

// The layout of the boot sector `sector` (its bytes per sector long) of a
// volume that the machine measured with `sectorsPerCluster`; nothing for a
// boot sector whose fields do not describe a volume.
std::optional<VolumeLayout> LayoutOf(std::span<const std::uint8_t> sector, std::uint32_t sectorsPerCluster);

} // namespace zelvan_cli

#include "zelvan/volume_layout.h"

#include <algorithm>
#include <string_view>

#include "win32/fat_type.h"
#include "win32/little_endian.h"

namespace zelvan_cli {

namespace {

bool HasOemName(std::span<const std::uint8_t> sector, std::string_view name) {
    return std::equal(name.begin(), name.end(), sector.begin() + 3);
}

std::optional<VolumeLayout> FatLayout(std::span<const std::uint8_t> b, std::uint32_t sectorsPerCluster) {
    const std::uint32_t bytesPerSector = win32::Le16(b, 11), rootEntries = win32::Le16(b, 17);
    VolumeLayout layout;
    layout.reservedSectors = win32::Le16(b, 14);
    layout.fatCount = b[16];
    layout.totalSectors = win32::Le16(b, 19) != 0 ? win32::Le16(b, 19) : win32::Le32(b, 32);
    layout.sectorsPerFat = win32::Le16(b, 22) != 0 ? win32::Le16(b, 22) : win32::Le32(b, 36);
    if (bytesPerSector == 0 || sectorsPerCluster == 0 || layout.reservedSectors == 0 || layout.fatCount == 0)
        return std::nullopt;
    layout.rootSectors = (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
    layout.clustersStart =
        layout.reservedSectors + std::uint64_t{layout.fatCount} * layout.sectorsPerFat + layout.rootSectors;
    if (layout.clustersStart >= layout.totalSectors) return std::nullopt;
    const auto clusters = static_cast<std::uint32_t>((layout.totalSectors - layout.clustersStart) / sectorsPerCluster);
    switch (win32::FatTypeOf(clusters)) {
    case win32::FatType::Fat12: layout.fileSystem = "FAT12"; break;
    case win32::FatType::Fat16: layout.fileSystem = "FAT16"; break;
    case win32::FatType::Fat32:
        layout.fileSystem = "FAT32";
        layout.rootCluster = win32::Le32(b, 44);
        break;
    }
    return layout;
}

} // namespace

std::string VolumeLayout::AreasBeforeClusters() const {
    if (fileSystem == "NTFS") return "";
    if (fileSystem == "exFAT") return "the boot region and the FAT";
    return rootSectors ? "the boot area, FATs and root folder" : "the boot area and FATs";
}

std::string SectorSpan(std::uint64_t first, std::uint64_t last) {
    return first == last ? std::to_string(first) : std::to_string(first) + " to " + std::to_string(last);
}

std::string VolumeLayout::Describe() const {
    std::string text = fileSystem + " of " + std::to_string(totalSectors) + " sectors";
    if (fileSystem == "NTFS") return text + ": clusters from sector 0";
    const std::uint64_t fats = std::uint64_t{fatCount} * sectorsPerFat;
    text += ": boot " + std::string(IsFat() ? "area " : "region ") + SectorSpan(0, reservedSectors - 1) + ", " +
            std::to_string(fatCount) + (fatCount == 1 ? " FAT " : " FATs ") +
            SectorSpan(reservedSectors, reservedSectors + fats - 1);
    if (rootSectors) text += ", root folder " + SectorSpan(reservedSectors + fats, reservedSectors + fats + rootSectors - 1);
    return text + ", clusters from " + std::to_string(clustersStart);
}

std::optional<VolumeLayout> LayoutOf(std::span<const std::uint8_t> sector, std::uint32_t sectorsPerCluster) {
    if (sector.size() < 512) return std::nullopt;
    if (HasOemName(sector, "NTFS    ")) {
        VolumeLayout layout;
        layout.fileSystem = "NTFS";
        layout.totalSectors = win32::Le64(sector, 40);
        return layout;
    }
    if (HasOemName(sector, "EXFAT   ")) {
        VolumeLayout layout;
        layout.fileSystem = "exFAT";
        layout.totalSectors = win32::Le64(sector, 72);
        layout.reservedSectors = win32::Le32(sector, 80);
        layout.sectorsPerFat = win32::Le32(sector, 84);
        layout.fatCount = sector[110];
        layout.clustersStart = win32::Le32(sector, 88);
        layout.rootCluster = win32::Le32(sector, 96);
        if (layout.reservedSectors == 0 || layout.fatCount == 0) return std::nullopt;
        return layout;
    }
    return FatLayout(sector, sectorsPerCluster);
}

} // namespace zelvan_cli

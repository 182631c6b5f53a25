#include "zelvan/volume_map.h"

#include <algorithm>

#include "common/outcome.h"
#include "win32/little_endian.h"
#include "zelvan/selection.h"
#include "zelvan/transfer.h"

namespace zelvan_cli {

namespace {

constexpr SectorKindRow kindRows[] = {
    {SectorKind::Free, "free clusters", {215, 215, 215}},
    {SectorKind::Used, "used clusters", {40, 160, 70}},
    {SectorKind::Clusters, "clusters (use not read)", {70, 160, 170}},
    {SectorKind::Root, "root folder", {150, 60, 180}},
    {SectorKind::Fat, "FATs", {235, 140, 20}},
    {SectorKind::Boot, "boot area", {40, 60, 160}},
    {SectorKind::OutOfReach, "from B - 1 on: out of reach", {80, 80, 80}},
    {SectorKind::Untried, "not tried (rescue map)", {240, 215, 30}},
    {SectorKind::Bad, "bad (rescue map)", {220, 30, 30}},
};

// The first FAT, read through the component in pieces.
std::vector<std::uint8_t> ReadFat(Orvane::TZelvan& zelvan, const DriveFacts& drive, const VolumeLayout& layout) {
    const std::uint32_t bytesPerSector = drive.geometry.BytesPerSector;
    std::vector<std::uint8_t> fat(std::size_t{layout.sectorsPerFat} * bytesPerSector);
    const std::uint32_t perPiece = std::max<std::uint32_t>(1, pieceBytes / bytesPerSector);
    for (std::uint32_t done = 0; done < layout.sectorsPerFat;) {
        const std::uint32_t count = std::min(perPiece, layout.sectorsPerFat - done);
        const std::uint32_t first = layout.reservedSectors + done;
        SelectRun(zelvan, drive, first, count);
        if (!zelvan.ReadSectors(fat.data() + std::size_t{done} * bytesPerSector,
                                static_cast<int>(count * bytesPerSector) - 1))
            throw tools::Failure("cannot draw drive " + std::string{drive.letter} + ": its FAT (sectors " +
                                 SectorSpan(first, first + count - 1) + ") could not be read; --trace shows why");
        done += count;
    }
    return fat;
}

// Whether FAT entry `cluster` is 0, which marks a free cluster; an entry
// past the FAT's end counts as used.
bool IsFree(const std::vector<std::uint8_t>& fat, const std::string& fileSystem, std::uint64_t cluster) {
    if (fileSystem == "FAT12") {
        const std::uint64_t at = cluster + cluster / 2;
        if (at + 2 > fat.size()) return false;
        const std::uint16_t pair = win32::Le16(fat, at);
        return (cluster % 2 ? pair >> 4 : pair & 0xFFF) == 0;
    }
    if (fileSystem == "FAT16") return cluster * 2 + 2 <= fat.size() && win32::Le16(fat, cluster * 2) == 0;
    return cluster * 4 + 4 <= fat.size() && (win32::Le32(fat, cluster * 4) & 0x0FFFFFFF) == 0;
}

void PaintClusters(VolumeMap& map, Orvane::TZelvan& zelvan, const DriveFacts& drive, const VolumeLayout& layout) {
    const std::uint64_t clusters = drive.geometry.TotalClusters, perCluster = drive.geometry.SectorsPerCluster;
    if (!layout.IsFat()) {
        map.Paint(layout.clustersStart, clusters * perCluster, SectorKind::Clusters);
        return;
    }
    const std::vector<std::uint8_t> fat = ReadFat(zelvan, drive, layout);
    // Runs of clusters of one state, painted at once.
    std::uint64_t runStart = 0;
    bool runFree = false;
    for (std::uint64_t index = 0; index <= clusters; ++index) {
        const bool free = index < clusters && IsFree(fat, layout.fileSystem, index + 2);
        if (index != 0 && (index == clusters || free != runFree))
            map.Paint(layout.clustersStart + runStart * perCluster, (index - runStart) * perCluster,
                      runFree ? SectorKind::Free : SectorKind::Used);
        if (index == 0 || free != runFree) {
            runStart = index;
            runFree = free;
        }
    }
}

} // namespace

std::span<const SectorKindRow> SectorKinds() { return kindRows; }

const SectorKindRow& RowOf(SectorKind kind) { return kindRows[static_cast<std::size_t>(kind)]; }

VolumeMap::VolumeMap(std::uint64_t sectors, std::uint64_t maxCells)
    : sectors_(sectors), perCell_(std::max<std::uint64_t>(1, (sectors + maxCells - 1) / maxCells)),
      cells_((sectors + perCell_ - 1) / perCell_, SectorKind::Free) {}

void VolumeMap::Paint(std::uint64_t first, std::uint64_t count, SectorKind kind) {
    if (count == 0 || first >= sectors_) return;
    const std::uint64_t last = std::min(first + count, sectors_) - 1;
    for (std::uint64_t cell = first / perCell_; cell <= last / perCell_; ++cell) cells_[cell] = std::max(cells_[cell], kind);
}

VolumeMap MapVolume(Orvane::TZelvan& zelvan, const DriveFacts& drive, const VolumeReach& reach, std::uint64_t maxCells,
                    std::span<const MapArea> rescue) {
    const VolumeLayout& layout = *reach.layout;
    VolumeMap map(reach.Sectors().value_or(layout.totalSectors), maxCells);
    const std::uint64_t fats = std::uint64_t{layout.fatCount} * layout.sectorsPerFat;
    map.Paint(0, layout.reservedSectors, SectorKind::Boot);
    map.Paint(layout.reservedSectors, fats, SectorKind::Fat);
    map.Paint(layout.reservedSectors + fats, layout.rootSectors, SectorKind::Root);
    // exFAT's cluster heap may start well after its FAT: the boot region's too.
    const std::uint64_t beforeClusters = layout.reservedSectors + fats + layout.rootSectors;
    map.Paint(beforeClusters, layout.clustersStart - std::min(beforeClusters, layout.clustersStart), SectorKind::Boot);
    PaintClusters(map, zelvan, drive, layout);
    const std::uint64_t bound = drive.SizeBound();
    const std::uint64_t outOfReach = bound == 0 ? 0 : bound - 1;
    map.Paint(outOfReach, map.Sectors() - std::min(outOfReach, map.Sectors()), SectorKind::OutOfReach);
    for (const MapArea& area : rescue)
        if (area.status != sectorsRead)
            map.Paint(area.first, area.count, area.status == sectorsBad ? SectorKind::Bad : SectorKind::Untried);
    return map;
}

} // namespace zelvan_cli

// What the sectors of a volume hold, gathered into cells for a picture:
// the boot area, FATs and root folder, used and free clusters (read from the
// FAT through the component), the sectors from B - 1 on that read cannot
// reach, and a rescue map's bad and untried sectors.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "orvane/orvane.h"
#include "zelvan/drive_facts.h"
#include "zelvan/pixel_font.h"
#include "zelvan/rescue_map.h"
#include "zelvan/volume_reach.h"

namespace zelvan_cli {

// A cell shows the last of its sectors' kinds in this order, so that a bad
// sector, or one out of reach, is never hidden among free ones.
enum class SectorKind : std::uint8_t { Free, Used, Clusters, Root, Fat, Boot, OutOfReach, Untried, Bad };

struct SectorKindRow {
    SectorKind kind;
    std::string_view name; // as the legend says it
    Rgb rgb;
};
std::span<const SectorKindRow> SectorKinds();
const SectorKindRow& RowOf(SectorKind kind);

class VolumeMap {
public:
    // `sectors` in at most `maxCells` cells of as few sectors each as that allows.
    VolumeMap(std::uint64_t sectors, std::uint64_t maxCells);

    void Paint(std::uint64_t first, std::uint64_t count, SectorKind kind);

    std::uint64_t Sectors() const { return sectors_; }
    std::uint64_t SectorsPerCell() const { return perCell_; }
    const std::vector<SectorKind>& Cells() const { return cells_; }

private:
    std::uint64_t sectors_;
    std::uint64_t perCell_;
    std::vector<SectorKind> cells_;
};

// The map of `drive`, which `zelvan` has selected and `reach` describes
// (with a layout), in at most `maxCells` cells; with `rescue`, the areas of a
// rescue map of the drive. Throws Failure when the FAT cannot be read.
VolumeMap MapVolume(Orvane::TZelvan& zelvan, const DriveFacts& drive, const VolumeReach& reach, std::uint64_t maxCells,
                    std::span<const MapArea> rescue);

} // namespace zelvan_cli

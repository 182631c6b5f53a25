#include "zelvan/volume_reach.h"

#include <vector>

#include "zelvan/format_names.h"
#include "zelvan/machine_setup.h"
#include "zelvan/selection.h"

namespace zelvan_cli {

namespace {

std::string Range(std::uint64_t first, std::uint64_t last) {
    return (first == last ? "sector " : "sectors ") + SectorSpan(first, last);
}

} // namespace

std::optional<std::uint64_t> VolumeReach::Sectors() const {
    if (mediumSectors) return mediumSectors;
    if (layout) return layout->totalSectors;
    return std::nullopt;
}

VolumeReach LookAtVolume(Orvane::TZelvan& zelvan, const DriveFacts& drive) {
    VolumeReach reach;
    const std::uint32_t bytesPerSector = drive.geometry.BytesPerSector;
    if (const std::optional<machine::DriveBacking> backing = machine::InspectDrive(drive.letter);
        backing && backing->bytes && bytesPerSector)
        reach.mediumSectors = *backing->bytes / bytesPerSector;
    if (drive.SizeBound() < 2) {
        reach.unread = "B leaves no run that holds sector 0";
        return reach;
    }
    SelectRun(zelvan, drive, 0, 1);
    std::vector<std::uint8_t> sector(bytesPerSector);
    if (!zelvan.ReadSectors(sector.data(), static_cast<int>(sector.size()) - 1)) {
        reach.unread = "ReadSectors returned false for sector 0";
        return reach;
    }
    reach.layout = LayoutOf(sector, drive.geometry.SectorsPerCluster);
    if (!reach.layout) reach.unread = "its boot sector lays out no volume zelvan knows";
    return reach;
}

std::string OutOfReach(const DriveFacts& drive, const VolumeReach& reach) {
    const std::optional<std::uint64_t> sectors = reach.Sectors();
    const std::uint64_t bound = drive.SizeBound();
    // The last sector a run reaches is B - 2: FIRST + COUNT stays below B.
    const std::uint64_t first = bound == 0 ? 0 : bound - 1;
    if (!sectors) return "sectors " + std::to_string(first) + " on (the medium's size is not known here)";
    if (first >= *sectors) return "none";
    std::string text = Range(first, *sectors - 1) + " (" + std::to_string(*sectors - first) + " sectors) of " +
                       std::to_string(*sectors) + ": a run ends below B (FIRST + COUNT < " + std::to_string(bound) +
                       ")" + (bound >= 2 ? ", so read and write reach sector " + std::to_string(bound - 2) + " last" : "");
    const std::string wrap = BoundWrapNote(drive);
    if (!wrap.empty()) text += "; " + wrap;
    if (reach.layout && reach.layout->clustersStart > 0)
        text += "; B counts the clusters' " + std::to_string(drive.ClusterSectors()) + " sectors alone, while " +
                reach.layout->AreasBeforeClusters() + " take " + Range(0, reach.layout->clustersStart - 1) +
                " before them";
    if (reach.layout && reach.mediumSectors && *reach.mediumSectors > reach.layout->totalSectors)
        text += "; " + Range(reach.layout->totalSectors, *reach.mediumSectors - 1) +
                (*reach.mediumSectors - reach.layout->totalSectors == 1 ? " lies" : " lie") + " beyond the volume";
    if (drive.type == DRIVE_REMOVABLE)
        text += "; floppy-read reaches them when its --drive-name has a larger B";
    return text;
}

std::optional<std::string> FloppyFormatLine(const DriveFacts& drive, const VolumeReach& reach) {
    const std::optional<std::uint64_t> sectors = reach.Sectors();
    if (!sectors) return std::nullopt;
    const auto* format = FormatOfMedium(*sectors * drive.geometry.BytesPerSector);
    if (!format)
        return "none: no standard format has " + std::to_string(*sectors) + " sectors of " +
               std::to_string(drive.geometry.BytesPerSector) + " bytes";
    const Orvane::TFloppyFormat& geometry = Orvane::FloppyFormats[format->second];
    return std::string(format->first) + " (" + std::to_string(geometry.TotalSectors) + " sectors: " +
           std::to_string(geometry.TotalSectors / geometry.SectorsPerTrack / geometry.Heads) + " cylinders, " +
           std::to_string(geometry.Heads) + " heads, " + std::to_string(geometry.SectorsPerTrack) +
           " sectors per track)";
}

} // namespace zelvan_cli

#include "zelvan/floppy_check.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/outcome.h"
#include "zelvan/format_names.h"
#include "zelvan/machine_setup.h"

namespace zelvan_cli {

namespace {

const Orvane::TFloppyFormat* FormatOfSize(std::uint64_t bytes) {
    for (const Orvane::TFloppyFormat& format : Orvane::FloppyFormats)
        if (DiskBytes(format) == bytes) return &format;
    return nullptr;
}

bool Holds(const Orvane::TFloppyFormat& disk, const Orvane::TChs& chs) {
    return chs.Head < disk.Heads && chs.Sector <= disk.SectorsPerTrack;
}

// The first sector of the run that the BIOS is asked for as another sector
// of `disk`, or as one it does not have (any sector, when no standard format
// is the disk's). Within two cylinders of `named` every sector has been seen
// in every place of a track, so a run that goes no further astray there
// never does: `named` then has the disk's geometry.
std::optional<std::uint32_t> FirstAstray(const Orvane::TFloppyFormat& named, const Orvane::TFloppyFormat* disk,
                                         std::uint32_t first, std::uint32_t count) {
    const std::uint64_t span = 2ull * named.SectorsPerTrack * named.Heads;
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{first} + count, first + span);
    for (std::uint64_t sector = first; sector < end; ++sector) {
        const Orvane::TChs chs = Orvane::ChsOf(named, static_cast<Orvane::Cardinal>(sector));
        if (!disk || !Holds(*disk, chs) || Orvane::SectorAt(*disk, chs) != sector)
            return static_cast<std::uint32_t>(sector);
    }
    return std::nullopt;
}

} // namespace

void CheckFloppyFormat(char letter, Orvane::TFloppyType format, std::uint32_t first, std::uint32_t count, bool write,
                       bool force) {
    const std::optional<machine::DriveBacking> backing = machine::InspectDrive(letter);
    if (!backing || !backing->bytes) return;
    const Orvane::TFloppyFormat& named = Orvane::FloppyFormats[format];
    if (DiskBytes(named) == *backing->bytes) return;
    const Orvane::TFloppyFormat* disk = FormatOfSize(*backing->bytes);
    const std::optional<std::uint32_t> astray = FirstAstray(named, disk, first, count);
    if (!astray) return;
    const Orvane::TChs chs = Orvane::ChsOf(named, *astray);
    std::string text = "FORMAT " + std::to_string(named.TotalSectors / 2) + " describes a disk of " +
                       std::to_string(DiskBytes(named)) + " bytes, but the medium in " + std::string{letter, ':'} +
                       " holds " + std::to_string(*backing->bytes) + ": on Windows 95/98 sector " +
                       std::to_string(*astray) + " goes to the BIOS as cylinder " + std::to_string(chs.Cylinder) +
                       ", head " + std::to_string(chs.Head) + ", sector " + std::to_string(chs.Sector);
    if (disk)
        text += Holds(*disk, chs) ? ", which on this disk is sector " + std::to_string(Orvane::SectorAt(*disk, chs))
                                  : ", which this disk does not have";
    if (!force)
        throw tools::Failure(text + (write ? "; nothing was written (--force writes all the same)"
                                           : "; nothing was read (--force reads all the same)"));
    std::fprintf(stderr, "zelvan: warning: %s; %s all the same (--force)\n", text.c_str(), write ? "writing" : "reading");
}

} // namespace zelvan_cli

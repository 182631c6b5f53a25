#include "zelvan/floppy_check.h"

#include <cstdio>
#include <string>

#include "common/outcome.h"
#include "orvane/floppy_formats.h"
#include "zelvan/machine_setup.h"

namespace zelvan_cli {

namespace {

std::uint64_t BytesOf(const Orvane::TFloppyFormat& format) {
    return std::uint64_t{format.TotalSectors} * format.BytesPerSector;
}

// Where `chs` lies on a disk of `format`: ", which on this disk is sector 18".
std::string Landing(const Orvane::TFloppyFormat& format, const Orvane::TChs& chs) {
    if (chs.Head >= format.Heads || chs.Sector > format.SectorsPerTrack) return ", which this disk does not have";
    return ", which on this disk is sector " + std::to_string(Orvane::SectorAt(format, chs));
}

} // namespace

void CheckFloppyFormat(char letter, Orvane::TFloppyType format, std::uint32_t first, bool force) {
    const std::optional<machine::DriveBacking> backing = machine::InspectDrive(letter);
    if (!backing || !backing->bytes) return;
    const Orvane::TFloppyFormat& named = Orvane::FloppyFormats[format];
    if (BytesOf(named) == *backing->bytes) return;
    const Orvane::TChs chs = Orvane::ChsOf(named, first);
    std::string text = "FORMAT " + std::to_string(named.TotalSectors / 2) + " describes a disk of " +
                       std::to_string(BytesOf(named)) + " bytes, but the medium in " + std::string{letter, ':'} +
                       " holds " + std::to_string(*backing->bytes) + ": on Windows 95/98 sector " +
                       std::to_string(first) + " goes to the BIOS as cylinder " + std::to_string(chs.Cylinder) +
                       ", head " + std::to_string(chs.Head) + ", sector " + std::to_string(chs.Sector);
    for (const Orvane::TFloppyFormat& actual : Orvane::FloppyFormats)
        if (BytesOf(actual) == *backing->bytes) {
            text += Landing(actual, chs);
            break;
        }
    if (!force) throw tools::Failure(text + "; nothing was written (--force writes all the same)");
    std::fprintf(stderr, "zelvan: warning: %s; writing all the same (--force)\n", text.c_str());
}

} // namespace zelvan_cli

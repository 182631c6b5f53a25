// The standard floppy formats: the BIOS parameter block from bytes per sector
// to the number of heads, one record per TFloppyType.
#pragma once

#include <cstdint>
#include <iterator>

#include "orvane/orvane.h"
#include "orvane/rules.h"

namespace Orvane {

#pragma pack(push, 1)
struct TFloppyFormat {
    std::uint16_t BytesPerSector;
    std::uint8_t SectorsPerCluster;
    std::uint16_t ReservedSectors;
    std::uint8_t NumberOfFATs;
    std::uint16_t RootEntries;
    std::uint16_t TotalSectors;
    std::uint8_t MediaDescriptor;
    std::uint16_t SectorsPerFAT;
    std::uint16_t SectorsPerTrack;
    std::uint16_t Heads;
};
#pragma pack(pop)
static_assert(sizeof(TFloppyFormat) == 17);

// DUnknown is taken for a 1.44 MB disk.
inline constexpr TFloppyFormat FloppyFormats[] = {
    {512, 1, 1, 2, 224, 2880, 0xF0, 9, 18, 2}, // DUnknown
    {512, 2, 1, 2, 112, 720, 0xFD, 2, 9, 2},   // D360
    {512, 1, 1, 2, 224, 2400, 0xF9, 7, 15, 2}, // D1200
    {512, 2, 1, 2, 112, 1440, 0xF9, 3, 9, 2},  // D720
    {512, 1, 1, 2, 224, 2880, 0xF0, 9, 18, 2}, // D1440
};
static_assert(std::size(FloppyFormats) == D1440 + 1);
static_assert([] {
    for (const TFloppyFormat& format : FloppyFormats)
        if (format.BytesPerSector != FloppySectorBytes) return false;
    return true;
}());

// Where sector Sector of a disk of Format lies for the BIOS: tracks run head
// by head within a cylinder, and the BIOS counts a track's sectors from 1.
// Cardinal arithmetic, as the component divides.
struct TChs {
    Cardinal Cylinder, Head, Sector;
};
constexpr TChs ChsOf(const TFloppyFormat& Format, Cardinal Sector) {
    const Cardinal track = Sector / static_cast<Cardinal>(Format.SectorsPerTrack);
    return {track / static_cast<Cardinal>(Format.Heads), track % static_cast<Cardinal>(Format.Heads),
            Sector % static_cast<Cardinal>(Format.SectorsPerTrack) + 1};
}
// The sector at Chs on a disk of Format, which has that head and sector.
constexpr std::uint64_t SectorAt(const TFloppyFormat& Format, const TChs& Chs) {
    return (std::uint64_t{static_cast<std::uint32_t>(Chs.Cylinder)} * Format.Heads + static_cast<std::uint32_t>(Chs.Head)) *
               Format.SectorsPerTrack +
           static_cast<std::uint32_t>(Chs.Sector) - 1;
}

} // namespace Orvane

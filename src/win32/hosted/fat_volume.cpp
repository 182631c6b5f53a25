#include "win32/hosted/fat_volume.h"

#include <algorithm>
#include <bit>
#include <memory>

#include "win32/hosted/free_bits.h"
#include "win32/little_endian.h"

namespace hosted {

namespace {

// A FAT is counted in pieces of this much.
constexpr std::size_t fatPieceBytes = std::size_t{1} << 20;

bool IsFatMedia(std::uint8_t media) { return media == 0xF0 || media >= 0xF8; }

// Bits of one FAT entry.
unsigned EntryBits(win32::FatType type) {
    switch (type) {
    case win32::FatType::Fat12: return 12;
    case win32::FatType::Fat16: return 16;
    case win32::FatType::Fat32: return 32;
    }
    return 32;
}

// The free entries (0; FAT32's top four bits are reserved) from entry `from`
// up to entry `to` of the FAT bytes `fat`, which begin with entry 0. The type
// is decided once, outside the loop, for this is the loop a measurement
// spends its time in.
std::uint32_t FreeEntries(std::span<const std::uint8_t> fat, win32::FatType type, std::uint32_t from, std::uint32_t to) {
    std::uint32_t free = 0;
    switch (type) {
    case win32::FatType::Fat12:
        for (std::uint32_t cluster = from; cluster < to; ++cluster) {
            const std::uint32_t pair = win32::Le16(fat, cluster + cluster / 2);
            free += ((cluster & 1) ? pair >> 4 : pair & 0x0FFF) == 0;
        }
        break;
    case win32::FatType::Fat16:
        for (std::uint32_t cluster = from; cluster < to; ++cluster) free += win32::Le16(fat, std::size_t{cluster} * 2) == 0;
        break;
    case win32::FatType::Fat32:
        for (std::uint32_t cluster = from; cluster < to; ++cluster)
            free += (win32::Le32(fat, std::size_t{cluster} * 4) & 0x0FFFFFFF) == 0;
        break;
    }
    return free;
}

} // namespace

Result<FatLayout> ParseBootSector(std::span<const std::uint8_t> b) {
    auto none = [](const std::string& problem) { return NoBootSector("FAT", problem); };
    auto figure = [](const char* name, std::uint64_t value, const char* rule) {
        return std::string(name) + " is " + std::to_string(value) + ", " + rule;
    };
    if (b.size() < 512) return none("it is shorter than one sector of 512 bytes");
    if (b[0] != 0xEB && b[0] != 0xE9) return none("it does not begin with a jump instruction (0xEB or 0xE9)");
    FatLayout layout{};
    layout.bytesPerSector = win32::Le16(b, 11);
    layout.sectorsPerCluster = b[13];
    layout.reservedSectors = win32::Le16(b, 14);
    layout.fatCount = b[16];
    std::uint32_t rootEntries = win32::Le16(b, 17);
    std::uint32_t total16 = win32::Le16(b, 19);
    std::uint8_t media = b[21];
    std::uint32_t fat16 = win32::Le16(b, 22);
    layout.totalSectors = total16 != 0 ? total16 : win32::Le32(b, 32);
    layout.sectorsPerFat = fat16 != 0 ? fat16 : win32::Le32(b, 36);

    unsigned bps = layout.bytesPerSector;
    if (bps < 512 || bps > 4096 || !std::has_single_bit(bps))
        return none(figure("bytes per sector", bps, "not a power of two from 512 to 4096"));
    if (layout.sectorsPerCluster == 0 || !std::has_single_bit(layout.sectorsPerCluster))
        return none(figure("sectors per cluster", layout.sectorsPerCluster, "not a power of two from 1 to 128"));
    if (layout.reservedSectors == 0) return none("there are no reserved sectors (the boot sector is one)");
    if (layout.fatCount == 0) return none("the number of FATs is 0");
    if (layout.sectorsPerFat == 0) return none("sectors per FAT is 0");
    if (layout.totalSectors == 0) return none("total sectors is 0");
    if (!IsFatMedia(media)) return none(figure("the media descriptor", media, "not 0xF0 or 0xF8 to 0xFF"));

    layout.rootDirSectors = (rootEntries * 32 + bps - 1) / bps;
    std::uint64_t meta = std::uint64_t{layout.reservedSectors} +
                         std::uint64_t{layout.fatCount} * layout.sectorsPerFat + layout.rootDirSectors;
    if (meta >= layout.totalSectors)
        return none("its reserved sectors, FATs and root folder take " + std::to_string(meta) + " sectors of its " +
                    std::to_string(layout.totalSectors) + ", leaving none for data");
    layout.dataClusters = static_cast<std::uint32_t>((layout.totalSectors - meta) / layout.sectorsPerCluster);

    layout.type = win32::FatTypeOf(layout.dataClusters);
    bool fat32Shape = rootEntries == 0 && fat16 == 0;
    if ((layout.type == win32::FatType::Fat32) != fat32Shape)
        return none(std::to_string(layout.dataClusters) + " clusters make it " +
                    (layout.type == win32::FatType::Fat32 ? "FAT32, but its fields are those of FAT12/16"
                                                   : "FAT12/16, but its fields are those of FAT32"));
    if (layout.dataClusters > maxFat32Clusters)
        return none(std::to_string(layout.dataClusters) + " clusters are more than FAT32's 28-bit cluster numbers reach (" +
                    std::to_string(maxFat32Clusters) + ")");

    // The FAT must hold an entry for every cluster, the two reserved ones included.
    std::uint64_t fatBits = (std::uint64_t{layout.dataClusters} + 2) * EntryBits(layout.type);
    if ((fatBits + 7) / 8 > std::uint64_t{layout.sectorsPerFat} * bps)
        return none("a FAT of " + std::to_string(layout.sectorsPerFat) + " sectors cannot hold an entry for each of its " +
                    std::to_string(layout.dataClusters) + " clusters");
    return layout;
}

Result<FatLayout> FatLayoutOf(const MediumStart& start) { return WithinMedium(ParseBootSector(start.sector), start.size); }

Result<FatLayout> ProbeVolume(const Backing& medium) {
    const Result<MediumStart> start = ReadMediumStart(medium);
    if (!start) return start.Refused();
    return FatLayoutOf(*start);
}

Result<std::uint32_t> CountFreeClusters(const Backing& medium, const FatLayout& layout) {
    const unsigned bits = EntryBits(layout.type);
    const std::uint32_t entries = layout.dataClusters + 2;
    const std::size_t fatBytes = static_cast<std::size_t>((std::uint64_t{entries} * bits + 7) / 8);
    // FAT12 entries straddle bytes, so that FAT (at most 6 KiB) is read
    // whole; the others in pieces that end on entry boundaries.
    const std::size_t step = bits == 12 ? fatBytes : fatPieceBytes;
    const auto piece = std::make_unique_for_overwrite<std::uint8_t[]>(std::min(step, fatBytes));
    const std::uint64_t fatStart = std::uint64_t{layout.reservedSectors} * layout.bytesPerSector;
    std::uint32_t free = 0;
    for (std::size_t offset = 0; offset < fatBytes; offset += step) {
        const std::size_t length = std::min(step, fatBytes - offset);
        const Backing::Transfer got = medium.ReadAt(piece.get(), length, fatStart + offset);
        if (got.error != 0 || got.bytes < length)
            return Refusal{ERROR_NOT_READY, "cannot be read where its first FAT lies"};
        const std::span<const std::uint8_t> bytes(piece.get(), length);
        // Entries 0 and 1 are reserved.
        const std::uint32_t reserved = offset == 0 ? 2 : 0;
        if (bits == 12) {
            free += FreeEntries(bytes, layout.type, reserved, entries);
            continue;
        }
        // A block of zeros is a block of free entries.
        for (std::size_t block = 0; block < length; block += uniformBlockBytes) {
            const std::size_t size = std::min(uniformBlockBytes, length - block);
            const auto from = static_cast<std::uint32_t>(block * 8 / bits), to = static_cast<std::uint32_t>((block + size) * 8 / bits);
            free += from >= reserved && AllBytesAre(piece.get() + block, size, 0x00)
                        ? to - from
                        : FreeEntries(bytes, layout.type, std::max(from, reserved), to);
        }
    }
    return free;
}

} // namespace hosted

#include "win32/hosted/fat_volume.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

namespace hosted {

namespace {

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(Le16(b, at)) | (static_cast<std::uint32_t>(Le16(b, at + 2)) << 16);
}

bool IsFatMedia(std::uint8_t media) { return media == 0xF0 || media >= 0xF8; }

// Bits of one FAT entry.
unsigned EntryBits(FatType type) {
    switch (type) {
    case FatType::Fat12: return 12;
    case FatType::Fat16: return 16;
    case FatType::Fat32: return 32;
    }
    return 32;
}

std::uint32_t EntryAt(const std::vector<std::uint8_t>& fat, FatType type, std::uint32_t cluster) {
    switch (type) {
    case FatType::Fat12: {
        std::size_t at = cluster + cluster / 2;
        std::uint32_t pair = fat[at] | (fat[at + 1] << 8);
        return (cluster & 1) ? pair >> 4 : pair & 0x0FFF;
    }
    case FatType::Fat16: return Le16(fat, std::size_t{cluster} * 2);
    case FatType::Fat32: return Le32(fat, std::size_t{cluster} * 4) & 0x0FFFFFFF;
    }
    return 0;
}

} // namespace

std::optional<FatLayout> ParseBootSector(std::span<const std::uint8_t> b) {
    if (b.size() < 512) return std::nullopt;
    if (b[0] != 0xEB && b[0] != 0xE9) return std::nullopt;
    FatLayout layout{};
    layout.bytesPerSector = Le16(b, 11);
    layout.sectorsPerCluster = b[13];
    layout.reservedSectors = Le16(b, 14);
    layout.fatCount = b[16];
    std::uint32_t rootEntries = Le16(b, 17);
    std::uint32_t total16 = Le16(b, 19);
    std::uint8_t media = b[21];
    std::uint32_t fat16 = Le16(b, 22);
    layout.totalSectors = total16 != 0 ? total16 : Le32(b, 32);
    layout.sectorsPerFat = fat16 != 0 ? fat16 : Le32(b, 36);

    unsigned bps = layout.bytesPerSector;
    if (bps < 512 || bps > 4096 || !std::has_single_bit(bps)) return std::nullopt;
    if (layout.sectorsPerCluster == 0 || !std::has_single_bit(layout.sectorsPerCluster)) return std::nullopt;
    if (layout.reservedSectors == 0 || layout.fatCount == 0 || layout.sectorsPerFat == 0) return std::nullopt;
    if (layout.totalSectors == 0 || !IsFatMedia(media)) return std::nullopt;

    layout.rootDirSectors = (rootEntries * 32 + bps - 1) / bps;
    std::uint64_t meta = std::uint64_t{layout.reservedSectors} +
                         std::uint64_t{layout.fatCount} * layout.sectorsPerFat + layout.rootDirSectors;
    if (meta >= layout.totalSectors) return std::nullopt;
    layout.dataClusters = static_cast<std::uint32_t>((layout.totalSectors - meta) / layout.sectorsPerCluster);

    if (layout.dataClusters < 4085) layout.type = FatType::Fat12;
    else if (layout.dataClusters < 65525) layout.type = FatType::Fat16;
    else layout.type = FatType::Fat32;
    bool fat32Shape = rootEntries == 0 && fat16 == 0;
    if ((layout.type == FatType::Fat32) != fat32Shape) return std::nullopt;

    // The FAT must hold an entry for every cluster, the two reserved ones included.
    std::uint64_t fatBits = (std::uint64_t{layout.dataClusters} + 2) * EntryBits(layout.type);
    if ((fatBits + 7) / 8 > std::uint64_t{layout.sectorsPerFat} * bps) return std::nullopt;
    return layout;
}

VolumeProbe ProbeVolume(const Backing& medium, bool countFree) {
    VolumeProbe probe;
    std::array<std::uint8_t, 512> boot{};
    Backing::Transfer got = medium.ReadAt(boot.data(), boot.size(), 0);
    if (got.error != 0 || got.bytes < boot.size()) {
        probe.error = ERROR_NOT_READY;
        return probe;
    }
    probe.layout = ParseBootSector(boot);
    if (!probe.layout) {
        probe.error = ERROR_UNRECOGNIZED_VOLUME;
        return probe;
    }
    if (!countFree) return probe;

    const FatLayout& layout = *probe.layout;
    unsigned bits = EntryBits(layout.type);
    std::uint32_t entries = layout.dataClusters + 2;
    std::size_t fatBytes = static_cast<std::size_t>((std::uint64_t{entries} * bits + 7) / 8);
    // FAT12 entries straddle bytes, so that FAT (at most 6 KiB) is read
    // whole; the others in chunks that end on entry boundaries.
    std::size_t step = bits == 12 ? fatBytes : std::size_t{1} << 16;
    std::vector<std::uint8_t> chunk(std::min(step, fatBytes));
    std::uint64_t fatStart = std::uint64_t{layout.reservedSectors} * layout.bytesPerSector;
    for (std::size_t offset = 0; offset < fatBytes; offset += step) {
        std::size_t length = std::min(step, fatBytes - offset);
        got = medium.ReadAt(chunk.data(), length, fatStart + offset);
        if (got.error != 0 || got.bytes < length) {
            probe.layout.reset();
            probe.error = ERROR_NOT_READY;
            return probe;
        }
        std::uint32_t first = static_cast<std::uint32_t>(offset * 8 / bits);
        std::uint32_t count = bits == 12 ? entries : static_cast<std::uint32_t>(length * 8 / bits);
        for (std::uint32_t i = 0; i < count; ++i)
            if (first + i >= 2 && EntryAt(chunk, layout.type, i) == 0) ++probe.freeClusters;
    }
    return probe;
}

} // namespace hosted

#include "zelvan/medium_start.h"

#include <algorithm>

#include "win32/little_endian.h"

namespace zelvan_cli {

namespace {

constexpr std::size_t sectorBytes = 512;
constexpr std::size_t tableAt = 446;
constexpr std::size_t entryBytes = 16;

struct TypeName {
    std::uint8_t type;
    const char* name;
    bool volume;
};
constexpr TypeName typeNames[] = {
    {0x01, "FAT12", true},          {0x04, "FAT16 below 32 MiB", true}, {0x05, "extended", false},
    {0x06, "FAT16", true},          {0x07, "NTFS or exFAT", true},      {0x0B, "FAT32", true},
    {0x0C, "FAT32 (LBA)", true},    {0x0E, "FAT16 (LBA)", true},        {0x0F, "extended (LBA)", false},
    {0x82, "Linux swap", false},    {0x83, "Linux", false},             {gptProtective, "GPT protective", false},
};

const TypeName* Find(std::uint8_t type) {
    const auto found = std::find_if(std::begin(typeNames), std::end(typeNames), [type](const TypeName& row) {
        return row.type == type;
    });
    return found == std::end(typeNames) ? nullptr : found;
}

} // namespace

MediumStart ClassifyStart(std::span<const std::uint8_t> sector) {
    if (sector.size() < sectorBytes) return {};
    if (std::all_of(sector.begin(), sector.begin() + sectorBytes, [](std::uint8_t byte) { return byte == 0; }))
        return {StartKind::Zeros, {}};
    if (win32::Le16(sector, 510) != 0xAA55) return {};
    MediumStart start{StartKind::PartitionTable, {}};
    for (unsigned index = 0; index < 4; ++index) {
        const std::size_t at = tableAt + index * entryBytes;
        const std::uint8_t status = sector[at];
        const Partition partition{index + 1, sector[at + 4], status == 0x80, win32::Le32(sector, at + 8),
                                  win32::Le32(sector, at + 12)};
        if (status != 0x00 && status != 0x80) return {};
        if (partition.type == 0) continue;
        if (partition.firstSector == 0 || partition.sectors == 0) return {};
        start.partitions.push_back(partition);
    }
    // A boot sector of a volume ends as an MBR does, with an empty table
    // where its code is short: it begins with a jump.
    const bool jump = sector[0] == 0xEB || sector[0] == 0xE9;
    if (start.partitions.empty() && jump) return {};
    return start;
}

std::string PartitionTypeName(std::uint8_t type) {
    const TypeName* row = Find(type);
    return row ? row->name : "";
}

bool HoldsVolume(std::uint8_t type) {
    const TypeName* row = Find(type);
    return row && row->volume;
}

} // namespace zelvan_cli

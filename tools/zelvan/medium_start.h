// What the first sector of a medium holds when no volume the machine mounts
// begins there: a partition table (a master boot record and its
// partitions), only zeros, or something nothing here knows.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zelvan_cli {

struct Partition {
    unsigned number;          // 1 to 4, its entry in the table
    std::uint8_t type;
    bool active;
    std::uint32_t firstSector;
    std::uint32_t sectors;
};

enum class StartKind { Zeros, PartitionTable, Unknown };

struct MediumStart {
    StartKind kind = StartKind::Unknown;
    std::vector<Partition> partitions; // of a partition table, in entry order, the empty ones left out
};

// The first sector of a medium, 512 bytes; shorter is Unknown. A partition
// table is a master boot record: 55 AA at its end and four entries whose
// status is 00h or 80h, each either empty (type 0) or holding sectors from
// sector 1 on; with all four empty, one that does not begin with a jump, as
// the boot sector of a volume does.
MediumStart ClassifyStart(std::span<const std::uint8_t> sector);

// "FAT16 (LBA)" for type 0Eh; nothing for a type without a name here.
std::string PartitionTypeName(std::uint8_t type);
// Whether a partition of `type` holds a FAT, NTFS or exFAT volume.
bool HoldsVolume(std::uint8_t type);
// Type EEh: the one partition of the MBR that protects a GUID partition table.
constexpr std::uint8_t gptProtective = 0xEE;

} // namespace zelvan_cli

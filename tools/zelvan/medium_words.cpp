#include "zelvan/medium_words.h"

#include <algorithm>

#include "zelvan/format_names.h"
#include "zelvan/medium_start.h"
#include "zelvan/progress.h"

namespace zelvan_cli {

namespace {

std::string Hex(std::uint8_t value) {
    static constexpr char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[value >> 4] + digits[value & 15];
}

// "1 (active), FAT16 (LBA), type 0x0E, sectors 2048 to 34815 (32768 sectors, 16.0 MiB)"
std::string Listed(const Partition& partition, unsigned sectorBytes) {
    const std::string name = PartitionTypeName(partition.type);
    const std::uint64_t last = std::uint64_t{partition.firstSector} + partition.sectors - 1;
    return std::to_string(partition.number) + (partition.active ? " (active)" : "") + ", " +
           (name.empty() ? "" : name + ", ") + "type " + Hex(partition.type) + ", sectors " +
           std::to_string(partition.firstSector) + " to " + std::to_string(last) + " (" +
           std::to_string(partition.sectors) + " sectors, " +
           FormatBytes(std::uint64_t{partition.sectors} * sectorBytes) + ")";
}

unsigned SectorBytesOf(const machine::DriveBacking& backing) { return backing.sectorBytes ? backing.sectorBytes : 512; }

} // namespace

std::string WhatItHolds(const machine::DriveBacking& backing) {
    if (backing.start.empty()) return "";
    const MediumStart start = ClassifyStart(backing.start);
    switch (start.kind) {
    case StartKind::Zeros:
        return "; its first sector holds only zeros: no boot sector and no partition table, as on a blank or wiped "
               "medium";
    case StartKind::Unknown:
        return "; its first sector holds no partition table, and no boot sector of a volume the machine mounts";
    case StartKind::PartitionTable: break;
    }
    const std::size_t count = start.partitions.size();
    if (count == 1 && start.partitions.front().type == gptProtective)
        return "; it begins with the master boot record (MBR) that protects a GUID partition table (GPT), whose "
               "partitions are listed from its sector 1 on (fdisk -l lists them)";
    std::string text = "; it begins with a master boot record (MBR) of " + std::to_string(count) +
                       (count == 1 ? " partition" : " partitions") + (count == 0 ? "" : ":");
    for (std::size_t i = 0; i < count; ++i)
        text += std::string(i == 0 ? " " : "; ") + Listed(start.partitions[i], SectorBytesOf(backing));
    return text;
}

std::string WhatReachesIt(char letter, UINT type, const machine::DriveBacking& backing) {
    std::string floppy;
    const auto* format = backing.bytes ? FormatOfMedium(*backing.bytes) : nullptr;
    if (type == DRIVE_REMOVABLE)
        floppy = "floppy-read and floppy-write reach its sectors, whatever it holds" +
                 (format ? " (FORMAT " + std::string(format->first) + " is its size)" : std::string());
    else
        floppy = "floppy-read and floppy-write reach the sectors of a removable drive, whatever it holds (map it with "
                 ":removable)";
    const MediumStart start = ClassifyStart(backing.start);
    const std::vector<Partition>& partitions = start.partitions;
    if (start.kind != StartKind::PartitionTable || partitions.empty()) return floppy;
    const std::string drive = "--drive " + std::string{letter} + "=" + backing.path;
    if (partitions.size() == 1 && partitions.front().type == gptProtective)
        return "map a partition as a drive of its own (" + drive + ":offset=BYTES:size=BYTES), or " + floppy;
    // A partition that holds a volume, else the first.
    const auto chosen = std::find_if(partitions.begin(), partitions.end(),
                                     [](const Partition& partition) { return HoldsVolume(partition.type); });
    const Partition& partition = chosen == partitions.end() ? partitions.front() : *chosen;
    const unsigned sectorBytes = SectorBytesOf(backing);
    return "map a partition as a drive of its own, such as partition " + std::to_string(partition.number) + " (" +
           drive + ":offset=" + std::to_string(backing.offset + std::uint64_t{partition.firstSector} * sectorBytes) +
           ":size=" + std::to_string(std::uint64_t{partition.sectors} * sectorBytes) + "), or " + floppy;
}

} // namespace zelvan_cli

#include "win32/hosted/volume_reading.h"

#include <algorithm>
#include <string_view>

#include "win32/hosted/exfat_volume.h"
#include "win32/hosted/fat_volume.h"
#include "win32/hosted/ntfs_volume.h"
#include "win32/little_endian.h"

namespace hosted {

namespace {

bool HasOemName(const MediumStart& start, std::string_view name) {
    return std::equal(name.begin(), name.end(), start.sector.begin() + 3);
}

// A file system other than FAT that the medium's signatures show: the OEM
// name of an NTFS or exFAT boot sector, the magic number of an ext2/3/4
// superblock, which begins at byte 1024.
const char* ForeignFileSystemOf(const Backing& medium, const MediumStart& start) {
    if (HasOemName(start, "NTFS    ")) return "an NTFS file system";
    if (HasOemName(start, "EXFAT   ")) return "an exFAT file system";
    std::array<std::uint8_t, 2> magic{};
    const Backing::Transfer got = medium.ReadAt(magic.data(), magic.size(), 1080);
    if (got.error == 0 && got.bytes == magic.size() && win32::Le16(magic, 0) == 0xEF53)
        return "an ext2/3/4 file system";
    return nullptr;
}

Result<MountedVolume> ReadFatVolume(const Backing& medium, const MediumStart& start, bool countFree) {
    const Result<FatLayout> layout = FatLayoutOf(start);
    if (!layout) return layout.Refused();
    const FileSystem type = layout->type == win32::FatType::Fat12   ? FileSystem::Fat12
                            : layout->type == win32::FatType::Fat16 ? FileSystem::Fat16
                                                                    : FileSystem::Fat32;
    MountedVolume volume =
        VolumeOf(type, *layout, layout->dataClusters, std::uint64_t{layout->reservedSectors} * layout->bytesPerSector);
    if (!countFree) return volume;
    const Result<std::uint32_t> free = CountFreeClusters(medium, *layout);
    if (!free) return free.Refused();
    volume.freeClusters = *free;
    return volume;
}

} // namespace

Result<MediumStart> ReadMediumStart(const Backing& medium) {
    MediumStart start;
    const Backing::Transfer got = medium.ReadAt(start.sector.data(), start.sector.size(), 0);
    const std::optional<std::uint64_t> size = medium.Size();
    if (got.error != 0 || !size) return Refusal{ERROR_NOT_READY, "cannot be read at its first sector"};
    if (*size == 0) return Refusal{ERROR_NOT_READY, "is empty"};
    if (got.bytes < start.sector.size()) return Refusal{ERROR_NOT_READY, "is shorter than one sector of 512 bytes"};
    start.size = *size;
    return start;
}

Refusal NoBootSector(const char* fileSystem, const std::string& problem) {
    return {ERROR_UNRECOGNIZED_VOLUME, std::string("holds no ") + fileSystem + " boot sector: " + problem};
}

std::optional<Refusal> ClaimBeyondMedium(std::uint64_t sectors, unsigned bytesPerSector, std::uint64_t mediumBytes) {
    // Sectors are at most 4096 bytes, so the product stays within 64 bits.
    const std::uint64_t claimed = std::min<std::uint64_t>(sectors, UINT64_MAX / bytesPerSector) * bytesPerSector;
    if (claimed <= mediumBytes) return std::nullopt;
    return Refusal{ERROR_NOT_READY, "claims " + std::to_string(sectors) + " sectors (" + std::to_string(claimed) +
                                        " bytes) in its boot sector, but holds only " + std::to_string(mediumBytes) +
                                        " bytes"};
}

Result<MountedVolume> ReadVolume(const Backing& medium, bool nt, bool countFree) {
    const Result<MediumStart> start = ReadMediumStart(medium);
    if (!start) return start.Refused();
    if (nt && HasOemName(*start, "NTFS    ")) return ReadNtfsVolume(medium, *start, countFree);
    if (nt && HasOemName(*start, "EXFAT   ")) return ReadExfatVolume(medium, *start, countFree);
    Result<MountedVolume> fat = ReadFatVolume(medium, *start, countFree);
    if (fat) return fat;
    const char* foreign = ForeignFileSystemOf(medium, *start);
    if (!foreign) return fat;
    const bool mountedOnNt = HasOemName(*start, "NTFS    ") || HasOemName(*start, "EXFAT   ");
    return Refusal{fat.Error(), std::string("holds ") + foreign +
                                    (mountedOnNt ? ", which Windows 95/98 does not recognise"
                                     : nt        ? ", not a FAT, NTFS or exFAT volume"
                                                 : ", not a FAT volume")};
}

} // namespace hosted

#include "win32/hosted/ntfs_volume.h"

#include <algorithm>
#include <bit>
#include <string_view>

#include "win32/hosted/ntfs_library.h"
#include "win32/little_endian.h"

namespace hosted {

namespace {

constexpr std::string_view oemName = "NTFS    ";
// $Boot, the boot sectors of an NTFS volume, is 8 KiB long.
constexpr std::uint64_t bootBytes = 8192;
// NT's NTFS numbers clusters in 32 bits, and takes clusters of up to 2 MiB.
constexpr std::uint64_t maxClusters = 0xFFFFFFFF;
constexpr std::uint64_t maxClusterBytes = std::uint64_t{2} << 20;

std::string Figure(const char* name, std::uint64_t value, const char* rule) {
    return std::string(name) + " is " + std::to_string(value) + ", " + rule;
}

// Byte 13 counts sectors per cluster up to 128; from 0xF4 on it is 256 minus
// the shift of a larger count.
std::optional<unsigned> SectorsPerCluster(std::uint8_t value) {
    if (value >= 1 && value <= 128 && std::has_single_bit(value)) return value;
    if (value >= 0xF4) return 1u << (256 - value);
    return std::nullopt;
}

// A record size (MFT record or index block): a count of clusters when
// positive, 2 to the power of its negation in bytes when negative.
std::optional<std::uint64_t> RecordBytes(std::uint8_t field, std::uint64_t clusterBytes) {
    const auto value = static_cast<std::int8_t>(field);
    const std::uint64_t bytes = value > 0 ? static_cast<std::uint64_t>(value) * clusterBytes
                                : value < 0 && value > -32 ? std::uint64_t{1} << -value
                                                           : 0;
    if (bytes < 256 || bytes > 65536 || !std::has_single_bit(bytes)) return std::nullopt;
    return bytes;
}

} // namespace

Result<NtfsLayout> ParseNtfsBootSector(std::span<const std::uint8_t> b) {
    auto none = [](const std::string& problem) { return NoBootSector("NTFS", problem); };
    if (b.size() < 512) return none("it is shorter than one sector of 512 bytes");
    if (!std::equal(oemName.begin(), oemName.end(), b.begin() + 3)) return none("its OEM name is not \"NTFS    \"");
    if (win32::Le16(b, 510) != 0xAA55) return none("its boot signature is not 55 AA");
    const unsigned bps = win32::Le16(b, 11);
    if (bps < 512 || bps > 4096 || !std::has_single_bit(bps))
        return none(Figure("bytes per sector", bps, "not a power of two from 512 to 4096"));
    const std::optional<unsigned> spc = SectorsPerCluster(b[13]);
    if (!spc) return none(Figure("the sectors per cluster byte", b[13], "neither a power of two up to 128 nor 0xF4 to 0xFF"));
    const std::uint64_t clusterBytes = std::uint64_t{bps} * *spc;
    if (clusterBytes > maxClusterBytes) return none(Figure("the cluster size", clusterBytes, "more than 2 MiB"));
    if (win32::Le16(b, 14) != 0 || b[16] != 0)
        return none("its reserved sectors or number of FATs, which NTFS keeps 0, are not");

    NtfsLayout layout{bps, *spc, win32::Le64(b, 40), 0};
    const std::uint64_t clusters = layout.totalSectors / *spc;
    if (clusters == 0) return none(Figure("total sectors", layout.totalSectors, "less than one cluster"));
    if (clusters > maxClusters)
        return none(std::to_string(clusters) + " clusters are more than NTFS numbers (" + std::to_string(maxClusters) + ")");
    layout.totalClusters = static_cast<std::uint32_t>(clusters);
    const std::uint64_t mft = win32::Le64(b, 48), mirror = win32::Le64(b, 56);
    if (mft >= clusters) return none(Figure("the MFT's first cluster", mft, "beyond the volume"));
    if (mirror >= clusters) return none(Figure("the MFT mirror's first cluster", mirror, "beyond the volume"));
    if (!RecordBytes(b[64], clusterBytes))
        return none(Figure("the MFT record size byte", b[64], "not a record of 256 bytes to 64 KiB"));
    if (!RecordBytes(b[68], clusterBytes))
        return none(Figure("the index block size byte", b[68], "not a block of 256 bytes to 64 KiB"));
    return layout;
}

Result<MountedVolume> ReadNtfsVolume(const Backing& medium, const MediumStart& start, bool countFree) {
    const Result<NtfsLayout> layout = WithinMedium(ParseNtfsBootSector(start.sector), start.size);
    if (!layout) return layout.Refused();
    MountedVolume volume = VolumeOf(FileSystem::Ntfs, *layout, layout->totalClusters, bootBytes);
    if (!countFree) return volume;
    const NtfsMount mount = MountNtfs(medium);
    if (!mount.mounted)
        return Refusal{ERROR_UNRECOGNIZED_VOLUME, mount.damage.empty()
                                                      ? "holds an NTFS volume that libntfs-3g cannot mount: " + mount.reason
                                                      : "holds a damaged NTFS volume: " + mount.damage};
    // A damaged $Bitmap makes no more clusters free than the volume has.
    volume.freeClusters = static_cast<std::uint32_t>(std::min<std::uint64_t>(mount.freeClusters, layout->totalClusters));
    return volume;
}

} // namespace hosted

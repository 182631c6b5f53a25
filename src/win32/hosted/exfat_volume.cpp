#include "win32/hosted/exfat_volume.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <string_view>
#include <vector>

#include "win32/hosted/free_bits.h"
#include "win32/little_endian.h"

namespace hosted {

namespace {

constexpr std::string_view fileSystemName = "EXFAT   ";
// The main and the backup boot region, 12 sectors each.
constexpr unsigned bootRegionSectors = 24;
constexpr std::uint32_t firstCluster = 2;
constexpr std::uint32_t maxClusterCount = 0xFFFFFFF5;
// Cluster numbers from here on mark bad clusters and the ends of chains.
constexpr std::uint32_t firstMarker = 0xFFFFFFF7;
// A directory holds at most 256 MiB: a chain that runs longer loops.
constexpr std::uint64_t maxDirectoryBytes = std::uint64_t{256} << 20;
constexpr std::size_t entryBytes = 32;
constexpr std::uint8_t endOfDirectory = 0x00;
constexpr std::uint8_t allocationBitmap = 0x81;
// Chains are read in runs of neighbouring clusters of at most this much.
constexpr std::uint64_t pieceBytes = std::uint64_t{4} << 20;
// The FAT is read in windows that grow, from a sector up to this much, while
// a chain follows its entries in order, and begin again at a sector when it
// jumps: a chain of neighbours costs a few large reads, a scattered one no
// more than a sector a cluster.
constexpr std::uint64_t maxFatWindowBytes = std::uint64_t{1} << 20;

std::string Figure(const char* name, std::uint64_t value, const std::string& rule) {
    return std::string(name) + " is " + std::to_string(value) + ", " + rule;
}

// The clusters a chain has reached, as runs of neighbours, so that a chain
// that comes back to one of them is stopped there, however long it is.
// Reaching the neighbour of the cluster reached last, as a chain mostly
// does, costs no search.
class ReachedClusters {
public:
    // False when `cluster` was reached before.
    bool Reach(std::uint32_t cluster) {
        if (last_ != runs_.end() && cluster == last_->second + 1 && cluster < following_) {
            last_->second = cluster;
            return true;
        }
        auto next = runs_.upper_bound(cluster);
        if (next != runs_.begin()) {
            const auto run = std::prev(next);
            if (cluster <= run->second) return false;
            if (cluster == run->second + 1) {
                run->second = cluster;
                if (next != runs_.end() && next->first == cluster + 1) {
                    run->second = next->second;
                    next = runs_.erase(next);
                }
                return Last(run, next);
            }
        }
        if (next != runs_.end() && next->first == cluster + 1) {
            const std::uint32_t end = next->second;
            next = runs_.erase(next);
            return Last(runs_.emplace_hint(next, cluster, end), next);
        }
        return Last(runs_.emplace_hint(next, cluster, cluster), next);
    }

private:
    using Runs = std::map<std::uint32_t, std::uint32_t>; // first cluster -> last
    bool Last(Runs::iterator run, Runs::iterator next) {
        last_ = run;
        following_ = next == runs_.end() ? UINT32_MAX : next->first;
        return true;
    }

    Runs runs_;
    Runs::iterator last_ = runs_.end();
    std::uint32_t following_ = UINT32_MAX; // where the run after last_ begins
};

// Walks the chains of an exFAT volume through its active FAT. A failure is
// kept, in Windows' words.
class ChainReader {
public:
    ChainReader(const Backing& medium, const ExfatLayout& layout, unsigned activeFat)
        : medium_(medium), layout_(layout), clusterBytes_(std::uint64_t{layout.bytesPerSector} * layout.sectorsPerCluster),
          fatStart_((std::uint64_t{layout.fatOffset} + std::uint64_t{activeFat} * layout.fatLength) *
                    layout.bytesPerSector),
          fatBytes_(std::uint64_t{layout.fatLength} * layout.bytesPerSector) {}

    // Calls visit(bytes) for the chain from `first` in order, in pieces of
    // whole clusters, until `length` bytes were visited, visit returns false
    // or, when `whole` is false, the chain ends. False when the chain ends
    // too soon, leaves the cluster heap or comes back to a cluster it has
    // reached, or the medium cannot be read.
    template <class Visit>
    bool Read(std::uint32_t first, std::uint64_t length, bool whole, const std::string& what, Visit visit) {
        std::vector<std::uint8_t> piece;
        ReachedClusters reached;
        std::uint32_t cluster = first;
        for (std::uint64_t done = 0; done < length;) {
            if (!whole && cluster >= firstMarker && done > 0) return true;
            if (!Holds(cluster, done, what) || !Reach(reached, cluster, what)) return false;
            const std::uint32_t start = cluster;
            std::uint64_t bytes = std::min(clusterBytes_, length - done);
            // Neighbouring clusters are read together.
            std::optional<std::uint32_t> next;
            while (done + bytes < length) {
                if (!(next = NextCluster(cluster))) return false;
                if (*next != cluster + 1 || !InHeap(*next) || bytes + clusterBytes_ > pieceBytes) break;
                if (!Reach(reached, *next, what)) return false;
                cluster = *next;
                next.reset();
                bytes += std::min(clusterBytes_, length - done - bytes);
            }
            piece.resize(static_cast<std::size_t>(bytes));
            const std::uint64_t at =
                (std::uint64_t{layout_.clusterHeapOffset} * layout_.bytesPerSector) + (start - firstCluster) * clusterBytes_;
            const Backing::Transfer got = medium_.ReadAt(piece.data(), piece.size(), at);
            if (got.error != 0 || got.bytes < piece.size())
                return Fail(ERROR_NOT_READY, "cannot be read where " + what + " lies");
            if (!visit(std::span<const std::uint8_t>(piece))) return true;
            done += bytes;
            if (done < length) {
                if (!next && !(next = NextCluster(cluster))) return false;
                cluster = *next;
            }
        }
        if (!whole) return Fail(ERROR_UNRECOGNIZED_VOLUME, what + "'s cluster chain runs on past " +
                                                               std::to_string(length) + " bytes");
        return true;
    }

    // Whether the cluster a chain reached after `done` bytes is one of the
    // heap's; the failure says how the chain went wrong when it is not.
    bool Holds(std::uint32_t cluster, std::uint64_t done, const std::string& what) {
        if (InHeap(cluster)) return true;
        const std::uint64_t clusters = done / clusterBytes_;
        return Fail(ERROR_UNRECOGNIZED_VOLUME,
                    cluster >= firstMarker
                        ? what + "'s cluster chain ends after " + std::to_string(clusters) +
                              (clusters == 1 ? " cluster" : " clusters")
                        : what + "'s cluster chain names cluster " + std::to_string(cluster) +
                              ", outside the cluster heap");
    }

    Refusal failure{ERROR_SUCCESS, {}};

private:
    bool InHeap(std::uint32_t cluster) const {
        return cluster >= firstCluster && cluster - firstCluster < layout_.clusterCount;
    }
    bool Fail(DWORD error, std::string problem) {
        failure = {error, std::move(problem)};
        return false;
    }
    bool Reach(ReachedClusters& reached, std::uint32_t cluster, const std::string& what) {
        if (reached.Reach(cluster)) return true;
        return Fail(ERROR_UNRECOGNIZED_VOLUME,
                    what + "'s cluster chain comes back to cluster " + std::to_string(cluster));
    }
    std::optional<std::uint32_t> NextCluster(std::uint32_t cluster) {
        const std::uint64_t at = std::uint64_t{cluster} * 4;
        if (at < windowStart_ || at + 4 > windowStart_ + window_.size()) {
            const std::uint64_t sector = layout_.bytesPerSector;
            // A chain that runs on past the window in order gets a larger one.
            const bool inOrder = !window_.empty() && at == windowStart_ + window_.size();
            const std::uint64_t size = inOrder ? std::min<std::uint64_t>(window_.size() * 2, maxFatWindowBytes) : sector;
            const std::uint64_t start = at - at % sector;
            window_.resize(static_cast<std::size_t>(std::min(size, fatBytes_ - start)));
            const Backing::Transfer got = medium_.ReadAt(window_.data(), window_.size(), fatStart_ + start);
            if (got.error != 0 || got.bytes < window_.size()) {
                window_.clear();
                Fail(ERROR_NOT_READY, "cannot be read where its FAT lies");
                return std::nullopt;
            }
            windowStart_ = start;
        }
        return win32::Le32(window_, static_cast<std::size_t>(at - windowStart_));
    }

    const Backing& medium_;
    const ExfatLayout& layout_;
    const std::uint64_t clusterBytes_;
    const std::uint64_t fatStart_;
    const std::uint64_t fatBytes_;
    std::vector<std::uint8_t> window_; // of the FAT, from byte windowStart_
    std::uint64_t windowStart_ = 0;
};

struct BitmapEntry {
    std::uint32_t firstCluster;
    std::uint64_t dataLength;
};

} // namespace

Result<ExfatLayout> ParseExfatBootSector(std::span<const std::uint8_t> b) {
    auto none = [](const std::string& problem) { return NoBootSector("exFAT", problem); };
    if (b.size() < 512) return none("it is shorter than one sector of 512 bytes");
    if (b[0] != 0xEB || b[1] != 0x76 || b[2] != 0x90) return none("it does not begin with the jump EB 76 90");
    if (!std::equal(fileSystemName.begin(), fileSystemName.end(), b.begin() + 3))
        return none("its file system name is not \"EXFAT   \"");
    if (std::any_of(b.begin() + 11, b.begin() + 64, [](std::uint8_t byte) { return byte != 0; }))
        return none("bytes 11 to 63, where FAT keeps its parameter block, are not zero");
    if (win32::Le16(b, 510) != 0xAA55) return none("its boot signature is not 55 AA");
    if (b[105] != 1) return none(Figure("the file system's major revision", b[105], "not 1"));

    const unsigned sectorShift = b[108], clusterShift = b[109], fatCount = b[110];
    if (sectorShift < 9 || sectorShift > 12)
        return none(Figure("the bytes per sector shift", sectorShift, "not 9 to 12 (512 to 4096 bytes)"));
    if (clusterShift > 25 - sectorShift)
        return none(Figure("the sectors per cluster shift", clusterShift,
                           "more than a cluster of 32 MiB allows (" + std::to_string(25 - sectorShift) + ")"));
    if (fatCount != 1 && fatCount != 2) return none(Figure("the number of FATs", fatCount, "not 1 or 2"));

    ExfatLayout layout{};
    layout.bytesPerSector = 1u << sectorShift;
    layout.sectorsPerCluster = 1u << clusterShift;
    layout.totalSectors = win32::Le64(b, 72);
    layout.fatOffset = win32::Le32(b, 80);
    layout.fatLength = win32::Le32(b, 84);
    layout.clusterHeapOffset = win32::Le32(b, 88);
    layout.clusterCount = win32::Le32(b, 92);
    layout.rootCluster = win32::Le32(b, 96);

    const std::uint64_t minSectors = (std::uint64_t{1} << 20) >> sectorShift;
    if (layout.totalSectors < minSectors)
        return none(Figure("the volume length", layout.totalSectors,
                           "less than 1 MiB (" + std::to_string(minSectors) + " sectors)"));
    if (layout.fatOffset < bootRegionSectors)
        return none(Figure("the FAT offset", layout.fatOffset, "inside the boot regions (below sector 24)"));
    if (layout.fatLength == 0) return none("the FAT length is 0");
    const std::uint64_t fatsEnd = layout.fatOffset + std::uint64_t{layout.fatLength} * fatCount;
    if (layout.clusterHeapOffset < fatsEnd)
        return none(Figure("the cluster heap offset", layout.clusterHeapOffset,
                           "inside the FATs, which end at sector " + std::to_string(fatsEnd)));
    if (layout.clusterCount == 0 || layout.clusterCount > maxClusterCount)
        return none(Figure("the cluster count", layout.clusterCount, "not 1 to " + std::to_string(maxClusterCount)));
    const std::uint64_t heapEnd =
        layout.clusterHeapOffset + (std::uint64_t{layout.clusterCount} << clusterShift);
    if (heapEnd > layout.totalSectors)
        return none("its " + std::to_string(layout.clusterCount) + " clusters end at sector " +
                    std::to_string(heapEnd) + ", beyond the volume's " + std::to_string(layout.totalSectors));
    if (std::uint64_t{layout.fatLength} * layout.bytesPerSector < (std::uint64_t{layout.clusterCount} + 2) * 4)
        return none("a FAT of " + std::to_string(layout.fatLength) + " sectors cannot hold an entry for each of its " +
                    std::to_string(layout.clusterCount) + " clusters");
    if (layout.rootCluster < firstCluster || layout.rootCluster - firstCluster >= layout.clusterCount)
        return none(Figure("the root directory's cluster", layout.rootCluster, "outside the cluster heap"));
    return layout;
}

Result<MountedVolume> ReadExfatVolume(const Backing& medium, const MediumStart& start, bool countFree) {
    const Result<ExfatLayout> boot = WithinMedium(ParseExfatBootSector(start.sector), start.size);
    if (!boot) return boot.Refused();
    const ExfatLayout& layout = *boot;
    // What goes wrong past the boot sector follows the medium's name.
    const auto refused = [](const Refusal& refusal) {
        return Refusal{refusal.error, "holds an exFAT volume, but " + refusal.reason};
    };
    MountedVolume volume = VolumeOf(FileSystem::Exfat, layout, layout.clusterCount,
                                    std::uint64_t{bootRegionSectors} * layout.bytesPerSector);
    // The driver mounts a volume once it has found its allocation bitmap;
    // counting the bitmap walks its chain.
    // With two FATs, bit 0 of the volume flags names the active FAT and bitmap.
    const unsigned active = start.sector[110] == 2 ? win32::Le16(start.sector, 106) & 1u : 0u;
    ChainReader chains(medium, layout, active);
    std::optional<BitmapEntry> bitmap;
    const bool listed = chains.Read(layout.rootCluster, maxDirectoryBytes, false, "its root directory",
                                    [&](std::span<const std::uint8_t> entries) {
                                        for (std::size_t at = 0; at + entryBytes <= entries.size(); at += entryBytes) {
                                            const std::uint8_t type = entries[at];
                                            if (type == endOfDirectory) return false;
                                            if (type == allocationBitmap && (entries[at + 1] & 1u) == active) {
                                                bitmap = BitmapEntry{win32::Le32(entries, at + 20),
                                                                     win32::Le64(entries, at + 24)};
                                                return false;
                                            }
                                        }
                                        return true;
                                    });
    if (!listed) return refused(chains.failure);
    if (!bitmap) return refused({ERROR_UNRECOGNIZED_VOLUME, "its root directory holds no allocation bitmap"});
    const std::uint64_t needed = (std::uint64_t{layout.clusterCount} + 7) / 8;
    if (bitmap->dataLength < needed)
        return refused({ERROR_UNRECOGNIZED_VOLUME, "its allocation bitmap of " + std::to_string(bitmap->dataLength) +
                                                       " bytes is shorter than its " +
                                                       std::to_string(layout.clusterCount) + " clusters need (" +
                                                       std::to_string(needed) + ")"});
    if (!chains.Holds(bitmap->firstCluster, 0, "its allocation bitmap")) return refused(chains.failure);
    if (!countFree) return volume;
    FreeBitCounter counter(layout.clusterCount);
    if (!chains.Read(bitmap->firstCluster, needed, true, "its allocation bitmap",
                     [&](std::span<const std::uint8_t> bytes) { return counter(bytes); }))
        return refused(chains.failure);
    volume.freeClusters = counter.Free();
    return volume;
}

} // namespace hosted

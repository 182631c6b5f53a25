#include "sparse_exfat.h"

#include <algorithm>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace bench {

namespace {

constexpr std::uint64_t sectorBytes = 512;
constexpr std::uint32_t maxClusters = 0xFFFFFFF5;
constexpr std::uint32_t fatOffset = 2048; // sectors
constexpr std::uint32_t endOfChain = 0xFFFFFFFF;

void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value, unsigned size) {
    for (unsigned i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

SparseExfat::SparseExfat(const std::filesystem::path& path, std::uint64_t bytes, unsigned shift) {
    const std::uint64_t clusterSectors = std::uint64_t{1} << shift, clusterBytes = clusterSectors * sectorBytes;
    const std::uint64_t sectors = bytes / sectorBytes;
    // The FAT takes room from the heap it describes: shrink until both fit.
    std::uint64_t clusters = std::min<std::uint64_t>(maxClusters, sectors / clusterSectors), fatLength = 0, heap = 0;
    for (;;) {
        fatLength = ((clusters + 2) * 4 + sectorBytes - 1) / sectorBytes;
        heap = (fatOffset + fatLength + clusterSectors - 1) / clusterSectors * clusterSectors;
        const std::uint64_t fit = std::min<std::uint64_t>(maxClusters, (sectors - heap) / clusterSectors);
        if (fit >= clusters) break;
        clusters = fit;
    }
    bitmapBytes = (clusters + 7) / 8;
    const std::uint64_t bitmapClusters = (bitmapBytes + clusterBytes - 1) / clusterBytes;
    const std::uint64_t root = 2 + bitmapClusters;
    bitmapOffset = heap * sectorBytes;

    std::vector<std::uint8_t> boot(sectorBytes);
    const std::uint8_t start[] = {0xEB, 0x76, 0x90, 'E', 'X', 'F', 'A', 'T', ' ', ' ', ' '};
    std::copy(std::begin(start), std::end(start), boot.begin());
    Put(boot, 72, sectors, 8);
    Put(boot, 80, fatOffset, 4);
    Put(boot, 84, fatLength, 4);
    Put(boot, 88, heap, 4);
    Put(boot, 92, clusters, 4);
    Put(boot, 96, root, 4);
    Put(boot, 104, 0x0100, 2); // revision 1.0
    boot[108] = 9;             // 512-byte sectors
    boot[109] = static_cast<std::uint8_t>(shift);
    boot[110] = 1; // one FAT
    Put(boot, 510, 0xAA55, 2);

    // Entries 0 and 1, the bitmap's chain of neighbours, the root's one cluster.
    std::vector<std::uint8_t> fat((root + 1) * 4);
    Put(fat, 0, 0xFFFFFFF8, 4);
    Put(fat, 4, endOfChain, 4);
    for (std::uint64_t cluster = 2; cluster < root; ++cluster) Put(fat, cluster * 4, cluster + 1 == root ? endOfChain : cluster + 1, 4);
    Put(fat, root * 4, endOfChain, 4);

    const std::uint64_t used = bitmapClusters + 1;
    std::vector<std::uint8_t> bits((used + 7) / 8);
    for (std::uint64_t cluster = 0; cluster < used; ++cluster) bits[cluster / 8] |= static_cast<std::uint8_t>(1u << (cluster % 8));

    std::vector<std::uint8_t> directory(2 * 32);
    directory[0] = 0x81; // the allocation bitmap, from cluster 2
    Put(directory, 20, 2, 4);
    Put(directory, 24, bitmapBytes, 8);

    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool written = fd >= 0 && ::ftruncate(fd, static_cast<off_t>(bytes)) == 0;
    for (const auto& [at, part] : {std::pair{std::uint64_t{0}, &boot}, std::pair{std::uint64_t{fatOffset} * sectorBytes, &fat},
                                   std::pair{bitmapOffset, &bits},
                                   std::pair{bitmapOffset + (root - 2) * clusterBytes, &directory}})
        written = written && ::pwrite(fd, part->data(), part->size(), static_cast<off_t>(at)) ==
                                 static_cast<ssize_t>(part->size());
    if (fd >= 0) ::close(fd);
    if (!written) throw std::runtime_error("cannot write " + path.string());
}

} // namespace bench

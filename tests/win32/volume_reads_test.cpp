// What measuring a volume reads: its FAT, allocation bitmap or $Bitmap in a
// few large reads, however many clusters it has; a chain that comes back on itself no
// further than the cluster where it does; and nothing again while the medium
// is unchanged, whether the volume could be measured or not.
#include <filesystem>

#include "hosted_fixture.h"

namespace hostedtest {
namespace {

using testsupport::Bytes;
using testsupport::DdPatch;
using testsupport::Le32;
using testsupport::LittleEndian;
using testsupport::VolumeFigures;

class VolumeReadsTest : public HostedTest {
protected:
    // GetDiskFreeSpaceA's figures for C:, and the reads it made; nothing but
    // the reads when it fails.
    std::optional<VolumeFigures> Measure() {
        DWORD perCluster = 0, sectorSize = 0, freeClusters = 0, totalClusters = 0;
        const Reads before = ReadsSoFar();
        const BOOL measured = GetDiskFreeSpaceA("C:\\", &perCluster, &sectorSize, &freeClusters, &totalClusters);
        made = ReadsSoFar() - before;
        if (!measured) return std::nullopt;
        return VolumeFigures{sectorSize, perCluster, totalClusters, freeClusters};
    }

    Reads made{};
};

// 2 GiB of FAT32 in clusters of 512 bytes: a FAT of 16 MiB, read in pieces
// of 1 MiB.
TEST_F(VolumeReadsTest, AFatIsReadInPiecesOfAMebibyte) {
    const std::filesystem::path image = MapImage('C', 2 * 1024 * 1024, "-F 32 -s 1");
    const testsupport::FatFigures figures = testsupport::FsckFigures(image);
    const std::optional<VolumeFigures> measured = Measure();
    ASSERT_TRUE(measured);
    EXPECT_EQ(measured->totalClusters, figures.dataClusters);
    EXPECT_EQ(measured->freeClusters, figures.dataClusters - figures.usedClusters);
    const std::uint64_t fatBytes = (std::uint64_t{figures.dataClusters} + 2) * 4;
    EXPECT_LE(made.calls, fatBytes / (1 << 20) + 4) << made.bytes << " bytes";
    EXPECT_LT(made.bytes, fatBytes + (64 << 10)) << made.calls << " calls";
}

// Used entries count wherever they lie in a FAT: far from the clusters in
// use, alone among millions of free entries, and in its very last entry;
// an entry whose only set bits are FAT32's four reserved ones is free.
TEST_F(VolumeReadsTest, EveryUsedEntryOfAFatCountsWhereverItLies) {
    const std::filesystem::path image = MapImage('C', 2 * 1024 * 1024, "-F 32 -s 1");
    const testsupport::FatFigures figures = testsupport::FsckFigures(image);
    const std::uint64_t fat = LittleEndian(testsupport::DdRead(image, 14, 2)) * figures.bytesPerSector;
    const auto patchEntry = [&](std::uint32_t entry, std::uint32_t value) {
        DdPatch(image, fat + std::uint64_t{entry} * 4, Le32(value));
    };
    for (const std::uint32_t entry : {5000u, (1u << 20) + 3, figures.dataClusters + 1}) patchEntry(entry, 0x0FFFFFFF);
    patchEntry(3u << 20, 0xF0000000);
    const std::optional<VolumeFigures> measured = Measure();
    ASSERT_TRUE(measured);
    EXPECT_EQ(measured->freeClusters, figures.dataClusters - figures.usedClusters - 3);
}

// 8 GiB of exFAT in clusters of 512 bytes: an allocation bitmap of 2 MiB in
// 4096 clusters, found through 16 KiB of FAT.
TEST_F(VolumeReadsTest, AnExfatBitmapAndItsChainAreReadInAFewLargePieces) {
    const auto image = testsupport::MakeExfatImage(dir, "exfat.img", 8 * 1024, "-c 512");
    hosted::MapDrive('C', {image.string()});
    const VolumeFigures expected = testsupport::DumpExfatFigures(image);
    EXPECT_EQ(Measure(), expected);
    EXPECT_LE(made.calls, 12u) << made.bytes << " bytes";
    EXPECT_LT(made.bytes, std::uint64_t{expected.totalClusters} / 8 + (64 << 10)) << made.calls << " calls";
}

// 16 GiB of NTFS in clusters of 512 bytes: a $Bitmap of 4 MiB, which
// libntfs-3g reads in pieces of 64 KiB when it counts it.
TEST_F(VolumeReadsTest, AnNtfsBitmapIsReadInAFewLargePieces) {
    const auto image = testsupport::MakeNtfsImage(dir, "ntfs.img", 16 * 1024, "-c 512");
    hosted::MapDrive('C', {image.string()});
    const VolumeFigures expected = testsupport::NtfsinfoFigures(image);
    EXPECT_EQ(Measure(), expected);
    EXPECT_LE(made.calls, 24u) << made.bytes << " bytes";
    EXPECT_LT(made.bytes, std::uint64_t{expected.totalClusters} / 8 + (1 << 20)) << made.calls << " calls";
}

// A root directory whose chain comes back to its first cluster, and holds
// no entry that ends it, is refused there, not after the 256 MiB a directory
// may hold; the refusal is kept, as a good measurement is, until the medium
// changes.
TEST_F(VolumeReadsTest, AChainThatComesBackIsRefusedAtOnceAndTheRefusalKept) {
    const auto image = testsupport::MakeExfatImage(dir, "loop.img", 50, "-c 512");
    hosted::MapDrive('C', {image.string()});
    const VolumeFigures expected = testsupport::DumpExfatFigures(image);
    const std::uint32_t root = static_cast<std::uint32_t>(LittleEndian(testsupport::DdRead(image, 96, 4)));
    const std::uint64_t fat = LittleEndian(testsupport::DdRead(image, 80, 4)) * 512;
    const std::uint64_t heap = LittleEndian(testsupport::DdRead(image, 88, 4)) * 512;
    const std::uint64_t rootAt = heap + std::uint64_t{root - 2} * 512;
    const Bytes directory = testsupport::DdRead(image, rootAt, 512);
    Bytes deleted(512, 0);
    for (std::size_t at = 0; at < deleted.size(); at += 32) deleted[at] = 0x05;
    DdPatch(image, rootAt, deleted);
    DdPatch(image, fat + std::uint64_t{root} * 4, Le32(root));

    EXPECT_EQ(Measure(), std::nullopt);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_UNRECOGNIZED_VOLUME});
    EXPECT_LT(made.bytes, std::uint64_t{64} << 10) << made.calls << " calls";
    EXPECT_EQ(hosted::InspectDrive('C')->problem,
              "holds an exFAT volume, but its root directory's cluster chain comes back to cluster " +
                  std::to_string(root));
    EXPECT_EQ(Measure(), std::nullopt);
    EXPECT_EQ(made.bytes, 0u) << "measured again";

    DdPatch(image, fat + std::uint64_t{root} * 4, Le32(0xFFFFFFFF));
    DdPatch(image, rootAt, directory);
    EXPECT_EQ(Measure(), expected);
}

} // namespace
} // namespace hostedtest

// NTFS and exFAT, which NT mounts and Windows 95/98 do not: the figures
// GetDiskFreeSpaceA reports equal those of the volumes' own tools, volume
// handles work on them as on FAT, and a damaged boot region is refused with
// Windows' errors, never a crash.
#include <chrono>
#include <filesystem>

#include "hosted_fixture.h"
#include "sparse_image.h"

namespace hostedtest {
namespace {

using testsupport::Bytes;
using testsupport::Le32;
using testsupport::Le64;
using testsupport::LittleEndian;
using testsupport::TodaysVolume;
using testsupport::VolumeFigures;

// GetDiskFreeSpaceA's figures for C:, or nothing with the test failed.
std::optional<VolumeFigures> Measured(char letter = 'C') {
    DWORD perCluster = 0, sectorSize = 0, freeClusters = 0, totalClusters = 0;
    const char root[] = {letter, ':', '\\', '\0'};
    if (!GetDiskFreeSpaceA(root, &perCluster, &sectorSize, &freeClusters, &totalClusters)) return std::nullopt;
    return VolumeFigures{sectorSize, perCluster, totalClusters, freeClusters};
}

DWORD FailureOf(char letter) {
    EXPECT_FALSE(Measured(letter).has_value()) << letter;
    return GetLastError();
}

class VolumeFiguresTest : public HostedTest, public ::testing::WithParamInterface<TodaysVolume> {};

TEST_P(VolumeFiguresTest, EqualTheToolsFigures) {
    const std::filesystem::path image = testsupport::MakeVolume(dir, GetParam());
    if (GetParam().ntfs) {
        // Files make the free clusters something other than a fresh volume's.
        testsupport::WriteFile(dir / "data.bin", testsupport::Pattern(300000, 1));
        testsupport::RunOk("ntfscp -f '" + image.string() + "' '" + (dir / "data.bin").string() + "' data.bin");
    }
    hosted::MapDrive('C', {image.string()});
    EXPECT_EQ(Measured(), testsupport::ToolFigures(GetParam(), image));
    EXPECT_EQ(hosted::InspectDrive('C')->problem, "");
}

INSTANTIATE_TEST_SUITE_P(
    Today, VolumeFiguresTest,
    ::testing::Values(TodaysVolume{"Ntfs512", true, 64, "-c 512"}, TodaysVolume{"Ntfs4K", true, 300, "-c 4096"},
                      TodaysVolume{"Ntfs64K", true, 2048, "-c 65536"},
                      TodaysVolume{"Ntfs4KSectors", true, 200, "-s 4096 -c 8192"},
                      TodaysVolume{"Exfat4K", false, 64, "-c 4K"}, TodaysVolume{"Exfat32K", false, 300, "-c 32K"},
                      TodaysVolume{"Exfat1M", false, 4096, "-c 1M"}, TodaysVolume{"Exfat512", false, 40, "-c 512"}),
    [](const auto& info) { return std::string(info.param.name); });

class TodaysVolumeTest : public HostedTest {
protected:
    void SetUp() override {
        HostedTest::SetUp();
        ntfs = testsupport::MakeNtfsImage(dir, "ntfs.img", 64, "-c 4096");
        exfat = testsupport::MakeExfatImage(dir, "exfat.img", 64, "-c 4K");
        hosted::MapDrive('N', {ntfs.string()});
        hosted::MapDrive('X', {exfat.string()});
    }
    std::filesystem::path ntfs, exfat;
};

// A volume handle reads, locks and writes an NTFS or exFAT volume as it does
// a FAT one; the write changes exactly its sectors.
TEST_F(TodaysVolumeTest, VolumeHandlesReadLockAndWriteAsOnFat) {
    for (const auto& [letter, image] : {std::pair{'N', ntfs}, std::pair{'X', exfat}}) {
        OwnedHandle volume(OpenVolume(letter));
        ASSERT_TRUE(volume.valid()) << letter;
        EXPECT_EQ(ReadVolume(volume.get(), 0, 512), testsupport::DdRead(image, 0, 512)) << letter;
        EXPECT_EQ(ReadVolume(volume.get(), 40 << 20, 8192), testsupport::DdRead(image, 40 << 20, 8192)) << letter;
        DWORD returned = 0;
        ASSERT_TRUE(DeviceIoControl(volume.get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr));
        EXPECT_FALSE(OpenVolume(letter) != INVALID_HANDLE_VALUE) << "a locked volume opens no other handle";

        testsupport::SparseImage expected = testsupport::SparseImage::Read(image);
        const Bytes data = testsupport::Pattern(4096, 5);
        expected.Write(30 << 20, data);
        LONG high = 0;
        ASSERT_EQ(SetFilePointer(volume.get(), 30 << 20, &high, FILE_BEGIN), DWORD{30 << 20});
        DWORD put = 0;
        ASSERT_TRUE(WriteFile(volume.get(), data.data(), 4096, &put, nullptr)) << letter;
        EXPECT_TRUE(DeviceIoControl(volume.get(), FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr));
        EXPECT_TRUE(testsupport::SameImage(testsupport::SparseImage::Read(image), expected)) << letter;
    }
}

// Windows 95/98 know FAT only: their GetDiskFreeSpaceA does not recognise the
// volumes, and the program is told why. The same machine back on NT mounts
// them again.
TEST_F(TodaysVolumeTest, Windows95And98DoNotRecogniseThem) {
    const std::string why[] = {"holds an NTFS file system, which Windows 95/98 does not recognise",
                               "holds an exFAT file system, which Windows 95/98 does not recognise"};
    for (const char* platform : {"95", "98"}) {
        hosted::SetPlatform(platform);
        EXPECT_EQ(FailureOf('N'), ERROR_UNRECOGNIZED_VOLUME) << platform;
        EXPECT_EQ(FailureOf('X'), ERROR_UNRECOGNIZED_VOLUME) << platform;
        EXPECT_EQ(hosted::InspectDrive('N')->problem, why[0]);
        EXPECT_EQ(hosted::InspectDrive('X')->problem, why[1]);
    }
    hosted::SetPlatform("nt");
    EXPECT_EQ(Measured('N'), testsupport::NtfsinfoFigures(ntfs));
    EXPECT_EQ(Measured('X'), testsupport::DumpExfatFigures(exfat));
    hosted::SetPlatform("98");
    EXPECT_EQ(FailureOf('N'), ERROR_UNRECOGNIZED_VOLUME) << "not the mount NT made";
}

// A 64 GiB volume, sparse: NTFS mounts and exFAT's bitmap is counted well
// within a second.
TEST_F(TodaysVolumeTest, SixtyFourGiBAreMeasuredWellUnderASecond) {
    const auto bigNtfs = testsupport::MakeNtfsImage(dir, "big-ntfs.img", 64 * 1024, "-c 4096");
    const auto bigExfat = testsupport::MakeExfatImage(dir, "big-exfat.img", 64 * 1024, "-c 4K");
    for (const auto& [image, expected] : {std::pair{bigNtfs, testsupport::NtfsinfoFigures(bigNtfs)},
                                          std::pair{bigExfat, testsupport::DumpExfatFigures(bigExfat)}}) {
        hosted::MapDrive('B', {image.string()});
        const auto start = std::chrono::steady_clock::now();
        const std::optional<VolumeFigures> figures = Measured('B');
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(figures, expected) << image;
        EXPECT_LT(took, std::chrono::milliseconds(500)) << image;
    }
}

struct Damage {
    const char* what;
    std::uint64_t at;
    Bytes bytes;
    DWORD error;
    std::string problem;
};

class DamagedBootRegionTest : public HostedTest {
protected:
    // Each damage on a fresh copy of `image`: GetDiskFreeSpaceA fails with
    // the error, and the drive's inspection names the problem.
    void Expect(const std::filesystem::path& image, const std::vector<Damage>& damages) {
        for (const Damage& damage : damages) {
            const std::filesystem::path copy = dir / "damaged.img";
            std::filesystem::copy_file(image, copy, std::filesystem::copy_options::overwrite_existing);
            testsupport::DdPatch(copy, damage.at, damage.bytes);
            hosted::MapDrive('D', {copy.string()});
            EXPECT_EQ(FailureOf('D'), damage.error) << damage.what;
            EXPECT_EQ(hosted::InspectDrive('D')->problem, damage.problem) << damage.what;
        }
    }
};

TEST_F(DamagedBootRegionTest, NtfsIsRefusedWithWindowsErrors) {
    // 64 MiB, 4 KiB clusters: 131071 sectors.
    const auto image = testsupport::MakeNtfsImage(dir, "ntfs.img", 64, "-c 4096");
    const std::uint64_t mftCluster = LittleEndian(testsupport::DdRead(image, 48, 8));
    const std::string none = "holds no NTFS boot sector: ";
    Expect(image, {
        {"no bytes per sector", 11, {0, 0}, ERROR_UNRECOGNIZED_VOLUME,
         none + "bytes per sector is 0, not a power of two from 512 to 4096"},
        {"sectors per cluster 3", 13, {3}, ERROR_UNRECOGNIZED_VOLUME,
         none + "the sectors per cluster byte is 3, neither a power of two up to 128 nor 0xF4 to 0xFF"},
        {"clusters of 4 MiB", 13, {0xF3}, ERROR_UNRECOGNIZED_VOLUME,
         none + "the sectors per cluster byte is 243, neither a power of two up to 128 nor 0xF4 to 0xFF"},
        {"clusters of 16 MiB", 11, {0x00, 0x10, 0xF4}, ERROR_UNRECOGNIZED_VOLUME,
         none + "the cluster size is 16777216, more than 2 MiB"},
        {"no sectors", 40, Le64(0), ERROR_UNRECOGNIZED_VOLUME, none + "total sectors is 0, less than one cluster"},
        {"more sectors than the medium", 40, Le64(131073), ERROR_NOT_READY,
         "claims 131073 sectors (67109376 bytes) in its boot sector, but holds only 67108864 bytes"},
        {"an absurd count of sectors", 40, Le64(UINT64_MAX), ERROR_UNRECOGNIZED_VOLUME,
         none + "2305843009213693951 clusters are more than NTFS numbers (4294967295)"},
        {"the MFT beyond the volume", 48, Le64(16384), ERROR_UNRECOGNIZED_VOLUME,
         none + "the MFT's first cluster is 16384, beyond the volume"},
        {"records of 0 bytes", 64, {0}, ERROR_UNRECOGNIZED_VOLUME,
         none + "the MFT record size byte is 0, not a record of 256 bytes to 64 KiB"},
        {"a FAT field", 16, {2}, ERROR_UNRECOGNIZED_VOLUME,
         none + "its reserved sectors or number of FATs, which NTFS keeps 0, are not"},
        {"no boot signature", 510, {0, 0}, ERROR_UNRECOGNIZED_VOLUME, none + "its boot signature is not 55 AA"},
    });
    // Past the boot sector, the library finds the volume damaged and says
    // where: the MFT's first record.
    const std::filesystem::path copy = dir / "damaged.img";
    std::filesystem::copy_file(image, copy, std::filesystem::copy_options::overwrite_existing);
    testsupport::DdPatch(copy, 4096 * mftCluster, testsupport::Pattern(8192, 3));
    hosted::MapDrive('D', {copy.string()});
    EXPECT_EQ(FailureOf('D'), ERROR_UNRECOGNIZED_VOLUME);
    const std::string problem = hosted::InspectDrive('D')->problem;
    EXPECT_EQ(problem.rfind("holds a damaged NTFS volume: ", 0), 0u) << problem;
    EXPECT_NE(problem.find("record 0 "), std::string::npos) << problem;
    EXPECT_NE(problem.find("$MFT"), std::string::npos) << problem;
}

TEST_F(DamagedBootRegionTest, ExfatIsRefusedWithWindowsErrors) {
    // 64 MiB, 4 KiB clusters: FAT at sector 2048, heap at 4096, 15872 clusters.
    const auto image = testsupport::MakeExfatImage(dir, "exfat.img", 64, "-c 4K");
    const std::string none = "holds no exFAT boot sector: ";
    Expect(image, {
        {"sectors of 256 bytes", 108, {8}, ERROR_UNRECOGNIZED_VOLUME,
         none + "the bytes per sector shift is 8, not 9 to 12 (512 to 4096 bytes)"},
        {"clusters of 64 MiB", 109, {17}, ERROR_UNRECOGNIZED_VOLUME,
         none + "the sectors per cluster shift is 17, more than a cluster of 32 MiB allows (16)"},
        {"no FATs", 110, {0}, ERROR_UNRECOGNIZED_VOLUME, none + "the number of FATs is 0, not 1 or 2"},
        {"no clusters", 92, Le32(0), ERROR_UNRECOGNIZED_VOLUME, none + "the cluster count is 0, not 1 to 4294967285"},
        {"clusters past the volume", 92, Le32(16000), ERROR_UNRECOGNIZED_VOLUME,
         none + "its 16000 clusters end at sector 132096, beyond the volume's 131072"},
        {"the FAT in the boot region", 80, Le32(1), ERROR_UNRECOGNIZED_VOLUME,
         none + "the FAT offset is 1, inside the boot regions (below sector 24)"},
        {"an empty volume length", 72, Le64(0), ERROR_UNRECOGNIZED_VOLUME,
         none + "the volume length is 0, less than 1 MiB (2048 sectors)"},
        {"a volume past the medium", 72, Le64(UINT64_MAX), ERROR_NOT_READY,
         "claims 18446744073709551615 sectors (18446744073709551104 bytes) in its boot sector, but holds only "
         "67108864 bytes"},
        {"a root directory outside the heap", 96, Le32(1), ERROR_UNRECOGNIZED_VOLUME,
         none + "the root directory's cluster is 1, outside the cluster heap"},
        {"bytes where FAT keeps its parameters", 11, {2}, ERROR_UNRECOGNIZED_VOLUME,
         none + "bytes 11 to 63, where FAT keeps its parameter block, are not zero"},
    });
}

// The allocation bitmap, found through the root directory: one outside the
// cluster heap, or beyond the end of a medium cut short, is refused.
TEST_F(DamagedBootRegionTest, AnExfatBitmapOutsideTheVolumeIsRefused) {
    const auto image = testsupport::MakeExfatImage(dir, "exfat.img", 64, "-c 4K");
    const std::string exfat = "holds an exFAT volume, but ";
    // The bitmap's entry in the first cluster of the root directory, where
    // mkfs.exfat puts it; its first cluster is at byte 20, its length at 24.
    const std::uint64_t heap = LittleEndian(testsupport::DdRead(image, 88, 4)) * 512;
    const std::uint64_t root = heap + (LittleEndian(testsupport::DdRead(image, 96, 4)) - 2) * 4096;
    const Bytes entries = testsupport::DdRead(image, root, 4096);
    std::uint64_t at = 0;
    while (at < entries.size() && entries[at] != 0x81) at += 32;
    ASSERT_LT(at, entries.size());
    const std::uint64_t bitmapEntry = root + at;
    Expect(image, {
        {"a bitmap past the heap", bitmapEntry + 20, Le32(20000), ERROR_UNRECOGNIZED_VOLUME,
         exfat + "its allocation bitmap's cluster chain names cluster 20000, outside the cluster heap"},
        {"a bitmap too short", bitmapEntry + 24, Le64(100), ERROR_UNRECOGNIZED_VOLUME,
         exfat + "its allocation bitmap of 100 bytes is shorter than its 15872 clusters need (1984)"},
        {"no bitmap", bitmapEntry, {0x01}, ERROR_UNRECOGNIZED_VOLUME, exfat + "its root directory holds no allocation bitmap"},
    });
    // A bitmap of 20 clusters of 512 bytes whose chain ends after its first.
    const auto small = testsupport::MakeExfatImage(dir, "small.img", 40, "-c 512");
    const std::uint64_t fat = LittleEndian(testsupport::DdRead(small, 80, 4)) * 512;
    ASSERT_NE(testsupport::RunOk("dump.exfat '" + small.string() + "'").find("Bitmap start cluster: \t\t\t2\n"),
              std::string::npos);
    Expect(small, {{"a bitmap chain cut short", fat + 2 * 4, Le32(0xFFFFFFFF), ERROR_UNRECOGNIZED_VOLUME,
                    exfat + "its allocation bitmap's cluster chain ends after 1 cluster"}});
    // The volume as it was, on a medium that ends before its clusters do.
    const std::filesystem::path cut = dir / "cut.img";
    std::filesystem::copy_file(image, cut);
    std::filesystem::resize_file(cut, 4096ull * 512 + 4096);
    hosted::MapDrive('K', {cut.string()});
    EXPECT_EQ(FailureOf('K'), ERROR_NOT_READY);
    EXPECT_EQ(hosted::InspectDrive('K')->problem,
              "claims 131072 sectors (67108864 bytes) in its boot sector, but holds only 2101248 bytes");
}

} // namespace
} // namespace hostedtest

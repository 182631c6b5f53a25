// zelvan on today's volumes: NTFS and exFAT images made by their own tools,
// and the rule of Windows from Vista on that a write into a mounted file
// system needs the volume locked.
#include <gtest/gtest.h>

#include "sparse_image.h"
#include "zelvan_run.h"

namespace tools_test {
namespace {

using testsupport::Bytes;
using testsupport::SparseImage;
using testsupport::TodaysVolume;

std::string Operands(std::uint64_t first, std::uint64_t count) { return std::to_string(first) + " " + std::to_string(count); }

class TodaysVolumes : public ::testing::TestWithParam<TodaysVolume> {
protected:
    testsupport::TempDir dir;
};

// info gives ntfsinfo's or dump.exfat's figures; a read gives dd's bytes and
// a write changes the image by exactly its run.
TEST_P(TodaysVolumes, InfoReadAndWriteAgreeWithTheirTools) {
    const TodaysVolume& volume = GetParam();
    const auto image = testsupport::MakeVolume(dir, volume);
    const testsupport::VolumeFigures figures = testsupport::ToolFigures(volume, image);
    const std::string drive = "--drive C=" + Quote(image);
    const ToolResult info = RunZelvan(drive + " info C");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(Field(info.out, "bytes per sector"), std::to_string(figures.bytesPerSector));
    EXPECT_EQ(Field(info.out, "sectors per cluster"), std::to_string(figures.sectorsPerCluster));
    EXPECT_EQ(Field(info.out, "total clusters"), std::to_string(figures.totalClusters));
    EXPECT_EQ(Field(info.out, "free clusters"), std::to_string(figures.freeClusters));

    // Past the middle of the volume, across a cluster's end.
    const std::uint64_t sector = volume.mib * (1 << 20) / 2 / figures.bytesPerSector + figures.sectorsPerCluster - 1;
    const std::uint64_t offset = sector * figures.bytesPerSector, bytes = 3ull * figures.bytesPerSector;
    const auto output = dir / "read.bin";
    const ToolResult read = RunZelvan(drive + " read C " + Operands(sector, 3) + " -o " + Quote(output));
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(testsupport::ReadFile(output), testsupport::DdRead(image, offset, bytes));

    SparseImage expected = SparseImage::Read(image);
    const Bytes data = testsupport::Pattern(bytes, 29);
    expected.Write(offset, data);
    testsupport::WriteFile(dir / "data.bin", data);
    const ToolResult write = RunZelvan(drive + " --yes write C " + Operands(sector, 3) + " -i " + Quote(dir / "data.bin"));
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_TRUE(testsupport::SameImage(SparseImage::Read(image), expected));
}

TEST_P(TodaysVolumes, Windows95And98RefuseThemAndSayWhy) {
    const auto image = testsupport::MakeVolume(dir, GetParam());
    const std::string why = std::string("holds an ") + (GetParam().ntfs ? "NTFS" : "exFAT") +
                            " file system, which Windows 95/98 does not recognise";
    for (const char* platform : {"95", "98"}) {
        ExpectFailure(RunZelvan("--drive C=" + Quote(image) + " --platform " + platform + " info C"), why);
        ExpectFailure(RunZelvan("--drive C=" + Quote(image) + " --platform " + platform + " read C 0 1"), why);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, TodaysVolumes,
                         ::testing::Values(TodaysVolume{"Ntfs4K", true, 64, "-c 4096"},
                                           TodaysVolume{"Ntfs512", true, 300, "-c 512"},
                                           TodaysVolume{"Exfat4K", false, 64, "-c 4K"},
                                           TodaysVolume{"Exfat128K", false, 600, "-c 128K"}),
                         [](const auto& info) { return std::string(info.param.name); });

// On NT, zelvan reaches every sector of a 5 GiB FAT32 volume: a write across
// 4 GiB changes exactly its run, and a read far beyond gives dd's bytes.
TEST(ZelvanOnNt, ReachesEverySectorBeyondFourGiB) {
    const testsupport::TempDir dir;
    const auto image = testsupport::MakeFatImage(dir, "large.img", 5 * 1024 * 1024, "-F 32");
    const std::string drive = "--drive E=" + Quote(image);
    const std::uint64_t first = (std::uint64_t{1} << 32) / 512 - 8;
    SparseImage expected = SparseImage::Read(image);
    const Bytes data = testsupport::Pattern(16 * 512, 43);
    expected.Write(first * 512, data);
    testsupport::WriteFile(dir / "data.bin", data);
    const ToolResult write = RunZelvan(drive + " --yes write E " + Operands(first, 16) + " -i " + Quote(dir / "data.bin"));
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_TRUE(testsupport::SameImage(SparseImage::Read(image), expected));

    testsupport::RunOk("printf 'far beyond' | dd of=" + Quote(image) +
                       " bs=1 seek=5120000100 conv=notrunc status=none");
    const ToolResult read = RunZelvan(drive + " read E 10000000 2 -o " + Quote(dir / "read.bin"));
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(testsupport::ReadFile(dir / "read.bin"), testsupport::DdRead(image, 5120000000, 1024));
}

// A 3 TiB NTFS volume of 64 KiB clusters: total clusters x sectors per
// cluster passes 2^32, and B is what the 32-bit product leaves. zelvan says
// so, and which sectors that puts out of reach, rather than a false product.
TEST(ZelvanOnNt, ABoundThatWrapsAtTwoToThe32IsNamedAsSuch) {
    const testsupport::TempDir dir;
    const auto image = testsupport::MakeNtfsImage(dir, "3tib.img", std::uint64_t{3} << 20, "-c 65536");
    const testsupport::VolumeFigures figures = testsupport::NtfsinfoFigures(image);
    const std::uint64_t sectors = std::uint64_t{figures.totalClusters} * figures.sectorsPerCluster;
    ASSERT_GT(sectors, 0xFFFFFFFFu);
    const std::uint64_t bound = sectors % (std::uint64_t{1} << 32);
    const std::string wrap = std::to_string(bound * 512) + " bytes), since " + std::to_string(figures.totalClusters) +
                             " clusters x " + std::to_string(figures.sectorsPerCluster) + " sectors = " +
                             std::to_string(sectors) + " wraps at 2^32: sectors " + std::to_string(bound) + " to " +
                             std::to_string(sectors - 1) + " are out of the component's reach";
    const std::string drive = "--drive D=" + Quote(image);
    const ToolResult info = RunZelvan(drive + " info D");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(Field(info.out, "size bound B"), std::to_string(bound) + " sectors (" + wrap);
    ExpectFailure(RunZelvan(drive + " read D " + std::to_string(bound) + " 1"),
                  "FIRST " + std::to_string(bound) + " is refused: it is not below drive D:'s size bound B = " +
                      std::to_string(bound) + " sectors (" + wrap + "\n");
}

// On Windows 10, a write into the FAT volume's data area is refused without
// --lock, with the advice to give it, and changes nothing; with --lock it is
// done, and the boot sector is written without.
TEST(ZelvanOnWindows10, AWriteIntoTheFileSystemNeedsLock) {
    const Images images;
    const FatGeometry geometry = ReadGeometry(images.disk());
    const std::uint32_t sector = geometry.firstDataSector + 5;
    const std::uint64_t offset = std::uint64_t{sector} * geometry.bytesPerSector;
    const Bytes data = testsupport::Pattern(geometry.bytesPerSector, 31);
    testsupport::WriteFile(images.dir() / "one.bin", data);
    const std::string write = images.Drives() + " --platform 10 --yes write C ";
    const std::string input = " -i " + Quote(images.dir() / "one.bin");

    SparseImage expected = SparseImage::Read(images.disk());
    ExpectFailure(RunZelvan(write + Operands(sector, 1) + input),
                  "could not write sectors " + std::to_string(sector) + " to " + std::to_string(sector) +
                      " of C: (2 attempts, 4 WriteFile calls): the volume refused the write (ERROR_ACCESS_DENIED): from "
                      "Windows Vista on, a write into the space of a mounted file system needs the volume locked, which "
                      "--lock does (unless another program has locked it); --trace shows the Win32 calls; nothing was "
                      "written\n");
    EXPECT_TRUE(testsupport::SameImage(SparseImage::Read(images.disk()), expected));

    const ToolResult locked = RunZelvan(write + "--lock " + Operands(sector, 1) + input);
    ASSERT_EQ(locked.status, 0) << locked.err;
    expected.Write(offset, data);
    EXPECT_TRUE(testsupport::SameImage(SparseImage::Read(images.disk()), expected));

    const ToolResult boot = RunZelvan(write + Operands(0, 1) + input);
    ASSERT_EQ(boot.status, 0) << boot.err;
    expected.Write(0, data);
    EXPECT_TRUE(testsupport::SameImage(SparseImage::Read(images.disk()), expected));
}

} // namespace
} // namespace tools_test

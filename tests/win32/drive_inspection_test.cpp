// What the machine says is wrong with a drive's backing, and that hostile
// backings (a FIFO, a boot sector FAT cannot be, a huge sparse file) are
// answered at once with the Windows error, without hanging or scanning.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

#include "hosted_fixture.h"

namespace hostedtest {
namespace {

using testsupport::Bytes;

class DriveInspectionTest : public HostedTest {
protected:
    // The problem InspectDrive finds behind `path`, mapped to P:.
    std::string ProblemOf(const std::filesystem::path& path) {
        hosted::MapDrive('P', {path.string()});
        std::optional<hosted::DriveInspection> inspection = hosted::InspectDrive('P');
        EXPECT_TRUE(inspection.has_value());
        EXPECT_EQ(inspection->path, path.string());
        return inspection ? inspection->problem : "";
    }

    // An image whose first sector is that of a fresh mkfs.fat volume, with
    // `patch` applied to it.
    std::filesystem::path PatchedBootSector(const std::string& name, std::size_t at, Bytes patch) {
        const std::filesystem::path image = testsupport::MakeFatImage(dir, name, 1440, "-F 12");
        Bytes bytes = testsupport::ReadFile(image);
        std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        testsupport::WriteFile(image, bytes);
        return image;
    }
};

TEST_F(DriveInspectionTest, EachBackingThatIsNoVolumeIsNamedWithItsFault) {
    EXPECT_FALSE(hosted::InspectDrive('Q').has_value());
    std::filesystem::create_directory(dir / "folder");
    testsupport::WriteFile(dir / "empty.img", {});
    testsupport::WriteFile(dir / "zeros.img", Bytes(64 * 1024));
    testsupport::RunOk("mkfs.ext2 -q -F '" + (dir / "ext2.img").string() + "' 1024");
    std::filesystem::create_symlink("loop", dir / "loop");

    EXPECT_EQ(ProblemOf(dir / "missing.img"), "does not exist");
    EXPECT_EQ(ProblemOf(dir / "folder"), "is a folder, not a disk image or block device");
    EXPECT_EQ(ProblemOf("/dev/zero"), "is a character device, not a disk image or block device");
    EXPECT_EQ(ProblemOf(dir / "loop"), "is a loop of symbolic links");
    EXPECT_EQ(ProblemOf(dir / "empty.img"), "is empty");
    EXPECT_EQ(ProblemOf(dir / "zeros.img"),
              "holds no FAT boot sector: it does not begin with a jump instruction (0xEB or 0xE9)");
    EXPECT_EQ(ProblemOf(dir / "ext2.img"), "holds an ext2/3/4 file system, not a FAT, NTFS or exFAT volume");
    EXPECT_EQ(ProblemOf(PatchedBootSector("bps0.img", 11, {0, 0})),
              "holds no FAT boot sector: bytes per sector is 0, not a power of two from 512 to 4096");
    EXPECT_EQ(ProblemOf(PatchedBootSector("spc3.img", 13, {3})),
              "holds no FAT boot sector: sectors per cluster is 3, not a power of two from 1 to 128");
    const std::filesystem::path good = testsupport::MakeFatImage(dir, "good.img", 1440, "-F 12");
    std::optional<hosted::DriveInspection> fine = (hosted::MapDrive('G', {good.string(), {}, true}), hosted::InspectDrive('G'));
    ASSERT_TRUE(fine.has_value());
    EXPECT_EQ(fine->problem, "");
    EXPECT_EQ(fine->bytes, std::optional<std::uint64_t>(1440 * 1024));
    EXPECT_EQ(fine->sectorBytes, 512u);
    EXPECT_TRUE(fine->readOnly);
}

// A FIFO is never opened: every call that needs the medium answers at once.
TEST_F(DriveInspectionTest, AFifoBackingAnswersWithoutWaitingForAWriter) {
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    hosted::MapDrive('F', {(dir / "fifo").string()});
    ChildProcess child([] {
        ::alarm(10); // a hang ends the child, which the parent sees
        DWORD value = 0;
        const bool measured = GetDiskFreeSpaceA("F:\\", &value, &value, &value, &value);
        const DWORD measureError = GetLastError();
        HANDLE volume = OpenVolume('F');
        const DWORD openError = GetLastError();
        const std::string problem = hosted::InspectDrive('F')->problem;
        return !measured && measureError == ERROR_NOT_READY && volume == INVALID_HANDLE_VALUE &&
                       openError == ERROR_NOT_READY && problem == "is a FIFO, not a disk image or block device"
                   ? 0
                   : 1;
    });
    EXPECT_EQ(child.Finish(), 0);
}

// A boot sector of 1 sector per cluster, 0xFFFFFFFF sectors and a 16 GiB
// FAT on a 40 GiB sparse file: more clusters than FAT32 can number, and more
// sectors than the medium holds. Either is refused before any FAT is read.
TEST_F(DriveInspectionTest, WhatFatCannotBeIsRefusedAtOnce) {
    auto hostile = [&](const std::string& name, std::uint32_t total, std::uint32_t sectorsPerFat) {
        const std::filesystem::path image = PatchedBootSector(name, 0, {});
        Bytes bytes = testsupport::ReadFile(image);
        auto put32 = [&](std::size_t at, std::uint32_t value) {
            for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        };
        bytes[13] = 1;                            // sectors per cluster
        bytes[14] = 32;                           // reserved sectors, as FAT32 has them
        bytes[15] = 0;
        bytes[17] = bytes[18] = 0;                // no root entries: FAT32's shape
        bytes[19] = bytes[20] = 0;                // the 32-bit total follows
        bytes[22] = bytes[23] = 0;                // the 32-bit FAT size follows
        put32(32, total);
        put32(36, sectorsPerFat);
        testsupport::WriteFile(image, bytes);
        std::filesystem::resize_file(image, std::uint64_t{40} << 30);
        return image;
    };
    const std::filesystem::path huge = hostile("huge.img", 0xFFFFFFFF, static_cast<std::uint32_t>((std::uint64_t{16} << 30) / 512));
    const std::filesystem::path over = hostile("over.img", 0x0A000000, 0x0A000000 / 128 + 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ProblemOf(huge), "holds no FAT boot sector: 4227858399 clusters are more than FAT32's 28-bit cluster "
                               "numbers reach (268435445)");
    DWORD value = 0;
    EXPECT_FALSE(GetDiskFreeSpaceA("P:\\", &value, &value, &value, &value));
    EXPECT_EQ(GetLastError(), ERROR_UNRECOGNIZED_VOLUME);
    EXPECT_EQ(ProblemOf(over), "claims 167772160 sectors (85899345920 bytes) in its boot sector, but holds only "
                               "42949672960 bytes");
    EXPECT_FALSE(GetDiskFreeSpaceA("P:\\", &value, &value, &value, &value));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

} // namespace
} // namespace hostedtest

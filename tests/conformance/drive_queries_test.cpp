// GetDriveTypeA and GetDiskFreeSpaceA: a drive's kind and the figures of the
// FAT volume it holds, from the volume's own boot sector and FAT.
#include "conformance.h"

namespace conformance {
namespace {

class Win32DriveQueries : public Win32Test {};

std::string Root(char letter) { return {letter, ':', '\\'}; }

TEST_F(Win32DriveQueries, EachDriveHasItsKindAndAnUnmappedLetterNoRoot) {
    const char fixed = FatDrive(12).letter, floppy = FloppyDrive().letter;
    EXPECT_EQ(GetDriveTypeA(Root(fixed).c_str()), UINT{DRIVE_FIXED});
    EXPECT_EQ(GetDriveTypeA(Root(floppy).c_str()), UINT{DRIVE_REMOVABLE});
    EXPECT_EQ(GetDriveTypeA(std::string{static_cast<char>(floppy - 'A' + 'a'), ':'}.c_str()), UINT{DRIVE_REMOVABLE});
    EXPECT_EQ(GetDriveTypeA(Root(kUnmappedLetter).c_str()), UINT{DRIVE_NO_ROOT_DIR});
    // What names no root: a letter alone, a folder below a root, no letter.
    for (const std::string& path : {std::string{fixed}, Root(fixed) + "x", std::string("?:\\")})
        EXPECT_EQ(GetDriveTypeA(path.c_str()), UINT{DRIVE_NO_ROOT_DIR}) << path;
}

TEST_F(Win32DriveQueries, TheFiguresOfEachFatVolumeAreItsOwn) {
    SKIP_WHERE_WINE_DEPARTS(HostFileSystemFigures);
    // What mkfs.fat made: bytes per sector, and the clusters that fit in the volume.
    for (const int bits : {12, 16, 32}) {
        const TestDrive drive = FatDrive(bits);
        const testsupport::Bytes boot = ImageBytes(drive.image, 0, 512);
        const DWORD bytesPerSector = boot[11] | boot[12] << 8;
        const DWORD sectorsPerCluster = boot[13];
        DWORD perCluster = 0, sectorSize = 0, freeClusters = 0, totalClusters = 0;
        ASSERT_TRUE(GetDiskFreeSpaceA(Root(drive.letter).c_str(), &perCluster, &sectorSize, &freeClusters, &totalClusters))
            << bits;
        EXPECT_EQ(sectorSize, bytesPerSector) << bits;
        EXPECT_EQ(perCluster, sectorsPerCluster) << bits;
        EXPECT_LT(std::uint64_t{totalClusters} * perCluster * sectorSize, std::filesystem::file_size(drive.image)) << bits;
        EXPECT_GT(std::uint64_t{totalClusters} * perCluster * sectorSize, std::filesystem::file_size(drive.image) * 9 / 10)
            << bits;
        EXPECT_LE(freeClusters, totalClusters) << bits;
    }
}

TEST_F(Win32DriveQueries, TheRootMayBeGivenWithOrWithoutItsBackslashInEitherCase) {
    const char letter = FatDrive(16).letter, lower = static_cast<char>(letter - 'A' + 'a');
    DWORD value = 0;
    for (const std::string& root : {Root(letter), Root(lower), std::string{letter, ':'}, std::string{lower, ':'}})
        EXPECT_TRUE(GetDiskFreeSpaceA(root.c_str(), &value, &value, &value, &value)) << root;
}

TEST_F(Win32DriveQueries, AnUnmappedLetterHasNoFigures) {
    DWORD value = 0;
    EXPECT_FALSE(GetDiskFreeSpaceA(Root(kUnmappedLetter).c_str(), &value, &value, &value, &value));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PATH_NOT_FOUND});
}

} // namespace
} // namespace conformance

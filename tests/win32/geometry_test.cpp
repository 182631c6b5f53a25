// GetDiskFreeSpaceA and GetDriveTypeA: the figures come from the volume's own
// boot sector and FAT, and must equal what dosfstools and mtools report.
#include <filesystem>

#include "hosted_fixture.h"

namespace hostedtest {
namespace {

struct FatCase {
    const char* name;
    unsigned kib;
    const char* options;
};

class GeometryTest : public HostedTest, public ::testing::WithParamInterface<FatCase> {};

// Files of odd sizes, so that used and free clusters interleave in the FAT.
void Populate(const std::filesystem::path& image, const testsupport::TempDir& dir) {
    for (int i = 0; i < 7; ++i) {
        std::filesystem::path file = dir / ("f" + std::to_string(i) + ".bin");
        testsupport::WriteFile(file, testsupport::Pattern(700u * (i * i + 1), static_cast<std::uint8_t>(i)));
        testsupport::RunOk("mcopy -i '" + image.string() + "' '" + file.string() + "' ::");
    }
    testsupport::RunOk("mdel -i '" + image.string() + "' ::f3.bin");
}

TEST_P(GeometryTest, FiguresEqualTheToolsFigures) {
    std::filesystem::path image = MapImage('C', GetParam().kib, GetParam().options);
    Populate(image, dir);
    testsupport::FatFigures tools = testsupport::FsckFigures(image);
    DWORD perCluster = 0, sectorSize = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &perCluster, &sectorSize, &freeClusters, &totalClusters));
    EXPECT_EQ(sectorSize, tools.bytesPerSector);
    EXPECT_EQ(perCluster, tools.sectorsPerCluster);
    EXPECT_EQ(totalClusters, tools.dataClusters);
    EXPECT_EQ(freeClusters, tools.dataClusters - tools.usedClusters);
    EXPECT_EQ(std::uint64_t{freeClusters} * perCluster * sectorSize, testsupport::MdirFreeBytes(image));
}

INSTANTIATE_TEST_SUITE_P(Fat, GeometryTest,
                         ::testing::Values(FatCase{"Fat12", 1440, "-F 12"}, FatCase{"Fat16", 16384, "-F 16 -s 4"},
                                           FatCase{"Fat32", 34000, "-F 32"}),
                         [](const auto& info) { return std::string(info.param.name); });

class DiskFreeSpaceTest : public HostedTest {
protected:
    DWORD FailureOf(const char* root) {
        DWORD value = 0;
        EXPECT_FALSE(GetDiskFreeSpaceA(root, &value, &value, &value, &value));
        return GetLastError();
    }
};

TEST_F(DiskFreeSpaceTest, RootPathFormsAndMalformedPaths) {
    MapImage('C', 1440, "");
    DWORD value = 0;
    for (const char* root : {"C:\\", "c:\\", "C:", "c:"}) EXPECT_TRUE(GetDiskFreeSpaceA(root, &value, &value, &value, &value)) << root;
    for (const char* root : {"C", "C:/", "CC:\\", "1:\\", "C:\\dir", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(FailureOf(root), ERROR_INVALID_NAME) << (root ? root : "NULL");
}

TEST_F(DiskFreeSpaceTest, MediumProblemsGiveTheWindowsErrors) {
    EXPECT_EQ(FailureOf("Q:\\"), ERROR_PATH_NOT_FOUND);

    hosted::MapDrive('M', {(dir / "missing.img").string()});
    EXPECT_EQ(FailureOf("M:\\"), ERROR_NOT_READY);

    testsupport::WriteFile(dir / "empty.img", {});
    hosted::MapDrive('E', {(dir / "empty.img").string(), hosted::DriveKind::Removable});
    EXPECT_EQ(FailureOf("E:\\"), ERROR_NOT_READY);

    hosted::MapDrive('V', {"/dev/null"});
    EXPECT_EQ(FailureOf("V:\\"), ERROR_NOT_READY);

    testsupport::WriteFile(dir / "zeros.img", testsupport::Bytes(64 * 1024));
    hosted::MapDrive('Z', {(dir / "zeros.img").string()});
    EXPECT_EQ(FailureOf("Z:\\"), ERROR_UNRECOGNIZED_VOLUME);

    testsupport::WriteFile(dir / "noise.img", testsupport::Pattern(64 * 1024, 9));
    hosted::MapDrive('N', {(dir / "noise.img").string()});
    EXPECT_EQ(FailureOf("N:\\"), ERROR_UNRECOGNIZED_VOLUME);

    // A boot sector whose FAT lies beyond the end of the medium.
    std::filesystem::path cut = MapImage('T', 16384, "-F 16");
    std::filesystem::resize_file(cut, 4096);
    EXPECT_EQ(FailureOf("T:\\"), ERROR_NOT_READY);
}

// The free clusters are counted when the volume is first measured and kept
// until the medium changes, as a FAT driver keeps them: measuring a drive
// again reads its boot sector, not its FAT.
TEST_F(DiskFreeSpaceTest, AVolumesFatIsScannedOnceUntilItChanges) {
    std::filesystem::path image = MapImage('C', 256 * 1024, "-F 32 -s 1");
    const std::uint64_t fatBytes = std::uint64_t{testsupport::FsckFigures(image).dataClusters} * 4;
    DWORD spc = 0, bps = 0, free = 0, total = 0;
    const Reads before = ReadsSoFar();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &spc, &bps, &free, &total));
    const std::uint64_t read = (ReadsSoFar() - before).bytes;
    EXPECT_GE(read, fatBytes);
    EXPECT_LT(read, fatBytes + fatBytes / 2) << "the FAT was read more than once";

    // A write through this machine marks cluster 3 used; it is counted again.
    const std::uint32_t reserved = 32;
    testsupport::Bytes sector = testsupport::DdRead(image, reserved * 512, 512);
    ASSERT_EQ(sector[12], 0u);
    sector[12] = 0xFF;
    OwnedHandle volume(OpenVolume('C'));
    SetFilePointer(volume.get(), reserved * 512, nullptr, FILE_BEGIN);
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(volume.get(), sector.data(), 512, &put, nullptr));
    DWORD after = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", nullptr, nullptr, &after, nullptr));
    EXPECT_EQ(after, free - 1);

    // So is a change another program makes.
    testsupport::WriteFile(dir / "f.bin", testsupport::Pattern(3000, 1));
    // (a later one: the medium's times tell)
    testsupport::RunOk("sleep 0.05; mcopy -i '" + image.string() + "' '" + (dir / "f.bin").string() + "' ::");
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", nullptr, nullptr, &after, nullptr));
    EXPECT_EQ(after, free - 1 - 6);
}

// The machine keeps a drive's medium open between measurements, as a drive
// keeps its disk; another file put under the drive's name is another disk.
TEST_F(DiskFreeSpaceTest, AnotherFileUnderTheDrivesNameIsMeasuredAsANewDisk) {
    const std::filesystem::path image = MapImage('C', 1440, "-F 12");
    DWORD total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", nullptr, nullptr, nullptr, &total));
    ASSERT_EQ(total, testsupport::FsckFigures(image).dataClusters);
    const std::filesystem::path other = testsupport::MakeFatImage(dir, "other.img", 16384, "-F 16");
    std::filesystem::rename(other, image);
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", nullptr, nullptr, nullptr, &total));
    EXPECT_EQ(total, testsupport::FsckFigures(image).dataClusters);
    std::filesystem::remove(image);
    EXPECT_EQ(FailureOf("C:\\"), ERROR_NOT_READY);
}

TEST_F(DiskFreeSpaceTest, NullOutPointersAreSkipped) {
    std::filesystem::path image = MapImage('C', 1440, "");
    DWORD total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", nullptr, nullptr, nullptr, &total));
    EXPECT_EQ(total, testsupport::FsckFigures(image).dataClusters);
}

// Beside Win32DriveQueries: a mapping's kind, and no path at all.
TEST_F(DiskFreeSpaceTest, DriveTypeFollowsTheMapping) {
    hosted::MapDrives("A=a.img:removable;C=c.img");
    EXPECT_EQ(GetDriveTypeA("A:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
    for (const char* root : {"", static_cast<const char*>(nullptr)})
        EXPECT_EQ(GetDriveTypeA(root), DRIVE_NO_ROOT_DIR) << (root ? root : "NULL");
}

} // namespace
} // namespace hostedtest

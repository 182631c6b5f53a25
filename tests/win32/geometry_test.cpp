// GetDiskFreeSpaceA and GetDriveTypeA: the figures come from the volume's own
// boot sector and FAT, and must equal what dosfstools and mtools report.
#include <filesystem>

#include "hosted_fixture.h"
#include "win32/hosted/win_errors.h"

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
        EXPECT_EQ(FailureOf(root), hosted::ERROR_INVALID_NAME) << (root ? root : "NULL");
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

TEST_F(DiskFreeSpaceTest, NullOutPointersAreSkipped) {
    std::filesystem::path image = MapImage('C', 1440, "");
    DWORD total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", nullptr, nullptr, nullptr, &total));
    EXPECT_EQ(total, testsupport::FsckFigures(image).dataClusters);
}

TEST_F(DiskFreeSpaceTest, DriveTypeFollowsTheMapping) {
    hosted::MapDrives("A=a.img:removable;C=c.img");
    EXPECT_EQ(GetDriveTypeA("A:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("a:"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("D:\\"), DRIVE_NO_ROOT_DIR);
    for (const char* root : {"C", "C:\\x", "?:\\", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(GetDriveTypeA(root), DRIVE_NO_ROOT_DIR) << (root ? root : "NULL");
}

} // namespace
} // namespace hostedtest

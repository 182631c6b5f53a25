// From Windows Vista on, a write on a volume handle reaches into a mounted
// file system's space only through a handle that locked or dismounted the
// volume; its boot sectors and what lies beyond it stay writable, and a
// volume Windows does not mount is raw. NT 4 and 2000 let every write pass.
#include <filesystem>

#include "hosted_fixture.h"
#include "sparse_image.h"

namespace hostedtest {
namespace {

using testsupport::Bytes;
using testsupport::SparseImage;

// A volume whose medium is 1 MiB longer than its file system, and where its
// boot sectors end.
struct GuardedVolume {
    const char* name;
    std::filesystem::path image;
    std::uint64_t bootSectors;
    std::uint64_t fileSystemSectors;
};

class WriteGuardTest : public HostedTest {
protected:
    void SetUp() override {
        HostedTest::SetUp();
        hosted::SetPlatform("10");
        const auto fat = testsupport::MakeFatImage(dir, "fat.img", 16384, "-F 16 -R 4");
        const auto ntfs = testsupport::MakeNtfsImage(dir, "ntfs.img", 16, "-c 4096");
        const auto exfat = testsupport::MakeExfatImage(dir, "exfat.img", 16, "-c 4K");
        volumes = {{"FAT", fat, 4, 16384 * 2},
                   // NTFS spans one sector less than its medium: the backup boot sector.
                   {"NTFS", ntfs, 16, 16 * 2048 - 1},
                   {"exFAT", exfat, 24, 16 * 2048}};
        for (const GuardedVolume& volume : volumes) {
            std::filesystem::resize_file(volume.image, std::filesystem::file_size(volume.image) + (1 << 20));
            hosted::MapDrive('V', {volume.image.string()});
            ASSERT_TRUE(GetDiskFreeSpaceA("V:\\", &ignored, &ignored, &ignored, &ignored)) << volume.name;
        }
    }

    // Writes a sector of a pattern at `sector` through `volume`; the image
    // expected afterwards follows a write that succeeded.
    bool WriteSector(HANDLE volume, std::uint64_t sector, SparseImage& expected) {
        const Bytes data = testsupport::Pattern(512, static_cast<std::uint8_t>(sector));
        LONG high = static_cast<LONG>(sector * 512 >> 32);
        SetFilePointer(volume, static_cast<LONG>(sector * 512), &high, FILE_BEGIN);
        DWORD put = 0;
        const bool done = WriteFile(volume, data.data(), 512, &put, nullptr) != 0;
        if (done) expected.Write(sector * 512, data);
        return done;
    }
    static bool Control(HANDLE volume, DWORD code) {
        DWORD returned = 0;
        return DeviceIoControl(volume, code, nullptr, 0, nullptr, 0, &returned, nullptr) != 0;
    }

    std::vector<GuardedVolume> volumes;
    DWORD ignored = 0;
};

TEST_F(WriteGuardTest, OnlyBootSectorsAndWhatLiesBeyondTheFileSystemAreWritableUnlocked) {
    for (const GuardedVolume& volume : volumes) {
        hosted::MapDrive('V', {volume.image.string()});
        SparseImage expected = SparseImage::Read(volume.image);
        OwnedHandle handle(OpenVolume('V'));
        ASSERT_TRUE(handle.valid());
        EXPECT_TRUE(WriteSector(handle.get(), 0, expected)) << volume.name;
        EXPECT_TRUE(WriteSector(handle.get(), volume.bootSectors - 1, expected)) << volume.name;
        for (std::uint64_t sector : {volume.bootSectors, volume.fileSystemSectors / 2, volume.fileSystemSectors - 1}) {
            EXPECT_FALSE(WriteSector(handle.get(), sector, expected)) << volume.name << " sector " << sector;
            EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << volume.name;
        }
        EXPECT_TRUE(WriteSector(handle.get(), volume.fileSystemSectors, expected)) << volume.name;
        EXPECT_TRUE(WriteSector(handle.get(), volume.fileSystemSectors + 2047, expected)) << volume.name;
        // A write that begins in the boot sectors and ends past them is refused whole.
        const Bytes two(1024, 0xEE);
        SetFilePointer(handle.get(), static_cast<LONG>((volume.bootSectors - 1) * 512), nullptr, FILE_BEGIN);
        DWORD put = 7;
        EXPECT_FALSE(WriteFile(handle.get(), two.data(), 1024, &put, nullptr)) << volume.name;
        EXPECT_EQ(put, 0u);
        EXPECT_TRUE(testsupport::SameImage(SparseImage::Read(volume.image), expected)) << volume.name;
    }
}

TEST_F(WriteGuardTest, ALockOrADismountThroughTheHandleOpensTheFileSystemToIt) {
    for (const GuardedVolume& volume : volumes) {
        hosted::MapDrive('V', {volume.image.string()});
        SparseImage expected = SparseImage::Read(volume.image);
        const std::uint64_t data = volume.fileSystemSectors / 2;
        {
            OwnedHandle handle(OpenVolume('V'));
            ASSERT_TRUE(Control(handle.get(), FSCTL_LOCK_VOLUME)) << volume.name;
            EXPECT_TRUE(WriteSector(handle.get(), data, expected)) << volume.name;
            ASSERT_TRUE(Control(handle.get(), FSCTL_UNLOCK_VOLUME)) << volume.name;
            EXPECT_FALSE(WriteSector(handle.get(), data + 1, expected)) << volume.name << ": unlocked again";
        }
        OwnedHandle dismounting(OpenVolume('V'));
        OwnedHandle other(OpenVolume('V'));
        ASSERT_TRUE(Control(dismounting.get(), FSCTL_DISMOUNT_VOLUME)) << volume.name;
        EXPECT_TRUE(WriteSector(dismounting.get(), data + 2, expected)) << volume.name;
        EXPECT_FALSE(WriteSector(other.get(), data + 3, expected)) << volume.name << ": not through this handle";
        EXPECT_TRUE(testsupport::SameImage(SparseImage::Read(volume.image), expected)) << volume.name;
    }
}

TEST_F(WriteGuardTest, NtBeforeVistaAndARawVolumeLetEveryWritePass) {
    testsupport::WriteFile(dir / "raw.img", Bytes(1 << 20));
    for (const char* platform : {"nt", "2:2195", "2:5999", "10"}) {
        hosted::SetPlatform(platform);
        const bool guarded = std::string(platform) == "10";
        for (const GuardedVolume& volume : volumes) {
            hosted::MapDrive('V', {volume.image.string()});
            SparseImage expected = SparseImage::Read(volume.image);
            OwnedHandle handle(OpenVolume('V'));
            EXPECT_EQ(WriteSector(handle.get(), volume.fileSystemSectors / 2, expected), !guarded)
                << platform << " " << volume.name;
            EXPECT_TRUE(testsupport::SameImage(SparseImage::Read(volume.image), expected)) << volume.name;
        }
        hosted::MapDrive('V', {(dir / "raw.img").string()});
        SparseImage expected = SparseImage::Read(dir / "raw.img");
        OwnedHandle handle(OpenVolume('V'));
        EXPECT_TRUE(WriteSector(handle.get(), 100, expected)) << platform;
        EXPECT_TRUE(testsupport::SameImage(SparseImage::Read(dir / "raw.img"), expected)) << platform;
    }
}

} // namespace
} // namespace hostedtest

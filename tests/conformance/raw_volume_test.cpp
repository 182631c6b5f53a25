// A volume that no file system recognises (a blank or wiped disk) mounts as
// a raw volume: its device opens, reads and writes whole sectors as any
// other, while the drive has no figures to report.
#include <optional>

#include "conformance.h"

namespace conformance {
namespace {

class Win32RawVolume : public Win32Test {
protected:
    void SetUp() override {
        Win32Test::SetUp();
        drive = FloppyDrive();
        kept.emplace(drive.image);
        testsupport::WriteFile(drive.image, testsupport::Bytes(kept->bytes().size(), 0));
    }
    void TearDown() override {
        kept.reset();
        Win32Test::TearDown();
    }

    TestDrive drive{};
    std::optional<KeptImage> kept;
};

TEST_F(Win32RawVolume, ItsDeviceOpensReadsAndWritesWholeSectors) {
    const OwnedHandle volume(OpenVolume(drive.letter));
    ASSERT_TRUE(volume.valid()) << GetLastError();
    const testsupport::Bytes zeros(kept->bytes().size(), 0);
    EXPECT_TRUE(testsupport::SameBytes(ReadVolume(volume.get(), 0, static_cast<DWORD>(zeros.size())), zeros));
    const testsupport::Bytes data = testsupport::Pattern(2 * 512, 31);
    ASSERT_EQ(SetFilePointer(volume.get(), 0, nullptr, FILE_BEGIN), 0u);
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(volume.get(), data.data(), static_cast<DWORD>(data.size()), &put, nullptr)) << GetLastError();
    EXPECT_EQ(put, data.size());
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(drive.image), testsupport::Overwritten(zeros, 0, data)));
}

TEST_F(Win32RawVolume, TheDriveHasNoFigures) {
    SKIP_WHERE_WINE_DEPARTS(HostFileSystemFigures);
    DWORD value = 0;
    const char root[] = {drive.letter, ':', '\\', '\0'};
    EXPECT_FALSE(GetDiskFreeSpaceA(root, &value, &value, &value, &value));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_UNRECOGNIZED_VOLUME});
    EXPECT_EQ(GetDriveTypeA(root), UINT{DRIVE_REMOVABLE});
}

} // namespace
} // namespace conformance

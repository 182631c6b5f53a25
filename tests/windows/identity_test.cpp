// The Windows the stage switched to, and the drives it mapped, as the
// component finds them.
#include "stage_machine.h"
#include "vcl/sysutils.h"

namespace windows_test {
namespace {

TEST(Identity, TheComponentRunsOnTheWindowsTheStageSet) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, Stage().platformId);
    EXPECT_EQ(info.dwBuildNumber & 0xFFFF, Stage().buildNumber);
    EXPECT_EQ(vcl::Win32Platform, static_cast<int>(Stage().platformId));

    // A new component measures the machine's own drive C.
    const Orvane::TZelvan zelvan(nullptr);
    EXPECT_EQ(zelvan.DriveName(), 'C');
    EXPECT_EQ(zelvan.FirstSector(), 0);
    EXPECT_EQ(zelvan.Sectors(), 1);
}

TEST(Identity, EveryDriveTheStageMappedHasItsKind) {
    std::vector<MappedDrive> drives = Stage().drives;
    if (Stage().large) drives.push_back(*Stage().large);
    for (const MappedDrive& drive : drives) {
        const char root[] = {drive.letter, ':', '\\', '\0'};
        EXPECT_EQ(GetDriveTypeA(root), drive.removable ? DRIVE_REMOVABLE : DRIVE_FIXED) << drive.letter << ':';
        EXPECT_GT(ImageSectorCount(drive), 0u) << drive.image;
    }
}

} // namespace
} // namespace windows_test

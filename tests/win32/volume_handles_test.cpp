// Volume handles: the handle table, paths and dispositions, share modes and
// the volume lock, within this process and against other processes.
#include "hosted_fixture.h"

namespace hostedtest {
namespace {

using testsupport::Bytes;

class VolumeHandleTest : public HostedTest {
protected:
    void SetUp() override {
        HostedTest::SetUp();
        image = MapImage('C', 1440, "");
    }

    HANDLE Open(const char* path, DWORD disposition = OPEN_EXISTING) {
        return CreateFileA(path, readWrite, shareBoth, nullptr, disposition, 0, nullptr);
    }
    static BOOL Control(HANDLE volume, DWORD code) {
        DWORD returned = 0;
        return DeviceIoControl(volume, code, nullptr, 0, nullptr, 0, &returned, nullptr);
    }

    std::filesystem::path image;
};

// Besides what Win32VolumeHandle shows on both machines: the table's count.
TEST_F(VolumeHandleTest, HandlesComeFromATableThatTheMachinesResetEmpties) {
    HANDLE first = OpenVolume('C');
    HANDLE second = OpenVolume('c');
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(hosted::OpenHandleCount(), 2u);
    EXPECT_TRUE(CloseHandle(first));
    for (HANDLE bad : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr), reinterpret_cast<HANDLE>(3)}) {
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    EXPECT_EQ(hosted::OpenHandleCount(), 1u);
    hosted::ResetMachine();
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_F(VolumeHandleTest, OnlyVolumePathsOfMappedLettersOpen) {
    for (const char* path : {"\\\\.\\D:", "\\\\.\\C:\\", "\\\\.\\vwin32", "\\\\.\\PhysicalDrive0", "C:\\", "\\\\.\\CC:", ""}) {
        EXPECT_EQ(Open(path), INVALID_HANDLE_VALUE) << path;
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << path;
    }
    EXPECT_EQ(Open(nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_F(VolumeHandleTest, VolumesOpenOnlyOnNt) {
    hosted::SetPlatform("95");
    EXPECT_EQ(Open("\\\\.\\C:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// As Windows opens a write-protected medium: for reading and writing, and
// every write fails with nothing written.
TEST_F(VolumeHandleTest, AReadOnlyDriveOpensForWritingAndRefusesEveryWrite) {
    hosted::MapDrive('R', {image.string(), hosted::DriveKind::Fixed, true});
    const testsupport::Bytes before = testsupport::ReadFile(image);
    OwnedHandle volume(OpenVolume('R'));
    ASSERT_TRUE(volume.valid());
    EXPECT_EQ(ReadVolume(volume.get(), 512, 1024), testsupport::DdRead(image, 512, 1024));
    testsupport::Bytes data(512, 0x5A);
    DWORD put = 7;
    ASSERT_EQ(SetFilePointer(volume.get(), 0, nullptr, FILE_BEGIN), 0u);
    EXPECT_FALSE(WriteFile(volume.get(), data.data(), 512, &put, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
    EXPECT_EQ(put, 0u);
    EXPECT_TRUE(Control(volume.get(), FSCTL_LOCK_VOLUME));
    EXPECT_FALSE(WriteFile(volume.get(), data.data(), 512, &put, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
    EXPECT_TRUE(Control(volume.get(), FSCTL_UNLOCK_VOLUME));
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), before));
    OwnedHandle reader(OpenVolume('R', GENERIC_READ));
    EXPECT_TRUE(reader.valid());
}

// The machine keeps a closed handle's medium for the next handle of the
// drive: nothing of that shows, neither a lock left behind nor a file that
// was replaced or changed since.
TEST_F(VolumeHandleTest, AClosedHandleLeavesNoLockAndTheNextFindsTheFileAsItIsNow) {
    const std::string path = image.string();
    {
        OwnedHandle volume(OpenVolume('C'));
        ASSERT_TRUE(Control(volume.get(), FSCTL_LOCK_VOLUME));
        EXPECT_EQ(ReadVolume(volume.get(), 0, 512), testsupport::DdRead(image, 0, 512));
    }
    EXPECT_EQ(testsupport::Run("flock --nonblock --exclusive '" + path + "' true").status, 0);

    // Changed in place, then replaced by another file under the same name.
    testsupport::RunOk("dd if=/dev/urandom of='" + path + "' bs=512 seek=5 count=1 conv=notrunc status=none");
    {
        OwnedHandle volume(OpenVolume('C'));
        EXPECT_EQ(ReadVolume(volume.get(), 5 * 512, 512), testsupport::DdRead(image, 5 * 512, 512));
    }
    const std::filesystem::path other = dir / "other.img";
    const Bytes changed = testsupport::Pattern(512, 61);
    Bytes replacement = testsupport::ReadFile(image);
    std::copy(changed.begin(), changed.end(), replacement.begin() + 7 * 512);
    testsupport::WriteFile(other, replacement);
    std::filesystem::rename(other, image);
    OwnedHandle volume(OpenVolume('C'));
    EXPECT_EQ(ReadVolume(volume.get(), 7 * 512, 512), changed);
    EXPECT_EQ(testsupport::Run("flock --nonblock --exclusive '" + path + "' true").status, 1) << "the open one shares it";
}

TEST_F(VolumeHandleTest, OtherControlsAndMissingPointers) {
    OwnedHandle volume(OpenVolume('C'));
    EXPECT_FALSE(Control(volume.get(), 0x00070000));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    EXPECT_FALSE(Control(volume.get(), VWIN32_DIOC_DOS_INT25));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    EXPECT_FALSE(DeviceIoControl(volume.get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(Control(INVALID_HANDLE_VALUE, FSCTL_LOCK_VOLUME));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(VolumeHandleTest, LockIsRefusedWhileAnotherProcessHasTheVolumeOpen) {
    OwnedHandle volume(OpenVolume('C'));
    {
        ChildProcess child([] {
            hosted::ResetMachine();
            return 0;
        });
        // The child inherited nothing of ours that would hold the volume.
        EXPECT_TRUE(Control(volume.get(), FSCTL_LOCK_VOLUME));
        EXPECT_TRUE(Control(volume.get(), FSCTL_UNLOCK_VOLUME));
        EXPECT_EQ(child.Finish(), 0);
    }
    std::string path = image.string();
    ChildProcess holder([path] {
        hosted::ResetMachine();
        hosted::MapDrive('C', {path});
        return OpenVolume('C', GENERIC_READ) == INVALID_HANDLE_VALUE ? 1 : 0;
    });
    EXPECT_FALSE(Control(volume.get(), FSCTL_LOCK_VOLUME));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(holder.Finish(), 0);
    // The refused lock left this handle's share: other processes still see it.
    EXPECT_NE(testsupport::Run("flock --nonblock --exclusive '" + path + "' true").status, 0);
    EXPECT_TRUE(Control(volume.get(), FSCTL_LOCK_VOLUME));
}

TEST_F(VolumeHandleTest, LockedVolumeRefusesOpensOfOtherProcesses) {
    OwnedHandle volume(OpenVolume('C'));
    ASSERT_TRUE(Control(volume.get(), FSCTL_LOCK_VOLUME));
    std::string path = image.string();
    ChildProcess opener([path] {
        hosted::ResetMachine();
        hosted::MapDrive('C', {path});
        HANDLE refused = OpenVolume('C', GENERIC_READ);
        return refused == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED ? 0 : 1;
    });
    EXPECT_EQ(opener.Finish(), 0);
    EXPECT_NE(testsupport::Run("flock --nonblock --shared '" + path + "' true").status, 0);
    ASSERT_TRUE(Control(volume.get(), FSCTL_UNLOCK_VOLUME));
    EXPECT_EQ(testsupport::Run("flock --nonblock --shared '" + path + "' true").status, 0);
}

} // namespace
} // namespace hostedtest

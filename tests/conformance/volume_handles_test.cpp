// Volume handles: what opens, share modes and the volume lock within one
// process.
#include "conformance.h"

namespace conformance {
namespace {

class Win32VolumeHandle : public Win32Test {};

TEST_F(Win32VolumeHandle, AVolumeOpensAsOftenAsAskedAndEachHandleClosesOnce) {
    const char letter = FatDrive(12).letter;
    HANDLE first = OpenVolume(letter);
    const OwnedHandle second(OpenVolume(static_cast<char>(letter - 'A' + 'a')));
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(second.valid());
    EXPECT_NE(first, second.get());
    EXPECT_NE(first, nullptr);
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_FALSE(CloseHandle(first));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
}

TEST_F(Win32VolumeHandle, AnUnmappedLetterDoesNotOpen) {
    EXPECT_EQ(OpenVolume(kUnmappedLetter), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
}

TEST_F(Win32VolumeHandle, AVolumeOpensOnlyAsAnExistingDevice) {
    const char letter = FatDrive(12).letter;
    EXPECT_EQ(OpenVolume(letter, kReadWrite, kShareBoth, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(OpenVolume(letter, kReadWrite, kShareBoth, 6), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(OpenVolume(letter, kReadWrite, kShareBoth, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_EXISTS});
}

TEST_F(Win32VolumeHandle, AVolumeIsNeitherCreatedNorTruncated) {
    SKIP_WHERE_WINE_DEPARTS(AnyDispositionOpensAVolume);
    const TestDrive drive = FatDrive(12);
    const KeptImage kept(drive.image);
    for (DWORD disposition : {CREATE_ALWAYS, OPEN_ALWAYS, TRUNCATE_EXISTING}) {
        const OwnedHandle opened(OpenVolume(drive.letter, kReadWrite, kShareBoth, disposition));
        EXPECT_FALSE(opened.valid()) << disposition;
        EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED}) << disposition;
    }
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(drive.image), kept.bytes()));
}

struct ShareCase {
    DWORD heldAccess, heldShare, access, share;
    bool conflicts;
};

TEST_F(Win32VolumeHandle, TheShareModesOfOpenHandlesAreHonoured) {
    const char letter = FatDrive(12).letter;
    const ShareCase cases[] = {
        {kReadWrite, kShareBoth, kReadWrite, kShareBoth, false},
        {kReadWrite, 0, GENERIC_READ, kShareBoth, true},
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, kShareBoth, false},
        {GENERIC_READ, FILE_SHARE_READ, kReadWrite, kShareBoth, true},
        {kReadWrite, kShareBoth, GENERIC_READ, FILE_SHARE_READ, true},
        {GENERIC_READ, kShareBoth, GENERIC_READ, FILE_SHARE_READ, false},
        {0, 0, kReadWrite, 0, false},
        {kReadWrite, 0, 0, 0, false},
    };
    for (const ShareCase& c : cases) {
        const OwnedHandle held(OpenVolume(letter, c.heldAccess, c.heldShare));
        ASSERT_TRUE(held.valid());
        const OwnedHandle second(OpenVolume(letter, c.access, c.share));
        EXPECT_EQ(second.valid(), !c.conflicts)
            << std::hex << c.heldAccess << "/" << c.heldShare << " then " << c.access << "/" << c.share;
        if (c.conflicts) {
            EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
        }
    }
}

TEST_F(Win32VolumeHandle, ALockIsRefusedWhileAnotherHandleIsOpen) {
    SKIP_WHERE_WINE_DEPARTS(LockEnforcesNothing);
    const char letter = FatDrive(12).letter;
    const OwnedHandle first(OpenVolume(letter));
    const OwnedHandle second(OpenVolume(letter, GENERIC_READ));
    EXPECT_FALSE(Control(first.get(), FSCTL_LOCK_VOLUME));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
}

TEST_F(Win32VolumeHandle, ALockedVolumeMovesItsOwnHandlesSectorsAndOpensAgainOnceUnlocked) {
    const TestDrive drive = FatDrive(12);
    const testsupport::Bytes start = ImageBytes(drive.image, 0, 1024);
    const OwnedHandle volume(OpenVolume(drive.letter));
    ASSERT_TRUE(Control(volume.get(), FSCTL_LOCK_VOLUME));
    EXPECT_TRUE(testsupport::SameBytes(ReadVolume(volume.get(), 0, 1024), start));
    ASSERT_TRUE(Control(volume.get(), FSCTL_UNLOCK_VOLUME));
    const OwnedHandle again(OpenVolume(drive.letter));
    EXPECT_TRUE(again.valid());
}

TEST_F(Win32VolumeHandle, ALockedVolumeRefusesOtherOpensAndIsLockedAndUnlockedOnce) {
    SKIP_WHERE_WINE_DEPARTS(LockEnforcesNothing);
    const char letter = FatDrive(12).letter;
    const OwnedHandle volume(OpenVolume(letter));
    ASSERT_TRUE(Control(volume.get(), FSCTL_LOCK_VOLUME));
    const OwnedHandle other(OpenVolume(letter, GENERIC_READ));
    EXPECT_FALSE(other.valid());
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_FALSE(Control(volume.get(), FSCTL_LOCK_VOLUME));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    ASSERT_TRUE(Control(volume.get(), FSCTL_UNLOCK_VOLUME));
    EXPECT_FALSE(Control(volume.get(), FSCTL_UNLOCK_VOLUME));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NOT_LOCKED});
}

TEST_F(Win32VolumeHandle, ClosingTheHandleEndsItsLock) {
    const char letter = FatDrive(12).letter;
    HANDLE locker = OpenVolume(letter);
    ASSERT_TRUE(Control(locker, FSCTL_LOCK_VOLUME));
    ASSERT_TRUE(CloseHandle(locker));
    const OwnedHandle next(OpenVolume(letter));
    ASSERT_TRUE(next.valid());
    EXPECT_TRUE(Control(next.get(), FSCTL_LOCK_VOLUME));
}

} // namespace
} // namespace conformance

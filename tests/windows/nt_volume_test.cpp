// What Windows NT's volumes refuse, checked on the platform underneath.
// Where Wine 8 grants what Windows refuses, the case skips and says so; the
// hosted suites hold the component to Windows' answer.
#include "stage_machine.h"
#include "wine_departures.h"

namespace windows_test {
namespace {

using testsupport::Bytes;

class OwnVolumeHandle {
public:
    explicit OwnVolumeHandle(char letter) {
        const char path[] = {'\\', '\\', '.', '\\', letter, ':', '\0'};
        handle_ = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    }
    ~OwnVolumeHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    OwnVolumeHandle(const OwnVolumeHandle&) = delete;
    OwnVolumeHandle& operator=(const OwnVolumeHandle&) = delete;
    bool Open() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

TEST(NtVolume, ALockIsRefusedWhileAnotherHandleIsOpen) {
    const MappedDrive drive = Drives(false).at(0);
    Orvane::TZelvan zelvan(nullptr);
    ASSERT_TRUE(Select(zelvan, drive.letter, {0, 1}));
    const std::span<unsigned char> buffer = LowBuffer(kSectorBytes);
    bool lockedRead = false;
    {
        const OwnVolumeHandle other(drive.letter);
        ASSERT_TRUE(other.Open());
        EXPECT_TRUE(zelvan.ReadSectors(buffer.data(), High(buffer))) << "the volume is shared for reading and writing";
        zelvan.SetNeedDiskLock(true);
        lockedRead = zelvan.ReadSectors(buffer.data(), High(buffer));
    }
    EXPECT_TRUE(zelvan.ReadSectors(buffer.data(), High(buffer))) << "the lock is granted once the other handle is closed";
    if (lockedRead && RunningOnWine())
        GTEST_SKIP() << wine_departures::LockEnforcesNothing;
    EXPECT_FALSE(lockedRead);
}

TEST(NtVolume, AWriteAcrossTheVolumesEndChangesNothing) {
    const MappedDrive drive = Drives(false).at(0);
    const std::uint32_t last = ImageSectorCount(drive) - 1;
    Orvane::TZelvan zelvan(nullptr);
    zelvan.SetNeedWriteWarn(false);
    ASSERT_TRUE(Select(zelvan, drive.letter, {0, 2}));
    // FirstSector after Sectors: each is tested alone, so the run may pass the end.
    zelvan.SetFirstSector(last);
    const Bytes before = testsupport::ReadFile(drive.image);
    const std::span<unsigned char> buffer = LowBuffer(2 * kSectorBytes);
    const bool reached = static_cast<std::uint32_t>(zelvan.FirstSector()) == last;
    const bool written = reached && zelvan.WriteSectors(buffer.data(), High(buffer));
    const Bytes after = testsupport::ReadFile(drive.image);
    if (after != before && RunningOnWine()) {
        testsupport::WriteFile(drive.image, before);
        GTEST_SKIP() << wine_departures::WritePastTheEndGrows << " (here to " << after.size() << " bytes from "
                     << before.size() << ")";
    }
    EXPECT_FALSE(written);
    EXPECT_TRUE(testsupport::SameBytes(after, before));
}

} // namespace
} // namespace windows_test

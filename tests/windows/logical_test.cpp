// ReadSectors and WriteSectors on every fixed drive the stage mapped (its
// FAT12, FAT16 and FAT32 images), on the road the reported Windows selects:
// the raw volume on NT, INT 25h/26h through VWIN32 on Windows 95.
#include <algorithm>

#include "stage_machine.h"
#include "win32/windows_versions.h"
#include "wine_departures.h"

namespace windows_test {
namespace {

using testsupport::Bytes;

constexpr unsigned char kUntouched = 0xA5;

// The boot sector, and runs in the image's second half, which the stage
// fills with random bytes so that a run read from the wrong place shows.
std::vector<SectorRun> ReadRuns(const MappedDrive& drive) {
    const std::uint32_t half = ImageSectorCount(drive) / 2;
    return {{0, 1}, {half, 8}, {half + 37, 3}};
}

TEST(LogicalTransfer, ReadsEqualTheImageWithAndWithoutTheLock) {
    for (const MappedDrive& drive : Drives(false))
        for (const bool lock : {false, true})
            for (const SectorRun run : ReadRuns(drive)) {
                SCOPED_TRACE(Describe(drive, run) + (lock ? ", locked" : ""));
                Orvane::TZelvan zelvan(nullptr);
                ASSERT_TRUE(Select(zelvan, drive.letter, run));
                zelvan.SetNeedDiskLock(lock);
                // One sector more than the run: it must stay as it was.
                const std::span<unsigned char> buffer = LowBuffer((run.count + 1) * kSectorBytes);
                std::fill(buffer.begin(), buffer.end(), kUntouched);

                ASSERT_TRUE(zelvan.ReadSectors(buffer.data(), High(buffer)));

                Bytes expected = ImageSectors(drive, run.first, run.count);
                expected.resize(buffer.size(), kUntouched);
                EXPECT_TRUE(testsupport::SameBytes(Bytes(buffer.begin(), buffer.end()), expected));
                EXPECT_TRUE(UnitHandlesClosed());
            }
}

bool RefusesUnlockedWrites() { return win32::GuardsMountedVolumes(Stage().platformId, Stage().buildNumber); }

// Runs in the data area, where a file system keeps its files.
TEST(LogicalTransfer, AWriteChangesExactlyItsRunWithTheLockAndWithoutItBeforeVista) {
    std::uint8_t seed = 1;
    for (const MappedDrive& drive : Drives(false))
        for (const bool lock : {false, true}) {
            const SectorRun run{ImageSectorCount(drive) / 2 + (lock ? 80 : 64), 4};
            SCOPED_TRACE(Describe(drive, run) + (lock ? ", locked" : ""));
            Orvane::TZelvan zelvan(nullptr);
            ASSERT_TRUE(Select(zelvan, drive.letter, run));
            zelvan.SetNeedDiskLock(lock);
            zelvan.SetNeedWriteWarn(false);
            const Bytes before = testsupport::ReadFile(drive.image);
            const PlannedWrite write = PlanWrite(drive, run, seed++);
            const bool refused = !lock && RefusesUnlockedWrites();

            const bool written = zelvan.WriteSectors(write.buffer.data(), High(write.buffer));

            if (refused && written && RunningOnWine()) {
                testsupport::WriteFile(drive.image, before);
                GTEST_SKIP() << wine_departures::NoWriteGuard;
            }
            // The component writes from a copy of its own, wherever the heap put it.
            if (written && RunningOnWine() && Stage().platformId == VER_PLATFORM_WIN32_WINDOWS &&
                Int25MissedTheLastBuffer() && testsupport::ReadFile(drive.image) == before)
                GTEST_SKIP() << wine_departures::Int25BufferAddress;
            EXPECT_EQ(written, !refused);
            EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(drive.image), refused ? before : write.image));
            EXPECT_TRUE(std::ranges::equal(write.data, write.buffer)) << "the caller's buffer changed";
            EXPECT_TRUE(UnitHandlesClosed());
        }
}

TEST(LogicalTransfer, TwoComponentsKeepTheirOwnDrives) {
    const std::vector<MappedDrive> drives = Drives(false);
    ASSERT_GE(drives.size(), 2u);
    Orvane::TZelvan first(nullptr), second(nullptr);
    const SectorRun bootSector{0, 1};
    ASSERT_TRUE(Select(first, drives[0].letter, bootSector));
    ASSERT_TRUE(Select(second, drives[1].letter, bootSector));
    const std::span<unsigned char> buffer = LowBuffer(kSectorBytes);
    for (const auto& [zelvan, drive] : {std::pair{&first, drives[0]}, std::pair{&second, drives[1]}, std::pair{&first, drives[0]}}) {
        ASSERT_TRUE(zelvan->ReadSectors(buffer.data(), High(buffer)));
        EXPECT_TRUE(testsupport::SameBytes(Bytes(buffer.begin(), buffer.end()), ImageSectors(drive, 0, 1)))
            << drive.letter << ':';
    }
}

} // namespace
} // namespace windows_test

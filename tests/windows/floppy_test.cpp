// ReadFloppySectors and WriteFloppySectors on the NT road: the removable
// drives the stage mapped (A:, and one beyond B:), and the drives the floppy
// methods refuse.
#include <algorithm>

#include "stage_machine.h"

namespace windows_test {
namespace {

using testsupport::Bytes;

char Lower(char letter) { return static_cast<char>(letter - 'A' + 'a'); }

TEST(Floppy, ReadsOfEveryRemovableDriveEqualTheImage) {
    for (const MappedDrive& drive : Drives(true))
        for (const auto format : {Orvane::D1440, Orvane::DUnknown}) {
            const SectorRun run{ImageSectorCount(drive) / 2 + 5, 4};
            SCOPED_TRACE(Describe(drive, run) + ", format " + std::to_string(format));
            Orvane::TZelvan zelvan(nullptr);
            ASSERT_TRUE(Select(zelvan, drive.letter, run));
            const std::span<unsigned char> buffer = LowBuffer(run.count * kSectorBytes);

            // The floppy methods fold the letter themselves.
            ASSERT_TRUE(zelvan.ReadFloppySectors(Lower(drive.letter), buffer.data(), High(buffer), format));

            EXPECT_TRUE(testsupport::SameBytes(Bytes(buffer.begin(), buffer.end()), ImageSectors(drive, run.first, run.count)));
            EXPECT_TRUE(UnitHandlesClosed());
        }
}

TEST(Floppy, AWriteToAOrBChangesExactlyItsRun) {
    std::uint8_t seed = 40;
    for (const MappedDrive& drive : Drives(true)) {
        if (drive.letter >= 'C') continue;
        const SectorRun run{ImageSectorCount(drive) / 2 + 17, 3};
        SCOPED_TRACE(Describe(drive, run));
        Orvane::TZelvan zelvan(nullptr);
        ASSERT_TRUE(Select(zelvan, drive.letter, run));
        zelvan.SetNeedWriteWarn(false);
        const PlannedWrite write = PlanWrite(drive, run, seed++);

        ASSERT_TRUE(zelvan.WriteFloppySectors(drive.letter, write.buffer.data(), High(write.buffer), Orvane::D1440, false));

        EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(drive.image), write.image));
        EXPECT_TRUE(UnitHandlesClosed());
    }
}

TEST(Floppy, ARefusedDriveIsLeftAsItWasAndMakesTheComponentInvalid) {
    const MappedDrive fixed = Drives(false).at(0);
    const std::vector<MappedDrive> removables = Drives(true);
    const auto beyondB = std::ranges::find_if(removables, [](const MappedDrive& d) { return d.letter >= 'C'; });
    ASSERT_NE(beyondB, removables.end()) << "the stage maps a removable drive beyond B:";
    const MappedDrive removable = *beyondB;
    const std::span<unsigned char> buffer = LowBuffer(kSectorBytes);
    const Bytes fixedBefore = testsupport::ReadFile(fixed.image);
    const Bytes removableBefore = testsupport::ReadFile(removable.image);

    for (const auto& [refused, write] : {std::pair{fixed, false}, std::pair{fixed, true}, std::pair{removable, true}}) {
        SCOPED_TRACE(std::string(write ? "write to " : "read from ") + refused.letter + ':');
        Orvane::TZelvan zelvan(nullptr);
        zelvan.SetNeedWriteWarn(false);
        ASSERT_TRUE(Select(zelvan, fixed.letter, {0, 1}));
        const bool moved = write ? zelvan.WriteFloppySectors(refused.letter, buffer.data(), High(buffer), Orvane::D1440, false)
                                 : zelvan.ReadFloppySectors(refused.letter, buffer.data(), High(buffer), Orvane::D1440);
        EXPECT_FALSE(moved);
        EXPECT_FALSE(zelvan.ReadSectors(buffer.data(), High(buffer))) << "the component is invalid until a drive is selected";
        zelvan.SetDisk(fixed.letter);
        EXPECT_TRUE(zelvan.ReadSectors(buffer.data(), High(buffer)));
    }
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(fixed.image), fixedBefore));
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(removable.image), removableBefore));
}

} // namespace
} // namespace windows_test

// Windows under Wine as the conformance cases' machine: the drives and the
// identity that scripts/windows-stage.sh set up and named on the command line.
#include <stdexcept>

#include "conformance.h"
#include "stage_machine.h"

namespace conformance {

namespace {

// The stage's fixed or removable drive `index`, in the order the stage named
// them: its fixed drives hold FAT12, FAT16 and FAT32.
TestDrive StageDrive(bool removable, std::size_t index) {
    const std::vector<windows_test::MappedDrive> drives = windows_test::Drives(removable);
    if (index >= drives.size()) throw std::runtime_error("the stage mapped too few drives for this case");
    return {drives[index].letter, drives[index].image};
}

} // namespace

void Win32Test::SetUp() {}
void Win32Test::TearDown() {}

TestDrive FatDrive(int bits) { return StageDrive(false, bits == 12 ? 0 : bits == 16 ? 1 : 2); }
TestDrive FloppyDrive() { return StageDrive(true, 0); }

Reported ReportedWindows() { return {windows_test::Stage().platformId, windows_test::Stage().buildNumber}; }

bool RunningOnWine() { return windows_test::RunningOnWine(); }

} // namespace conformance

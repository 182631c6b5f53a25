#include "zelvan/selection.h"

#include "common/command_table.h"
#include "common/outcome.h"
#include "zelvan/failure_words.h"
#include "zelvan/machine_setup.h"
#include "zelvan/medium_words.h"

namespace zelvan_cli {

namespace {

std::string DriveName(char letter) { return "drive " + std::string{letter, ':'}; }

std::string BoundText(const DriveFacts& drive) {
    const std::uint64_t bound = drive.SizeBound();
    const std::string text = DriveName(drive.letter) + "'s size bound B = " + std::to_string(bound) + " sectors (";
    const std::string bytes = std::to_string(bound * drive.geometry.BytesPerSector) + " bytes)";
    const std::string wrap = BoundWrapNote(drive);
    if (!wrap.empty()) return text + bytes + ", since " + wrap;
    return text + std::to_string(drive.geometry.TotalClusters) + " clusters x " +
           std::to_string(drive.geometry.SectorsPerCluster) + " sectors, " + bytes;
}

// Throws Failure when no drive is mapped to `letter`, where the machine can tell.
void RequireMapped(char letter) {
    const std::optional<machine::DriveBacking> backing = machine::InspectDrive(letter);
    if (backing && !backing->mapped)
        throw tools::Failure(DriveName(letter) + " is not mapped: give --drive " + std::string{letter} +
                             "=PATH or ZELVAN_DRIVES");
}

// "cannot be measured: its backing 'x.img' holds no FAT boot sector: ...
// (GetDiskFreeSpaceA: ...)", for a mapped drive that the component could not select.
std::string CannotBeMeasured(const DriveFacts& drive) {
    const std::string measured = " (GetDiskFreeSpaceA: " + WindowsErrorWords(drive.error).text + ")";
    const std::optional<machine::DriveBacking> backing = machine::InspectDrive(drive.letter);
    if (backing && !backing->problem.empty())
        return "cannot be measured: its backing " + tools::Quoted(backing->path) + " " + backing->problem + measured +
               WhatItHolds(*backing);
    return "cannot be measured: there is no such drive, no medium in it, or no file system the machine can read" +
           measured;
}

} // namespace

DriveFacts SelectDrive(Orvane::TZelvan& zelvan, char letter) {
    zelvan.SetDisk(letter);
    if (zelvan.DriveValid()) return SelectedDrive(zelvan);
    // Only a refusal measures the drive again, for the reason.
    const char upper = Orvane::UpperLetter(letter);
    RequireMapped(upper);
    const DriveFacts drive = MeasureDrive(upper);
    std::string advice;
    if (const std::optional<machine::DriveBacking> backing = machine::InspectDrive(upper); backing && !backing->problem.empty())
        advice = "; the component moves sectors only of a drive it can measure: " +
                 WhatReachesIt(upper, drive.type, *backing);
    throw tools::Failure(DriveName(upper) + " " + CannotBeMeasured(drive) + advice);
}

DriveFacts SelectFloppyBound(Orvane::TZelvan& zelvan, char letter, std::optional<char> driveName) {
    if (driveName) return SelectDrive(zelvan, *driveName);
    zelvan.SetDisk(letter);
    if (zelvan.DriveValid()) return SelectedDrive(zelvan);
    const char upper = Orvane::UpperLetter(letter);
    RequireMapped(upper);
    const std::string checks = "the component checks a floppy run's FIRST and COUNT against its DriveName drive";
    const std::string floppyWords = DriveName(upper) + " " + CannotBeMeasured(MeasureDrive(upper));
    // A refused selection leaves DriveName as it was, with the figures of
    // its measurement again.
    const char kept = zelvan.DriveName();
    if (Orvane::IsDriveLetter(kept)) {
        DriveFacts bound = SelectedDrive(zelvan);
        bound.standingIn = checks + ", which stays " + std::string{kept, ':'} + " while " + floppyWords;
        return bound;
    }
    const char created = Orvane::TZelvan::DefaultDriveName;
    const std::optional<machine::DriveBacking> backing = machine::InspectDrive(created);
    DriveFacts none;
    none.standingIn = checks + ", and has none: " + floppyWords + ", and " + std::string{created, ':'} +
                      ", which a new component selects, " +
                      (backing && !backing->mapped ? "is not mapped" : "cannot be measured") +
                      "; as created it holds FIRST 0 and COUNT 1 and takes no other run: map a drive " +
                      std::string{created} + ": whose size bound B is above FIRST + COUNT (--drive " +
                      std::string{created} + "=PATH)";
    return none;
}

void SelectRun(Orvane::TZelvan& zelvan, const DriveFacts& drive, std::uint32_t first, std::uint32_t count) {
    const std::string standingIn = drive.standingIn.empty() ? "" : "; " + drive.standingIn;
    if (!drive.measured) {
        if (zelvan.FirstSector() == first && zelvan.Sectors() == count) return;
        throw tools::Failure("FIRST " + std::to_string(first) + " and COUNT " + std::to_string(count) +
                             " are refused: " + drive.standingIn);
    }
    if (drive.SizeBound() == 0)
        throw tools::Failure("the component takes no sector of drive " + std::string{drive.letter} + ": " +
                             BoundText(drive) + standingIn);
    // Sectors 0 first, so that neither setter below can skip its test by
    // meeting the value it already holds.
    zelvan.SetSectors(0);
    zelvan.SetFirstSector(first);
    if (zelvan.FirstSector() != first)
        throw tools::Failure("FIRST " + std::to_string(first) + " is refused: it is not below " + BoundText(drive) +
                             standingIn);
    zelvan.SetSectors(count);
    // The component adds FIRST and COUNT in 32 bits: a run that ends at 2^32
    // or beyond wraps to a small sum and passes its test. The run is tested
    // whole here, before anything moves.
    const std::uint64_t end = std::uint64_t{first} + count;
    const std::uint32_t bound = drive.SizeBound();
    if (zelvan.Sectors() != count || end >= bound) {
        const std::uint32_t room = bound - first - 1; // first < bound here
        const std::string wrapped = zelvan.Sectors() == count
                                        ? " (the component takes it: its 32-bit sum wraps to " +
                                              std::to_string(static_cast<std::uint32_t>(end)) + ")"
                                        : "";
        throw tools::Failure("COUNT " + std::to_string(count) + " is refused: FIRST + COUNT = " + std::to_string(end) +
                             " is not below " + BoundText(drive) + wrapped + "; from sector " + std::to_string(first) +
                             " at most " + std::to_string(room) + " sectors can be moved" + standingIn);
    }
}

} // namespace zelvan_cli

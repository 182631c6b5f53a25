#include "zelvan/selection.h"

#include "common/command_table.h"
#include "common/outcome.h"
#include "zelvan/failure_words.h"
#include "zelvan/machine_setup.h"

namespace zelvan_cli {

namespace {

std::string BoundText(const DriveFacts& drive) {
    const std::uint64_t bound = drive.SizeBound();
    const std::string text = "drive " + std::string{drive.letter} + ":'s size bound B = " + std::to_string(bound) +
                             " sectors (";
    const std::string bytes = std::to_string(bound * drive.geometry.BytesPerSector) + " bytes)";
    const std::string wrap = BoundWrapNote(drive);
    if (!wrap.empty()) return text + bytes + ", since " + wrap;
    return text + std::to_string(drive.geometry.TotalClusters) + " clusters x " +
           std::to_string(drive.geometry.SectorsPerCluster) + " sectors, " + bytes;
}

} // namespace

DriveFacts SelectDrive(Orvane::TZelvan& zelvan, char letter) {
    zelvan.SetDisk(letter);
    if (zelvan.DriveValid()) return SelectedDrive(zelvan);
    // Only a refusal measures the drive again, for the reason.
    const char upper = Orvane::UpperLetter(letter);
    const DriveFacts drive = MeasureDrive(upper);
    const std::string name = "drive " + std::string{upper, ':'};
    const std::string measured = " (GetDiskFreeSpaceA: " + WindowsErrorWords(drive.error).text + ")";
    const std::optional<machine::DriveBacking> backing = machine::InspectDrive(upper);
    if (backing && !backing->mapped)
        throw tools::Failure(name + " is not mapped: give --drive " + std::string{upper} + "=PATH or ZELVAN_DRIVES");
    if (backing && !backing->problem.empty())
        throw tools::Failure(name + " cannot be measured: its backing " + tools::Quoted(backing->path) + " " +
                             backing->problem + measured);
    throw tools::Failure(name + " cannot be measured: there is no such drive, no medium in it, or no file system the "
                                "machine can read" + measured);
}

void SelectRun(Orvane::TZelvan& zelvan, const DriveFacts& drive, std::uint32_t first, std::uint32_t count) {
    if (drive.SizeBound() == 0)
        throw tools::Failure("the component takes no sector of drive " + std::string{drive.letter} + ": " + BoundText(drive));
    // Sectors 0 first, so that neither setter below can skip its test by
    // meeting the value it already holds.
    zelvan.SetSectors(0);
    zelvan.SetFirstSector(first);
    if (zelvan.FirstSector() != first)
        throw tools::Failure("FIRST " + std::to_string(first) + " is refused: it is not below " + BoundText(drive));
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
                             " at most " + std::to_string(room) + " sectors can be moved");
    }
}

} // namespace zelvan_cli

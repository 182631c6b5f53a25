#include "zelvan/commands.h"

#include <iostream>
#include <memory>

#include "common/files.h"
#include "common/interruption.h"
#include "common/outcome.h"
#include "common/picture_file.h"
#include "common/platform.h"
#include "common/run_tool.h"
#include "zelvan/drive_facts.h"
#include "zelvan/exact_input.h"
#include "zelvan/hexdump.h"
#include "zelvan/machine_setup.h"
#include "zelvan/map_picture.h"
#include "zelvan/rescue_run.h"
#include "zelvan/selection.h"
#include "zelvan/transfer.h"
#include "zelvan/volume_reach.h"

namespace zelvan_cli {

namespace {

// The machine first: the component reads the platform when it is created.
std::unique_ptr<Orvane::TZelvan> CreateComponent(const Invocation& invocation) {
    machine::Configure(invocation.machine);
    auto zelvan = std::make_unique<Orvane::TZelvan>(nullptr);
    if (invocation.component.retries) zelvan->SetRetries(*invocation.component.retries);
    zelvan->SetNeedDiskLock(invocation.component.lock);
    if (invocation.component.noWarn) zelvan->SetNeedWriteWarn(false);
    return zelvan;
}

// The run and the drive whose size bound the component checks it against:
// its own for a logical run, DriveName's for a floppy run.
struct Selected {
    std::unique_ptr<Orvane::TZelvan> zelvan;
    DriveFacts drive;
    RunRequest run;
};

Selected Select(const Invocation& invocation) {
    Selected selected{CreateComponent(invocation), {}, {}};
    selected.drive = invocation.format ? SelectFloppyBound(*selected.zelvan, invocation.drive, invocation.driveName)
                                       : SelectDrive(*selected.zelvan, invocation.drive);
    selected.run = {Orvane::UpperLetter(invocation.drive), invocation.format, invocation.first, invocation.count};
    return selected;
}

} // namespace

void RunRead(const Invocation& invocation) {
    const Selected selected = Select(invocation);
    if (!invocation.rescuePath.empty()) {
        const RunRequest& run = selected.run;
        RescueMap map(invocation.rescuePath, BytesPerSector(run, selected.drive), run.first, run.count);
        try {
            RescueRun(*selected.zelvan, selected.drive, run, {invocation.force}, map, invocation.outputPath);
        } catch (const tools::Interrupted& stop) {
            throw stop.With("; " + RescueSummary(run, map, invocation.outputPath) + "; the same map file resumes it");
        }
        const std::string summary = RescueSummary(run, map, invocation.outputPath);
        if (map.Count(sectorsBad) != 0) throw tools::Failure(summary);
        std::cerr << "zelvan: " << summary << '\n';
        return;
    }
    const bool outputOnTerminal = tools::IsTerminal(stdout) && (invocation.outputPath.empty() || invocation.outputPath == "-" ||
                                                                tools::IsStandardOutput(invocation.outputPath));
    const TransferOptions options{invocation.force, outputOnTerminal};
    if (invocation.outputPath.empty()) {
        const RunRequest& run = selected.run;
        HexDump dump(std::cout, invocation.volumeOffsets ? std::uint64_t{run.first} * BytesPerSector(run, selected.drive) : 0);
        // Output that cannot be written stops the run at the piece it failed on.
        TransferRun(*selected.zelvan, selected.drive, run, Direction::Read, options, [&](std::span<std::uint8_t> bytes) {
            dump.Write(bytes);
            tools::CheckStandardOutput();
        });
        dump.Finish();
        return;
    }
    tools::OutputFile output(invocation.outputPath);
    try {
        TransferRun(*selected.zelvan, selected.drive, selected.run, Direction::Read, options,
                    [&](std::span<std::uint8_t> bytes) { output.Write(bytes); });
        output.Commit();
    } catch (const tools::Interrupted& stop) {
        throw stop.With("; " + output.Unfinished());
    }
}

void RunWrite(const Invocation& invocation) {
    const Selected selected = Select(invocation);
    ExactInput input(invocation.inputPath,
                     std::uint64_t{selected.run.count} * BytesPerSector(selected.run, selected.drive));
    TransferRun(*selected.zelvan, selected.drive, selected.run, Direction::Write, {invocation.force},
                [&](std::span<std::uint8_t> bytes) { input.Read(bytes); });
}

void RunMap(const Invocation& invocation) {
    tools::PictureFormatOf(invocation.outputPath);
    const std::unique_ptr<Orvane::TZelvan> zelvan = CreateComponent(invocation);
    const DriveFacts drive = SelectDrive(*zelvan, invocation.drive);
    const VolumeReach reach = LookAtVolume(*zelvan, drive);
    const std::string letter{drive.letter, ':'};
    if (!reach.layout) throw tools::Failure("cannot draw drive " + letter + ": " + reach.unread);
    std::vector<MapArea> rescue;
    if (!invocation.rescuePath.empty()) {
        std::optional<std::vector<MapArea>> areas = ReadMapFile(invocation.rescuePath, drive.geometry.BytesPerSector);
        if (!areas) throw tools::Failure("map file " + invocation.rescuePath + ": it does not exist, or is empty");
        rescue = std::move(*areas);
    }
    const VolumeMap map = MapVolume(*zelvan, drive, reach, mapMaxCells, rescue);
    const std::string perCell = std::to_string(map.SectorsPerCell()) + (map.SectorsPerCell() == 1 ? " sector" : " sectors");
    const tools::TPicture picture = DrawVolumeMap(
        map, letter + " " + std::to_string(map.Sectors()) + " sectors, " + reach.layout->fileSystem + ", a cell is " + perCell);
    tools::OutputFile output(invocation.outputPath);
    output.Write(tools::EncodePicture(picture, invocation.outputPath));
    output.Commit();
    std::cout << invocation.outputPath << ": " << map.Sectors() << " sectors of " << letter << ", " << perCell
              << " a cell, " << mapColumns << " cells a row\n";
}

void RunInfo(const Invocation& invocation) {
    const std::unique_ptr<Orvane::TZelvan> zelvan = CreateComponent(invocation);
    const DriveFacts drive = SelectDrive(*zelvan, invocation.drive);
    const VolumeReach reach = LookAtVolume(*zelvan, drive);
    WriteDriveReport(std::cout, drive, QueryPlatform(), "", &reach);
}

} // namespace zelvan_cli

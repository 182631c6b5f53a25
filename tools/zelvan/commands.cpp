#include "zelvan/commands.h"

#include <iostream>
#include <memory>

#include "common/files.h"
#include "common/run_tool.h"
#include "zelvan/drive_facts.h"
#include "zelvan/exact_input.h"
#include "zelvan/hexdump.h"
#include "zelvan/machine_setup.h"
#include "zelvan/selection.h"
#include "zelvan/transfer.h"

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

// A floppy run is checked against the size bound of the drive the component
// has selected, so the floppy is selected as well.
struct Selected {
    std::unique_ptr<Orvane::TZelvan> zelvan;
    DriveFacts drive;
    RunRequest run;
};

Selected Select(const Invocation& invocation) {
    Selected selected{CreateComponent(invocation), {}, {}};
    selected.drive = SelectDrive(*selected.zelvan, invocation.drive);
    selected.run = {selected.drive.letter, invocation.format, invocation.first, invocation.count};
    return selected;
}

} // namespace

void RunRead(const Invocation& invocation) {
    const Selected selected = Select(invocation);
    if (invocation.outputPath.empty()) {
        HexDump dump(std::cout);
        // Output that cannot be written stops the run at the piece it failed on.
        TransferRun(*selected.zelvan, selected.drive, selected.run, Direction::Read, {}, [&](std::span<std::uint8_t> bytes) {
            dump.Write(bytes);
            tools::CheckStandardOutput();
        });
        dump.Finish();
        return;
    }
    tools::OutputFile output(invocation.outputPath);
    TransferRun(*selected.zelvan, selected.drive, selected.run, Direction::Read, {},
                [&](std::span<std::uint8_t> bytes) { output.Write(bytes); });
    output.Commit();
}

void RunWrite(const Invocation& invocation) {
    const Selected selected = Select(invocation);
    ExactInput input(invocation.inputPath,
                     std::uint64_t{selected.run.count} * BytesPerSector(selected.run, selected.drive));
    TransferRun(*selected.zelvan, selected.drive, selected.run, Direction::Write, {invocation.force},
                [&](std::span<std::uint8_t> bytes) { input.Read(bytes); });
}

void RunInfo(const Invocation& invocation) {
    const std::unique_ptr<Orvane::TZelvan> zelvan = CreateComponent(invocation);
    WriteDriveReport(std::cout, SelectDrive(*zelvan, invocation.drive), QueryPlatform(), "");
}

} // namespace zelvan_cli

#include "commands.h"

#include <iostream>
#include <memory>

#include "byte_files.h"
#include "demo.h"
#include "drive_facts.h"
#include "hexdump.h"
#include "machine.h"
#include "selection.h"
#include "transfer.h"

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

RunRequest RequestFor(const Invocation& invocation, const DriveFacts& drive) {
    RunRequest run{drive.letter, std::nullopt, invocation.first, invocation.count};
    if (IsFloppy(*invocation.command)) run.floppy = invocation.format;
    return run;
}

void Read(const Invocation& invocation, Orvane::TZelvan& zelvan, const DriveFacts& drive) {
    const RunRequest run = RequestFor(invocation, drive);
    if (invocation.outputPath.empty()) {
        HexDump dump(std::cout);
        TransferRun(zelvan, drive, run, Direction::Read, [&](std::span<std::uint8_t> bytes) { dump.Write(bytes); });
        dump.Finish();
        return;
    }
    OutputFile output(invocation.outputPath);
    TransferRun(zelvan, drive, run, Direction::Read, [&](std::span<std::uint8_t> bytes) { output.Write(bytes); });
    output.Commit();
}

void Write(const Invocation& invocation, Orvane::TZelvan& zelvan, const DriveFacts& drive) {
    const RunRequest run = RequestFor(invocation, drive);
    ExactInput input(invocation.inputPath, std::uint64_t{run.count} * BytesPerSector(run, drive));
    TransferRun(zelvan, drive, run, Direction::Write, [&](std::span<std::uint8_t> bytes) { input.Read(bytes); });
}

} // namespace

void RunCommand(const Invocation& invocation) {
    const Command command = *invocation.command;
    if (command == Command::Demo) return RunDemo(std::cout);
    const std::unique_ptr<Orvane::TZelvan> zelvan = CreateComponent(invocation);
    // A floppy run is checked against the size bound of the drive the
    // component has selected, so the floppy is selected as well.
    const DriveFacts drive = SelectDrive(*zelvan, invocation.drive);
    if (command == Command::Info)
        WriteDriveReport(std::cout, drive, QueryPlatform(), "");
    else if (IsWrite(command))
        Write(invocation, *zelvan, drive);
    else
        Read(invocation, *zelvan, drive);
}

} // namespace zelvan_cli

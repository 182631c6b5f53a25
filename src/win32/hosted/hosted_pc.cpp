// The configuration and inspection calls of hosted_pc.h.
#include <utility>

#include "win32/hosted/drive_media.h"
#include "win32/hosted/machine_state.h"
#include "win32/hosted/module_check.h"
#include "win32/hosted/volume_reading.h"

namespace hosted {

void MapDrive(char letter, DriveSpec drive) {
    char upper = DriveLetter(letter);
    if (drive.path.empty()) throw ConfigError(std::string("drive ") + upper + ": the path is empty");
    std::vector<std::pair<char, DriveSpec>> mapped;
    mapped.emplace_back(upper, std::move(drive));
    MachineLock machine;
    machine->Map(std::move(mapped));
}

void UnmapDrive(char letter) {
    char upper = DriveLetter(letter);
    MachineLock machine;
    machine->drives.erase(upper);
}

void ClearDrives() {
    MachineLock machine;
    machine->drives.clear();
}

void MapDrives(std::string_view text) {
    auto drives = ParseDrives(text);
    MachineLock machine;
    machine->Map(std::move(drives));
}

std::optional<DriveInspection> InspectDrive(char letter) {
    char upper = DriveLetter(letter);
    MachineLock machine;
    const DriveSpec* drive = machine->Drive(upper);
    if (!drive) return std::nullopt;
    DriveInspection inspection{drive->path, drive->readOnly, std::nullopt, 0, drive->window, {}, {}};
    const Result<Backing> medium = OpenMedium(*drive, false);
    if (!medium) {
        inspection.problem = medium.Reason();
        return inspection;
    }
    inspection.bytes = medium->Size();
    inspection.sectorBytes = medium->SectorSize();
    if (const Result<MediumStart> start = ReadMediumStart(*medium))
        inspection.start.assign(start->sector.begin(), start->sector.end());
    // What GetDiskFreeSpaceA found, or finds now.
    inspection.problem = machine->mounts.Measure(upper, *medium, machine->IsNt()).Reason();
    return inspection;
}

std::optional<char> DriveBackedBy(const std::string& path) {
    const std::optional<FileIdentity> file = IdentityOfPath(path);
    if (!file) return std::nullopt;
    MachineLock machine;
    return machine->DriveBackedBy(*file);
}

std::optional<std::string> ModuleFileFault(const std::string& path) {
    const Result<MappedFile> file = MappedFile::Open(path);
    std::string fault = file ? ModuleFault(file->Bytes()) : std::string();
    return fault.empty() ? std::nullopt : std::optional(std::move(fault));
}

std::optional<std::string> LoadedModuleFile(const std::string& path) {
    const std::optional<FileIdentity> file = IdentityOfPath(path);
    if (!file) return std::nullopt;
    std::vector<std::string> paths;
    for (LoadedModule& module : LoadedModules()) paths.push_back(std::move(module.path));
    {
        MachineLock machine;
        for (const auto& [key, record] : machine->modules)
            if (record.data) paths.push_back(record.path);
    }
    for (std::string& module : paths)
        if (IdentityOfPath(module) == file) return std::move(module);
    return std::nullopt;
}

void SetPlatform(DWORD platformId, DWORD buildNumber) {
    MachineLock machine;
    machine->identity = {platformId, buildNumber};
}

void SetPlatform(std::string_view text) {
    Identity identity = ParsePlatform(text);
    MachineLock machine;
    machine->identity = identity;
}

void SetAnswer(std::optional<int> answer) {
    if (answer && *answer != IDYES && *answer != IDNO)
        throw ConfigError("answer " + std::to_string(*answer) + " is neither IDYES (6) nor IDNO (7)");
    MachineLock machine;
    machine->answer = answer;
}

std::vector<ShownMessage> ShownMessages() {
    MachineLock machine;
    return machine->messages;
}

std::optional<ShownMessage> LastMessage() {
    MachineLock machine;
    return machine->lastMessage;
}

std::optional<DeviceRefusal> TakeDeviceRefusal() {
    MachineLock machine;
    return std::exchange(machine->deviceRefusal, std::nullopt);
}

std::uint64_t CallsMade(std::string_view name) {
    MachineLock machine;
    std::uint64_t calls = 0;
    bool known = false;
    for (std::size_t row = 0; row < noHostedCall; ++row)
        if (hostedCalls[row].name == name) {
            known = true;
            calls += machine->callsMade[row];
        }
    for (std::size_t row = 0; row < noHostedService; ++row)
        if (hostedServices[row].name == name) {
            known = true;
            calls += machine->requestsMade[row];
        }
    if (!known) throw ConfigError("'" + std::string(name) + "' names no call or service of this machine");
    return calls;
}

std::uint64_t MediumWrites() { return Backing::WritesBegun(); }

void KeepJournal(bool keep) {
    MachineLock machine;
    machine->journal.Keep(keep);
}

std::vector<std::string> Journal() {
    MachineLock machine;
    return machine->journal.Lines();
}

void ClearJournal() {
    MachineLock machine;
    machine->journal.Clear();
    machine->messages.clear();
}

std::vector<std::string> JournalOf(std::string_view name) {
    MachineLock machine;
    std::vector<std::string> lines;
    for (const std::string& line : machine->journal.Lines()) {
        std::string_view call(line);
        call = call.substr(0, call.find_first_of("( "));
        if (call == name) lines.push_back(line);
    }
    return lines;
}

std::optional<std::string> TraceFailure() {
    // A machine not yet started has traced nothing, and is not started for this.
    if (!MachineStarted()) return std::nullopt;
    MachineLock machine;
    const std::string& failure = machine->journal.TraceFailure();
    return failure.empty() ? std::nullopt : std::optional(failure);
}

void TraceTo(std::string_view path) {
    MachineLock machine;
    machine->TraceTo(path);
}

void FailCall(std::string_view call, std::vector<unsigned> ordinals, std::optional<DWORD> value) {
    MachineLock machine;
    machine->faults.Fail(call, ordinals, value);
}

void PlanFaults(std::string_view text) {
    MachineLock machine;
    machine->faults.Plan(text);
}

void ClearFaults() {
    MachineLock machine;
    machine->faults.Clear();
}

void ResetMachine() {
    MachineLock machine;
    machine->Reset();
    ThreadLocale().reset();
}

UINT ErrorMode() {
    MachineLock machine;
    return machine->errorMode;
}

std::size_t OpenHandleCount() {
    MachineLock machine;
    return machine->handles.size();
}

} // namespace hosted

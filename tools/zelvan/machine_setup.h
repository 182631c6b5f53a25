// The machine the component runs on. On the hosted backend the command line
// configures it (drives, platform, answer, trace); on Windows it is the real
// one and these settings are refused. Everything that names the hosted
// backend lives behind this header.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32/win32.h"
#include "zelvan/arguments.h"

namespace zelvan_cli::machine {

// Applies the machine options (the --drive options as one ZELVAN_DRIVES
// text, so that a letter given twice is refused), then lets the runtime's
// Win32Platform follow a platform given. Call it before creating a component:
// a component reads the build number once, when it is created. Throws UsageError for a setting that
// is malformed or, on Windows, not available.
void Configure(const MachineOptions& options);

// For the demo: throws UsageError on Windows, where the machine is not ours to set up.
void RequireHosted(std::string_view what);
// Switches the reported platform ("nt", "95", "98", "10" or "P:B") and Win32Platform.
void UsePlatform(std::string_view platform);
void MapDrive(char letter, const std::filesystem::path& image, bool removable);
// The answer the next confirmations get; std::nullopt falls back to the environment or the terminal.
void SetAnswer(std::optional<bool> yes);

struct Confirmation {
    std::string text;
    std::string caption;
    bool shown;       // false: the dialog could not be shown (MessageBoxA failed)
    bool declined;    // shown, and answered otherwise than Yes
    bool nobodyAsked; // no answer was set and no person could be asked: No
};
// The last confirmation the component asked for, when the machine can tell.
std::optional<Confirmation> LastConfirmation();
// Whether a person answers the next confirmation (on Windows the dialog is
// always put to one), rather than an answer set beforehand or nobody.
bool PersonWillBeAsked();

// What the machine finds behind a drive letter, when it can tell: on the
// hosted machine the drive's backing, on Windows nothing.
struct DriveBacking {
    bool mapped = false;
    std::string path;
    std::string problem;                // empty when it holds a FAT volume; else "is empty", ...
    std::optional<std::uint64_t> bytes; // the medium's size
    unsigned sectorBytes = 0;           // the device's sector size
    std::uint64_t offset = 0;           // where on the medium the drive's part begins (a partition)
    std::vector<std::uint8_t> start;    // the drive's first 512 bytes, when they can be read
};
std::optional<DriveBacking> InspectDrive(char letter);

// The first request the VWIN32 device refused since this was last asked,
// when the machine can tell: the service ("INT25", "INT21-440D", ...) and
// EAX as returned.
struct DeviceRefusal {
    std::string service;
    DWORD eax;
};
std::optional<DeviceRefusal> TakeDeviceRefusal();

// What the machine has done since the program started, when it can tell:
// on the hosted machine, the calls named `call` it answered (a Win32 call, or
// a service of the VWIN32 device as "INT26") and how many times it set out
// to write to a medium; on Windows, where the component's calls are not the
// tool's to see, nothing.
struct Tally {
    std::uint64_t calls;
    std::uint64_t mediumWrites;
};
std::optional<Tally> TallySoFar(std::string_view call);

} // namespace zelvan_cli::machine

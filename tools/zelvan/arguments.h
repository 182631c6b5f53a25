// The command line of zelvan, parsed into what the commands need. Parsing
// checks the form of every argument; the values themselves are judged by the
// component and the machine later.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/command_table.h"
#include "orvane/orvane.h"

namespace zelvan_cli {

// Settings of the (hosted) machine, applied before the component is created.
struct MachineOptions {
    std::vector<std::string> drives;        // each "L=PATH[:removable|:fixed][:ro]"
    std::optional<std::string> platform;    // "nt", "95", "98", "10" or "P:B"
    std::optional<bool> answer;             // --yes / --no
    std::optional<std::string> trace;       // a file, or "-" for standard error
};

// Properties of the component that the options set.
struct ComponentOptions {
    std::optional<Orvane::TRetries> retries;
    bool lock = false;
    bool noWarn = false;
};

struct Invocation;
using CommandRow = tools::CommandRow<Invocation>;

struct Invocation {
    const CommandRow* command = nullptr;    // none: only --help, or nothing at all
    bool help = false;
    bool version = false;
    MachineOptions machine;
    ComponentOptions component;
    char drive = 0;                         // LETTER
    std::optional<Orvane::TFloppyType> format; // FORMAT, which the floppy commands take
    std::uint32_t first = 0;                // FIRST
    std::uint32_t count = 0;                // COUNT
    std::string inputPath;                  // -i FILE: "-" is standard input
    std::string outputPath;                 // -o FILE: empty means a hex dump
    bool force = false;                     // --force: move a floppy run whose FORMAT is not the disk's
    std::optional<char> driveName;          // --drive-name: the drive whose size bound checks a floppy run
    std::string rescuePath;                 // --rescue MAPFILE: read on past bad sectors, kept in MAPFILE
    bool volumeOffsets = false;             // --offsets volume: the hex dump shows the volume's byte offsets
};

// Throws UsageError naming the argument that is wrong.
Invocation ParseArguments(std::span<const std::string_view> arguments);

} // namespace zelvan_cli

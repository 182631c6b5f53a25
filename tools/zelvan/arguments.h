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

#include "orvane/orvane.h"

namespace zelvan_cli {

enum class Command { Info, Read, Write, FloppyRead, FloppyWrite, Demo };

// Settings of the (hosted) machine, applied before the component is created.
struct MachineOptions {
    std::vector<std::string> drives;        // each "L=PATH[:removable|:fixed][:ro]"
    std::optional<std::string> platform;    // "nt", "95", "98" or "P:B"
    std::optional<bool> answer;             // --yes / --no
    std::optional<std::string> trace;       // a file, or "-" for standard error
};

// Properties of the component that the options set.
struct ComponentOptions {
    std::optional<Orvane::TRetries> retries;
    bool lock = false;
    bool noWarn = false;
};

struct Invocation {
    std::optional<Command> command;         // none: only --help, or nothing at all
    bool help = false;
    MachineOptions machine;
    ComponentOptions component;
    char drive = 0;
    Orvane::TFloppyType format = Orvane::DUnknown;
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    std::string inputPath;                  // write: "-" is standard input
    std::string outputPath;                 // read: empty means a hex dump
};

// Throws UsageError naming the argument that is wrong.
Invocation ParseArguments(std::span<const std::string_view> arguments);

std::string_view CommandName(Command command);
bool IsWrite(Command command);
bool IsFloppy(Command command);

} // namespace zelvan_cli

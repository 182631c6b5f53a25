// The command line of zelvan-host: COMMAND, its operands and the options
// its row names, or --help.
#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/command_table.h"

namespace zelvan_host {

struct Invocation;
using CommandRow = tools::CommandRow<Invocation>;

struct Invocation {
    const CommandRow* command = nullptr; // none: only --help
    bool help = false;
    bool version = false;
    std::vector<std::string> operands;   // in the order of the row's syntax
    std::vector<std::string> options;    // such as --text, each named by the row
    // Options with the value that follows them, such as --bitmap FILE.
    std::map<std::string, std::string, std::less<>> values;
};

// Throws UsageError naming the argument that is wrong.
Invocation ParseArguments(std::span<const std::string_view> arguments);

} // namespace zelvan_host

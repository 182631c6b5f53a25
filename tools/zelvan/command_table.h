// The commands of zelvan, one row each: name, operands, help and the
// function that runs it. Adding a command is a row in command_table.cpp and
// its function; the parser and the help read everything else from the row.
#pragma once

#include <span>
#include <string>

#include "zelvan/arguments.h"

namespace zelvan_cli {

std::span<const CommandRow> Commands();

// A command without operands (demo) sets up a machine of its own, so the
// options, which set up the user's machine and component, do not apply.
bool TakesOptions(const CommandRow& row);

// What `zelvan --help` prints without a command, and `zelvan COMMAND --help` with one.
std::string HelpText(const CommandRow* command);

} // namespace zelvan_cli

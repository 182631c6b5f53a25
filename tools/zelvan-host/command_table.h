// The commands of zelvan-host, one row each: name, operands, help and the
// function that runs it. Adding a command is a row in command_table.cpp and
// its function; the parser and the help read everything else from the row.
#pragma once

#include <span>
#include <string>

#include "zelvan-host/arguments.h"

namespace zelvan_host {

std::span<const CommandRow> Commands();

// What `zelvan-host --help` prints without a command, and
// `zelvan-host COMMAND --help` with one.
std::string HelpText(const CommandRow* command);

} // namespace zelvan_host

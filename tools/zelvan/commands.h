// Runs a parsed command. The commands on the user's drives (info, read,
// write, floppy-read, floppy-write) set up the machine, create a TZelvan and
// work through it; failures arrive as Failure or UsageError.
#pragma once

#include "arguments.h"

namespace zelvan_cli {

void RunCommand(const Invocation& invocation);

} // namespace zelvan_cli

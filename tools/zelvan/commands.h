// The commands on the user's drives: each sets up the machine, creates a
// TZelvan and works through it; failures arrive as tools::Failure or
// tools::UsageError.
#pragma once

#include "zelvan/arguments.h"

namespace zelvan_cli {

void RunMap(const Invocation& invocation);
void RunInfo(const Invocation& invocation);
// With a FORMAT (floppy-read, floppy-write) the run goes by the floppy
// methods, in that format.
void RunRead(const Invocation& invocation);
void RunWrite(const Invocation& invocation);

} // namespace zelvan_cli

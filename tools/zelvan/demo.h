// `zelvan demo`: two fresh disk images on the hosted machine and, section by
// section, what the component does with them.
#pragma once

#include "zelvan/arguments.h"

namespace zelvan_cli {

// Shows it on standard output. Throws Failure when a step does not go as
// shown (or mkfs.fat is missing).
void RunDemo(const Invocation& invocation);

} // namespace zelvan_cli

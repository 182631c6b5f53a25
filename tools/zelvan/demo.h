// `zelvan demo`: two fresh disk images on the hosted machine and, section by
// section, what the component does with them.
#pragma once

#include <ostream>

namespace zelvan_cli {

// Throws Failure when a step does not go as shown (or mkfs.fat is missing).
void RunDemo(std::ostream& out);

} // namespace zelvan_cli

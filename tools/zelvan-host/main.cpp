// zelvan-host: the design-time host. Like an IDE it runs on one runtime
// package and installs packages into it: ZelvanPack shows its component on
// the palette, and forms holding a TZelvan load for real, measuring drives
// through the hosted machine (ZELVAN_DRIVES). It also converts form files
// and lists a module's exports.
#include "common/run_tool.h"
#include "zelvan-host/arguments.h"
#include "zelvan-host/command_table.h"

int main(int argc, char** argv) {
    return tools::RunCommandLine(ZELVAN_HOST_NAME, argc, argv, zelvan_host::ParseArguments, zelvan_host::HelpText);
}

// zelvan-host: the design-time host. Like an IDE it runs on one runtime
// package and installs packages into it: ZelvanPack shows its component on
// the palette, and forms holding a TZelvan load for real, measuring drives
// through the hosted machine (ZELVAN_DRIVES). It also converts form files
// and lists a module's exports.
#include "common/outcome.h"
#include "common/run_tool.h"
#include "vcl/packages.h"
#include "zelvan-host/arguments.h"
#include "zelvan-host/command_table.h"

int main(int argc, char** argv) {
    // A host started on the other build's runtime package, named as its own,
    // would misread every package and form: it stops here, in one line.
    if (const int refused = tools::RunTool(ZELVAN_HOST_NAME, vcl::CheckRuntimePackage); refused != tools::ExitSuccess)
        return refused;
    return tools::RunCommandLine(ZELVAN_HOST_NAME, argc, argv, zelvan_host::ParseArguments, zelvan_host::HelpText);
}

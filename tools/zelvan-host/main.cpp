// zelvan-host: the design-time host. It reads and converts form files and
// shows what the component publishes, through the same runtime that
// applications use: a form is loaded for real, so loading a TZelvan form
// measures drives through the hosted machine (ZELVAN_DRIVES).
#include "common/run_tool.h"
#include "orvane/orvane.h"
#include "vcl/registry.h"
#include "zelvan-host/arguments.h"
#include "zelvan-host/command_table.h"

int main(int argc, char** argv) {
    vcl::RegisterClass(Orvane::TZelvan::StaticClassInfo());
    return tools::RunCommandLine("zelvan-host", argc, argv, zelvan_host::ParseArguments, zelvan_host::HelpText);
}

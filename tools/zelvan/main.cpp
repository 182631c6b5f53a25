// zelvan: raw sectors of a drive, read and written through the TZelvan component.
#include "common/run_tool.h"
#include "zelvan/arguments.h"
#include "zelvan/command_table.h"

int main(int argc, char** argv) {
    return tools::RunCommandLine("zelvan", argc, argv, zelvan_cli::ParseArguments, zelvan_cli::HelpText);
}

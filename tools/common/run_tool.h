// How both tools end: the exit status and the one line on standard error.
#pragma once

#include <functional>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/command_table.h"

namespace tools {

// Runs `work` and returns the tool's exit status: 0 when it returns and all
// of its standard output and of the machine's trace was written; 2 for a
// UsageError, shown as "TOOL: what (see TOOL --help)"; 1 for any other
// failure (a write to standard output or to the trace among them), shown as
// "TOOL: what". Bytes of a message that would not show as text (from a
// damaged form, say) show as \xNN. While `work` runs, SIGINT, SIGTERM and
// SIGHUP are caught (common/interruption.h): the tool says what it had done
// and ends by the signal.
int RunTool(std::string_view tool, const std::function<void()>& work);

// Throws Failure with the system's reason when standard output has failed
// to take what was written to it: a long output stops at the first failure.
// A write that a signal cut short throws Interrupted.
void CheckStandardOutput();

// The version of the project both tools belong to: "0.1.0".
std::string_view Version();

// `text` with control characters and bytes that are not UTF-8
// written as \xNN.
std::string Printable(std::string_view text);

// A tool's whole run: its arguments parsed into an Invocation, then the help
// that --help asks for, the version --version asks for, or the command's
// row run, ended by RunTool.
template <class Invocation>
int RunCommandLine(std::string_view tool, int argc, char** argv,
                   Invocation (*parse)(std::span<const std::string_view>),
                   std::string (*help)(const CommandRow<Invocation>*)) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    return RunTool(tool, [&] {
        const Invocation invocation = parse(arguments);
        if (invocation.help)
            std::cout << help(invocation.command);
        else if (invocation.version)
            std::cout << tool << ' ' << Version() << '\n';
        else
            invocation.command->run(invocation);
    });
}

} // namespace tools

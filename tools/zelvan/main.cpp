// zelvan: raw sectors of a drive, read and written through the TZelvan component.
#include <iostream>
#include <string_view>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "help.h"
#include "outcome.h"

int main(int argc, char** argv) {
    using namespace zelvan_cli;
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    try {
        const Invocation invocation = ParseArguments(arguments);
        if (invocation.help) {
            std::cout << HelpText(invocation.command);
            return ExitSuccess;
        }
        RunCommand(invocation);
        return ExitSuccess;
    } catch (const UsageError& error) {
        std::cerr << "zelvan: " << error.what() << " (see zelvan --help)\n";
        return ExitUsage;
    } catch (const std::exception& error) {
        std::cerr << "zelvan: " << error.what() << '\n';
        return ExitFailure;
    }
}

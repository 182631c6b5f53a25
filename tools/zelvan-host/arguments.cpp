#include "zelvan-host/arguments.h"

#include "common/outcome.h"
#include "zelvan-host/command_table.h"

namespace zelvan_host {

Invocation ParseArguments(std::span<const std::string_view> arguments) {
    Invocation invocation;
    std::vector<std::string_view> rest;
    for (std::string_view argument : arguments) {
        if (argument == "--help" || argument == "-h") invocation.help = true;
        else rest.push_back(argument);
    }
    if (!rest.empty() && rest.front() == "help") {
        invocation.help = true;
        rest.erase(rest.begin());
    }
    if (!rest.empty()) invocation.command = &tools::FindCommand(Commands(), rest.front());
    if (invocation.help) return invocation;
    if (!invocation.command) throw tools::UsageError("no command given");
    const CommandRow& row = *invocation.command;
    for (std::string_view argument : std::span(rest).subspan(1)) {
        if (!argument.starts_with("--")) {
            invocation.operands.emplace_back(argument);
        } else if (tools::UseOf(row.operands, argument) != tools::OptionUse::Foreign) {
            invocation.options.emplace_back(argument);
        } else {
            throw tools::UsageError(std::string(row.name) + " takes no option " + tools::Quoted(argument));
        }
    }
    tools::CheckOperandCount(row.name, row.operands, invocation.operands.size());
    return invocation;
}

} // namespace zelvan_host

#include "zelvan-host/arguments.h"

#include <algorithm>

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
    for (std::size_t at = 1; at < rest.size(); ++at) {
        const std::string_view argument = rest[at];
        if (!argument.starts_with("--")) {
            invocation.operands.emplace_back(argument);
        } else if (tools::UseOf(row.operands, argument) == tools::OptionUse::Foreign) {
            throw tools::UsageError(std::string(row.name) + " takes no option " + tools::Quoted(argument));
        } else if (const std::string_view value = tools::ValueOf(row.operands, argument); !value.empty()) {
            if (++at == rest.size()) throw tools::UsageError(std::string(argument) + " needs " + std::string(value));
            invocation.values.emplace(argument, rest[at]);
        } else {
            invocation.options.emplace_back(argument);
        }
    }
    tools::CheckOperandCount(row.name, row.operands, invocation.operands.size());
    for (std::string_view option : tools::NeededOptions(row.operands))
        if (!invocation.values.count(option) &&
            std::find(invocation.options.begin(), invocation.options.end(), option) == invocation.options.end())
            throw tools::UsageError(std::string(row.name) + " needs " + std::string(option) + " " +
                                    std::string(tools::ValueOf(row.operands, option)));
    return invocation;
}

} // namespace zelvan_host

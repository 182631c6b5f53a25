#include "zelvan-host/arguments.h"

#include <algorithm>

#include "common/command_line.h"
#include "common/outcome.h"
#include "zelvan-host/command_table.h"

namespace zelvan_host {

namespace {

// The options the commands' rows name ("--bitmap FILE", "--text"), each once.
const std::vector<tools::OptionRow>& OptionRows() {
    static const std::vector<tools::OptionRow> rows = [] {
        std::vector<tools::OptionRow> found;
        for (const CommandRow& row : Commands())
            for (std::string_view name : tools::OptionNames(row.operands)) {
                if (std::any_of(found.begin(), found.end(), [&](const tools::OptionRow& o) { return o.name == name; }))
                    continue;
                const std::string_view value = tools::ValueOf(row.operands, name);
                found.push_back({name, value.empty() ? tools::OptionValue::None : tools::OptionValue::Needed, value, false, ""});
            }
        return found;
    }();
    return rows;
}

} // namespace

Invocation ParseArguments(std::span<const std::string_view> arguments) {
    tools::CommandLine line = tools::ParseCommandLine(arguments, OptionRows());
    Invocation invocation;
    invocation.help = line.help;
    invocation.version = line.version;
    std::vector<std::string>& rest = line.operands;
    if (!rest.empty() && rest.front() == "help") {
        invocation.help = true;
        rest.erase(rest.begin());
    }
    if (!rest.empty()) invocation.command = &tools::FindCommand(Commands(), rest.front());
    if (invocation.help || invocation.version) return invocation;
    if (!invocation.command) throw tools::UsageError("no command given");
    const CommandRow& row = *invocation.command;
    invocation.operands.assign(rest.begin() + 1, rest.end());
    for (tools::GivenOption& given : line.options) {
        const std::string name(given.row->name);
        if (tools::UseOf(row.operands, name) == tools::OptionUse::Foreign)
            throw tools::UsageError(std::string(row.name) + " takes no option " + tools::Quoted(name));
        if (given.value) invocation.values.emplace(name, std::move(*given.value));
        else invocation.options.push_back(name);
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

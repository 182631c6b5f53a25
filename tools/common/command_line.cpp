#include "common/command_line.h"

#include <algorithm>

#include "common/command_table.h"
#include "common/outcome.h"

namespace tools {

namespace {

bool IsOperand(std::string_view argument) {
    const bool negativeNumber = argument.size() > 1 && argument[1] >= '0' && argument[1] <= '9';
    return !argument.starts_with('-') || argument == "-" || negativeNumber;
}

const OptionRow* FindOption(std::span<const OptionRow> options, std::string_view name) {
    const auto found = std::find_if(options.begin(), options.end(), [&](const OptionRow& row) {
        return row.name == name || (!row.longName.empty() && row.longName == name);
    });
    return found == options.end() ? nullptr : &*found;
}

// The spellings every tool takes, and what they ask for.
constexpr std::string_view endOfOptions = "--";
bool CommandLine::* StandingFlag(std::string_view name) {
    if (name == "--help" || name == "-h") return &CommandLine::help;
    if (name == "--version" || name == "-V") return &CommandLine::version;
    return nullptr;
}

} // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> arguments, std::span<const OptionRow> options) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string_view argument = arguments[at];
        if (optionsEnded || IsOperand(argument)) {
            line.operands.emplace_back(argument);
            continue;
        }
        if (argument == endOfOptions) {
            optionsEnded = true;
            continue;
        }
        std::string_view name = argument;
        std::optional<std::string> value;
        if (const std::size_t equals = argument.find('='); argument.starts_with("--") && equals != argument.npos) {
            name = argument.substr(0, equals);
            value = std::string(argument.substr(equals + 1));
        }
        if (bool CommandLine::*flag = StandingFlag(name)) {
            if (value) throw UsageError(std::string(name) + " takes no value");
            line.*flag = true;
            continue;
        }
        const OptionRow* row = FindOption(options, name);
        if (!row) throw UsageError("unknown option " + Quoted(argument));
        if (row->value == OptionValue::None && value) throw UsageError(std::string(name) + " takes no value");
        if (row->value == OptionValue::Needed && !value) {
            if (++at == arguments.size()) throw UsageError(std::string(name) + " needs " + std::string(row->valueName));
            value = std::string(arguments[at]);
        }
        const bool again = std::any_of(line.options.begin(), line.options.end(),
                                       [&](const GivenOption& given) { return given.row == row; });
        if (again && !row->repeatable) throw UsageError(std::string(name) + " is given twice");
        line.options.push_back({row, std::move(value)});
    }
    return line;
}

} // namespace tools

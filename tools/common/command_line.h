// The one grammar of both tools' command lines. An argument is an operand
// unless it begins with '-' and is neither "-" (standard input or output)
// nor a negative number (a wrong operand, which its parser names). Options
// are the tool's own, from a table:
//
//   --name            an option that stands alone
//   --name VALUE      an option that takes a value; also --name=VALUE
//   --name[=VALUE]    an option whose value is optional, so given inline only
//   -x VALUE          a one-letter option that takes a value, which may
//                     have a long name too: --long VALUE, --long=VALUE
//
// -h and --help ask for help wherever they stand, -V and --version for the
// version; "--" ends the options, so that every argument after it is an
// operand. An option given twice, by either of its names, is refused unless
// its row says it may be repeated. Spellings that every option shares
// belong here, not in a tool.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

enum class OptionValue { None, Needed, InlineOnly };

struct OptionRow {
    std::string_view name;      // "--bitmap", "-o"
    OptionValue value = OptionValue::None;
    std::string_view valueName; // as messages name the value: FILE
    bool repeatable = false;
    std::string_view longName;  // of a one-letter option: "--output" for "-o"
};

struct GivenOption {
    const OptionRow* row;
    std::optional<std::string> value; // none for an option that stands alone, or an optional value not given
};

struct CommandLine {
    bool help = false;
    bool version = false;
    std::vector<std::string> operands;
    std::vector<GivenOption> options; // in the order given
};

// Throws UsageError naming the argument that is wrong.
CommandLine ParseCommandLine(std::span<const std::string_view> arguments, std::span<const OptionRow> options);

} // namespace tools

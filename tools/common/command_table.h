// The shape of a tool's command table: one row per command, holding what
// the user types, the operands that follow it, its help and the code that
// runs it. Adding a command to a tool is one row in its table plus that code.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

template <class Invocation>
struct CommandRow {
    std::string_view name;
    // As the usage shows them: operands in capitals, the options that belong
    // to the command after them, in brackets when it may go without them:
    // "LETTER FIRST COUNT [-o FILE]", "IN OUT [--text|--binary]".
    std::string_view operands;
    std::string_view help;
    void (*run)(const Invocation&);
};

// The row named `name`; throws UsageError when the table has none.
template <class Row>
const Row& FindCommand(std::span<const Row> table, std::string_view name);

// The operands of a row's syntax, in order: "LETTER FIRST COUNT [-o FILE]"
// has LETTER, FIRST and COUNT.
std::vector<std::string_view> OperandNames(std::string_view operands);

// How a row's syntax names an option ("-o", "--text").
enum class OptionUse { Foreign, Allowed, Needed };
OptionUse UseOf(std::string_view operands, std::string_view option);
// Every option a row's syntax names, in order.
std::vector<std::string_view> OptionNames(std::string_view operands);
// The options a row's syntax names outside brackets, in order.
std::vector<std::string_view> NeededOptions(std::string_view operands);
// The value an option takes in a row's syntax: FILE of "--bitmap FILE";
// empty for an option that stands alone.
std::string_view ValueOf(std::string_view operands, std::string_view option);

// Throws UsageError unless `given` is the number of operands the row takes:
// "read takes 3 operands, not 2".
void CheckOperandCount(std::string_view name, std::string_view operands, std::size_t given);

// "'text'", as the tools quote what the user typed.
std::string Quoted(std::string_view text);

// Implementation.

[[noreturn]] void UnknownCommand(std::string_view name);

template <class Row>
const Row& FindCommand(std::span<const Row> table, std::string_view name) {
    for (const Row& row : table)
        if (row.name == name) return row;
    UnknownCommand(name);
}

} // namespace tools

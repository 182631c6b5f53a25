#include "common/command_table.h"

#include "common/outcome.h"

namespace tools {

namespace {

// The syntax's words, with what marks them: bracket depth and the option a
// word is the value of.
template <class Visit>
void ForEachWord(std::string_view syntax, Visit visit) {
    bool optional = false;
    std::string_view option;
    std::size_t at = 0;
    while (at < syntax.size()) {
        const char c = syntax[at];
        if (c == ' ' || c == '|') {
            ++at;
            continue;
        }
        if (c == '[' || c == ']') {
            optional = c == '[';
            option = {};
            ++at;
            continue;
        }
        const std::size_t end = syntax.find_first_of(" |[]", at);
        const std::string_view word = syntax.substr(at, end - at);
        visit(word, optional, option);
        option = word.starts_with('-') ? word : std::string_view();
        at = end == std::string_view::npos ? syntax.size() : end;
    }
}

} // namespace

std::vector<std::string_view> OperandNames(std::string_view operands) {
    std::vector<std::string_view> names;
    ForEachWord(operands, [&](std::string_view word, bool optional, std::string_view option) {
        if (!optional && option.empty() && !word.starts_with('-')) names.push_back(word);
    });
    return names;
}

OptionUse UseOf(std::string_view operands, std::string_view option) {
    OptionUse use = OptionUse::Foreign;
    ForEachWord(operands, [&](std::string_view word, bool optional, std::string_view) {
        if (word == option) use = optional ? OptionUse::Allowed : OptionUse::Needed;
    });
    return use;
}

std::vector<std::string_view> OptionNames(std::string_view operands) {
    std::vector<std::string_view> names;
    ForEachWord(operands, [&](std::string_view word, bool, std::string_view) {
        if (word.starts_with('-')) names.push_back(word);
    });
    return names;
}

std::vector<std::string_view> NeededOptions(std::string_view operands) {
    std::vector<std::string_view> names;
    ForEachWord(operands, [&](std::string_view word, bool optional, std::string_view) {
        if (!optional && word.starts_with('-')) names.push_back(word);
    });
    return names;
}

std::string_view ValueOf(std::string_view operands, std::string_view option) {
    std::string_view value;
    ForEachWord(operands, [&](std::string_view word, bool, std::string_view after) {
        if (after == option && !word.starts_with('-')) value = word;
    });
    return value;
}

void CheckOperandCount(std::string_view name, std::string_view operands, std::size_t given) {
    const std::size_t taken = OperandNames(operands).size();
    if (given != taken)
        throw UsageError(std::string(name) + " takes " + std::to_string(taken) + " operand" + (taken == 1 ? "" : "s") +
                         ", not " + std::to_string(given));
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

void UnknownCommand(std::string_view name) { throw UsageError("unknown command " + Quoted(name)); }

} // namespace tools

#include "arguments.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

#include "outcome.h"

namespace zelvan_cli {

namespace {

struct CommandShape {
    Command command;
    std::string_view name;
    std::size_t operands; // after the command's name
};

constexpr std::array<CommandShape, 6> kCommands{{
    {Command::Info, "info", 1},
    {Command::Read, "read", 3},
    {Command::Write, "write", 3},
    {Command::FloppyRead, "floppy-read", 4},
    {Command::FloppyWrite, "floppy-write", 4},
    {Command::Demo, "demo", 0},
}};

const CommandShape& ShapeOf(Command command) {
    return *std::find_if(kCommands.begin(), kCommands.end(),
                         [command](const CommandShape& shape) { return shape.command == command; });
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::uint64_t ParseUnsigned(std::string_view text, std::string_view what, std::uint64_t max) {
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max)
        throw UsageError(std::string(what) + " must be a whole number from 0 to " + std::to_string(max) +
                         ", not " + Quoted(text));
    return value;
}

char ParseLetter(std::string_view text) {
    if (text.size() == 1 || (text.size() == 2 && text[1] == ':')) return text[0];
    throw UsageError("LETTER must be one drive letter such as C or C:, not " + Quoted(text));
}

Orvane::TFloppyType ParseFormat(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, Orvane::TFloppyType>, 5> formats{{
        {"360", Orvane::D360},
        {"720", Orvane::D720},
        {"1200", Orvane::D1200},
        {"1440", Orvane::D1440},
        {"unknown", Orvane::DUnknown},
    }};
    for (const auto& [name, format] : formats)
        if (name == text) return format;
    throw UsageError("FORMAT must be 360, 720, 1200, 1440 or unknown, not " + Quoted(text));
}

// Walks the arguments; options may come before or after the command.
class Parser {
public:
    explicit Parser(std::span<const std::string_view> arguments) : arguments_(arguments) {}

    Invocation Parse() {
        for (index_ = 0; index_ < arguments_.size(); ++index_) {
            std::string_view argument = arguments_[index_];
            // A negative number is a wrong operand rather than an unknown option.
            const bool negative = argument.size() > 1 && argument[1] >= '0' && argument[1] <= '9';
            if (argument == "-" || negative || !argument.starts_with('-'))
                operands_.push_back(argument);
            else
                Option(argument);
        }
        if (!operands_.empty()) result_.command = FindCommand(operands_.front());
        if (result_.help) return result_;
        if (!result_.command) throw UsageError("no command given");
        CheckCommand();
        return result_;
    }

private:
    void Option(std::string_view argument) {
        std::string_view name = argument;
        std::optional<std::string_view> inline_value;
        if (std::size_t equals = argument.find('='); argument.starts_with("--") && equals != argument.npos) {
            name = argument.substr(0, equals);
            inline_value = argument.substr(equals + 1);
        }
        auto value = [&]() -> std::string {
            if (inline_value) return std::string(*inline_value);
            if (index_ + 1 >= arguments_.size()) throw UsageError(std::string(name) + " needs a value");
            return std::string(arguments_[++index_]);
        };
        auto flag = [&](bool& target) {
            if (inline_value) throw UsageError(std::string(name) + " takes no value");
            target = true;
        };
        seenOptions_.emplace_back(name);

        if (name == "--help" || name == "-h") flag(result_.help);
        else if (name == "--drive") result_.machine.drives.push_back(value());
        else if (name == "--platform") result_.machine.platform = value();
        else if (name == "--retries")
            result_.component.retries = static_cast<Orvane::TRetries>(
                ParseUnsigned(value(), "--retries", std::numeric_limits<Orvane::TRetries>::max()));
        else if (name == "--lock") flag(result_.component.lock);
        else if (name == "--no-warn") flag(result_.component.noWarn);
        else if (name == "--yes" || name == "--no") Answer(name == "--yes", inline_value.has_value());
        else if (name == "--trace") result_.machine.trace = inline_value ? std::string(*inline_value) : "-";
        else if (name == "-o") result_.outputPath = value();
        else if (name == "-i") result_.inputPath = value();
        else throw UsageError("unknown option " + Quoted(argument));
    }

    void Answer(bool yes, bool hasValue) {
        if (hasValue) throw UsageError(std::string(yes ? "--yes" : "--no") + " takes no value");
        if (result_.machine.answer && *result_.machine.answer != yes)
            throw UsageError("--yes and --no cannot both be given");
        result_.machine.answer = yes;
    }

    static Command FindCommand(std::string_view name) {
        for (const CommandShape& shape : kCommands)
            if (shape.name == name) return shape.command;
        throw UsageError("unknown command " + Quoted(name));
    }

    void CheckCommand() {
        const Command command = *result_.command;
        const CommandShape& shape = ShapeOf(command);
        const std::size_t given = operands_.size() - 1;
        if (given != shape.operands)
            throw UsageError(std::string(shape.name) + " takes " + std::to_string(shape.operands) +
                             " operand" + (shape.operands == 1 ? "" : "s") + ", not " + std::to_string(given));
        if (command == Command::Demo) {
            if (!seenOptions_.empty())
                throw UsageError("demo sets up its own machine and takes no options, not " +
                                 Quoted(seenOptions_.front()));
            return;
        }
        if (!result_.outputPath.empty() && command != Command::Read && command != Command::FloppyRead)
            throw UsageError("-o FILE belongs to read and floppy-read");
        if (IsWrite(command) && result_.inputPath.empty())
            throw UsageError(std::string(shape.name) + " needs -i FILE (- for standard input)");
        if (!IsWrite(command) && !result_.inputPath.empty())
            throw UsageError("-i FILE belongs to write and floppy-write");

        std::size_t next = 1;
        result_.drive = ParseLetter(operands_[next++]);
        if (command == Command::Info) return;
        if (IsFloppy(command)) result_.format = ParseFormat(operands_[next++]);
        constexpr std::uint64_t kMaxSector = std::numeric_limits<std::uint32_t>::max();
        result_.first = static_cast<std::uint32_t>(ParseUnsigned(operands_[next++], "FIRST", kMaxSector));
        const std::uint64_t count = ParseUnsigned(operands_[next], "COUNT", kMaxSector);
        if (count == 0) throw UsageError("COUNT must be at least 1");
        if (result_.first + count - 1 > kMaxSector)
            throw UsageError("FIRST + COUNT reaches past sector 4294967295, the last a 32-bit sector number names");
        result_.count = static_cast<std::uint32_t>(count);
    }

    std::span<const std::string_view> arguments_;
    std::size_t index_ = 0;
    std::vector<std::string_view> operands_;
    std::vector<std::string> seenOptions_;
    Invocation result_;
};

} // namespace

Invocation ParseArguments(std::span<const std::string_view> arguments) { return Parser(arguments).Parse(); }

std::string_view CommandName(Command command) { return ShapeOf(command).name; }

bool IsWrite(Command command) { return command == Command::Write || command == Command::FloppyWrite; }

bool IsFloppy(Command command) { return command == Command::FloppyRead || command == Command::FloppyWrite; }

} // namespace zelvan_cli

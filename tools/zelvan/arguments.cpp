#include "zelvan/arguments.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <stdexcept>

#include "common/command_line.h"
#include "common/outcome.h"
#include "orvane/rules.h"
#include "zelvan/command_table.h"
#include "zelvan/format_names.h"

namespace zelvan_cli {

namespace {

using tools::Quoted;
using tools::UsageError;

std::uint64_t ParseUnsigned(std::string_view text, std::string_view what, std::uint64_t min, std::uint64_t max) {
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        throw UsageError(std::string(what) + " must be a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not " + Quoted(text));
    return value;
}

char ParseLetter(std::string_view text, std::string_view what) {
    if ((text.size() == 1 || (text.size() == 2 && text[1] == ':')) && Orvane::IsDriveLetter(text[0])) return text[0];
    throw UsageError(std::string(what) + " must be one drive letter from A to Z, such as C or C:, not " + Quoted(text));
}

Orvane::TFloppyType ParseFormat(std::string_view text) {
    for (const auto& [name, format] : floppyFormatNames)
        if (name == text) return format;
    throw UsageError("FORMAT must be 360, 720, 1200, 1440 or unknown, not " + Quoted(text));
}

// The commands whose syntax names `option`: "read and floppy-read".
std::string CommandsWith(std::string_view option) {
    std::vector<std::string_view> names;
    for (const CommandRow& row : Commands())
        if (tools::UseOf(row.operands, option) != tools::OptionUse::Foreign) names.push_back(row.name);
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + std::string(names[i]);
    return text;
}

// zelvan's options; they may come before or after the command.
using tools::OptionValue;
constexpr tools::OptionRow optionRows[] = {
    {"--drive", OptionValue::Needed, "L=PATH", true, ""},
    {"--platform", OptionValue::Needed, "PLATFORM", false, ""},
    {"--retries", OptionValue::Needed, "N", false, ""},
    {"--lock", OptionValue::None, "", false, ""},
    {"--no-warn", OptionValue::None, "", false, ""},
    {"--yes", OptionValue::None, "", false, ""},
    {"--no", OptionValue::None, "", false, ""},
    {"--trace", OptionValue::InlineOnly, "FILE", false, ""},
    {"--force", OptionValue::None, "", false, ""},
    {"--drive-name", OptionValue::Needed, "L", false, ""},
    {"--rescue", OptionValue::Needed, "MAPFILE", false, ""},
    {"--offsets", OptionValue::Needed, "run|volume", false, ""},
    {"-o", OptionValue::Needed, "FILE", false, "--output"},
    {"-i", OptionValue::Needed, "FILE", false, "--input"},
};

class Parser {
public:
    explicit Parser(std::span<const std::string_view> arguments) : line_(tools::ParseCommandLine(arguments, optionRows)) {}

    Invocation Parse() {
        result_.help = line_.help;
        result_.version = line_.version;
        for (const tools::GivenOption& given : line_.options) Option(given.row->name, given.value);
        if (!line_.operands.empty()) result_.command = &tools::FindCommand(Commands(), line_.operands.front());
        if (result_.help || result_.version) return result_;
        if (!result_.command) throw UsageError("no command given");
        CheckCommand();
        return result_;
    }

private:
    void Option(std::string_view name, const std::optional<std::string>& value) {
        if (name == "--drive") result_.machine.drives.push_back(*value);
        else if (name == "--platform") result_.machine.platform = *value;
        else if (name == "--retries")
            result_.component.retries = static_cast<Orvane::TRetries>(
                ParseUnsigned(*value, "--retries", 0, std::numeric_limits<Orvane::TRetries>::max()));
        else if (name == "--lock") result_.component.lock = true;
        else if (name == "--no-warn") result_.component.noWarn = true;
        else if (name == "--yes" || name == "--no") Answer(name == "--yes");
        else if (name == "--trace") result_.machine.trace = value.value_or("-");
        else if (name == "--force") result_.force = true;
        else if (name == "--drive-name") result_.driveName = ParseLetter(*value, name);
        else if (name == "--rescue") result_.rescuePath = FileName(name, *value);
        else if (name == "--offsets") result_.volumeOffsets = VolumeOffsets(*value);
        else if (name == "-o") result_.outputPath = FileName(name, *value);
        else if (name == "-i") result_.inputPath = FileName(name, *value);
    }

    static bool VolumeOffsets(std::string_view where) {
        if (where != "run" && where != "volume")
            throw UsageError("--offsets takes run (from 0) or volume (the volume's byte offsets), not " + Quoted(where));
        return where == "volume";
    }

    static std::string FileName(std::string_view option, std::string name) {
        if (name.empty()) throw UsageError(std::string(option) + " needs a file name, not ''");
        return name;
    }

    void Answer(bool yes) {
        if (result_.machine.answer)
            throw UsageError("--yes and --no cannot both be given");
        result_.machine.answer = yes;
    }

    void CheckCommand() {
        const CommandRow& row = *result_.command;
        tools::CheckOperandCount(row.name, row.operands, line_.operands.size() - 1);
        if (!TakesOptions(row)) {
            if (!line_.options.empty())
                throw UsageError(std::string(row.name) + " sets up its own machine and takes no options, not " +
                                 Quoted(line_.options.front().row->name));
            return;
        }
        if (result_.outputPath.empty() && tools::UseOf(row.operands, "-o") == tools::OptionUse::Needed)
            throw UsageError(std::string(row.name) + " needs -o FILE");
        if (!result_.outputPath.empty() && tools::UseOf(row.operands, "-o") == tools::OptionUse::Foreign)
            throw UsageError("-o FILE belongs to " + CommandsWith("-o"));
        if (result_.inputPath.empty() && tools::UseOf(row.operands, "-i") == tools::OptionUse::Needed)
            throw UsageError(std::string(row.name) + " needs -i FILE (- for standard input)");
        if (!result_.inputPath.empty() && tools::UseOf(row.operands, "-i") == tools::OptionUse::Foreign)
            throw UsageError("-i FILE belongs to " + CommandsWith("-i"));
        if (result_.force && tools::UseOf(row.operands, "--force") == tools::OptionUse::Foreign)
            throw UsageError("--force belongs to " + CommandsWith("--force"));
        if (result_.driveName && tools::UseOf(row.operands, "--drive-name") == tools::OptionUse::Foreign)
            throw UsageError("--drive-name belongs to " + CommandsWith("--drive-name"));
        if (!result_.rescuePath.empty() && tools::UseOf(row.operands, "--rescue") == tools::OptionUse::Foreign)
            throw UsageError("--rescue MAPFILE belongs to " + CommandsWith("--rescue"));
        if (Given("--offsets") && tools::UseOf(row.operands, "--offsets") == tools::OptionUse::Foreign)
            throw UsageError("--offsets belongs to " + CommandsWith("--offsets"));
        if (Given("--offsets") && !result_.outputPath.empty())
            throw UsageError("--offsets belongs to the hex dump, which -o FILE replaces");
        if (!result_.rescuePath.empty() && result_.outputPath.empty())
            throw UsageError("--rescue MAPFILE needs -o FILE, which the rescued sectors fill at their places");
        const std::vector<std::string_view> names = tools::OperandNames(row.operands);
        for (std::size_t i = 0; i < names.size(); ++i) Operand(names[i], line_.operands[i + 1]);
    }

    void Operand(std::string_view name, std::string_view text) {
        constexpr std::uint64_t lastSector = std::numeric_limits<std::uint32_t>::max();
        if (name == "LETTER") {
            result_.drive = ParseLetter(text, name);
        } else if (name == "FORMAT") {
            result_.format = ParseFormat(text);
        } else if (name == "FIRST") {
            result_.first = static_cast<std::uint32_t>(ParseUnsigned(text, name, 0, lastSector));
        } else if (name == "COUNT") {
            const std::uint64_t count = ParseUnsigned(text, name, 1, lastSector);
            if (result_.first + count - 1 > lastSector)
                throw UsageError("FIRST + COUNT reaches past sector 4294967295, the last a 32-bit sector number names");
            result_.count = static_cast<std::uint32_t>(count);
        } else {
            throw std::logic_error("zelvan has no parser for the operand " + std::string(name));
        }
    }

    bool Given(std::string_view option) const {
        return std::any_of(line_.options.begin(), line_.options.end(),
                           [&](const tools::GivenOption& given) { return given.row->name == option; });
    }

    const tools::CommandLine line_;
    Invocation result_;
};

} // namespace

Invocation ParseArguments(std::span<const std::string_view> arguments) { return Parser(arguments).Parse(); }

} // namespace zelvan_cli

#include "win32/hosted/config_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <string>

namespace hosted {

namespace {
std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}
} // namespace

char DriveLetter(char letter) {
    char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    if (upper < 'A' || upper > 'Z')
        throw ConfigError("drive letter " + Quoted(std::string_view(&letter, 1)) + " is not a letter from A to Z");
    return upper;
}

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool HasBlankEnd(std::string_view text) { return !text.empty() && (IsBlank(text.front()) || IsBlank(text.back())); }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsWord(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
}

// A flag: a word, alone or before '=' and its value.
bool IsFlag(std::string_view text) { return IsWord(text.substr(0, text.find('='))); }

// A decimal or 0x-hexadecimal 64-bit number.
std::optional<std::uint64_t> ParseBytes(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t value = 0;
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || status != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The flags at the end of an entry's PATH[:flag...], taken from the right;
// what is left is the path.
std::string_view TakeFlags(std::string_view rest, DriveSpec& drive, const std::string& entry) {
    auto refuse = [&](const std::string& what) { throw ConfigError("drive entry " + Quoted(entry) + ": " + what); };
    std::string kind;
    bool offset = false;
    for (std::size_t colon; (colon = rest.rfind(':')) != std::string_view::npos;) {
        const std::string_view word = rest.substr(colon + 1);
        if (!IsFlag(Trimmed(word))) break;
        if (word != Trimmed(word)) refuse("a blank around the flag " + Quoted(Trimmed(word)));
        const std::size_t equals = word.find('=');
        const std::string flag = Lower(word.substr(0, equals));
        const std::string_view value = equals == std::string_view::npos ? std::string_view() : word.substr(equals + 1);
        const bool sized = flag == "offset" || flag == "size";
        if (!sized && flag != "removable" && flag != "fixed" && flag != "ro")
            refuse("unknown flag " + Quoted(word) + " (the flags are removable, fixed, ro, offset=BYTES and size=BYTES)");
        if (sized == (equals == std::string_view::npos))
            refuse(sized ? "the flag " + Quoted(flag) + " needs a value (" + flag + "=BYTES)"
                         : "the flag " + Quoted(flag) + " takes no value");
        if (sized) {
            const std::optional<std::uint64_t> bytes = ParseBytes(value);
            if (!bytes) refuse(flag + " " + Quoted(value) + " is not a number of bytes");
            if (*bytes % 512 != 0) refuse(flag + " " + Quoted(value) + " is not a whole number of 512-byte sectors");
            if (flag == "offset") {
                if (offset) refuse("the flag 'offset' is given twice");
                offset = true;
                drive.window.offset = *bytes;
            } else {
                if (drive.window.length) refuse("the flag 'size' is given twice");
                if (*bytes == 0) refuse("size 0 holds no sector");
                drive.window.length = *bytes;
            }
        } else if (flag == "removable" || flag == "fixed") {
            if (kind == flag) refuse("the flag " + Quoted(flag) + " is given twice");
            if (!kind.empty()) refuse("the flags 'removable' and 'fixed' conflict: a drive is one or the other");
            kind = flag;
            drive.kind = flag == "removable" ? DriveKind::Removable : DriveKind::Fixed;
        } else {
            if (drive.readOnly) refuse("the flag 'ro' is given twice");
            drive.readOnly = true;
        }
        rest = rest.substr(0, colon);
    }
    return rest;
}

} // namespace

std::vector<std::pair<char, DriveSpec>> ParseDrives(std::string_view text) {
    std::vector<std::pair<char, DriveSpec>> drives;
    while (!text.empty()) {
        std::size_t end = text.find(';');
        std::string_view entry = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (entry.empty()) continue;
        if (HasBlankEnd(entry)) throw ConfigError("drive entry " + Quoted(entry) + " begins or ends with a blank");
        if (entry.size() < 2 || entry[1] != '=')
            throw ConfigError("drive entry " + Quoted(entry) +
                              " is not LETTER=PATH[:removable|:fixed][:ro][:offset=BYTES][:size=BYTES]");
        char letter;
        try {
            letter = DriveLetter(entry[0]);
        } catch (const ConfigError& error) {
            throw ConfigError("drive entry " + Quoted(entry) + ": " + error.what());
        }
        for (const auto& [given, drive] : drives)
            if (given == letter) throw ConfigError(std::string("drive ") + letter + " is given twice");
        DriveSpec drive;
        std::string_view path = TakeFlags(entry.substr(2), drive, std::string(entry));
        if (path.empty()) throw ConfigError("drive entry " + Quoted(entry) + " names no path");
        if (HasBlankEnd(path))
            throw ConfigError("drive entry " + Quoted(entry) + ": the path " + Quoted(path) + " begins or ends with a blank");
        drive.path = std::string(path);
        drives.emplace_back(letter, std::move(drive));
    }
    return drives;
}

DWORD ParseNumber(std::string_view text, std::string_view what) {
    int base = 10;
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    DWORD value = 0;
    auto [end, status] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || status != std::errc() || end != digits.data() + digits.size())
        throw ConfigError(std::string(what) + " " + Quoted(text) + " is not a 32-bit number");
    return value;
}

Identity ParsePlatform(std::string_view text) {
    std::string name = Lower(text);
    if (name == "nt") return {VER_PLATFORM_WIN32_NT, 1381};
    if (name == "95") return {VER_PLATFORM_WIN32_WINDOWS, 950};
    if (name == "98") return {VER_PLATFORM_WIN32_WINDOWS, 1998};
    // Windows 10 22H2, the Windows most machines run today.
    if (name == "10" || name == "current") return {VER_PLATFORM_WIN32_NT, 19045};
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        throw ConfigError("platform " + Quoted(text) + " is not nt, 95, 98, 10 (or current) or PLATFORM:BUILD");
    return {ParseNumber(text.substr(0, colon), "platform id"), ParseNumber(text.substr(colon + 1), "build number")};
}

int ParseAnswer(std::string_view text) {
    std::string answer = Lower(text);
    if (answer == "yes") return IDYES;
    if (answer == "no") return IDNO;
    throw ConfigError("answer " + Quoted(text) + " is not yes or no");
}

} // namespace hosted

#include "win32/hosted/config_text.h"

#include <cctype>
#include <charconv>
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

std::vector<std::pair<char, DriveSpec>> ParseDrives(std::string_view text) {
    std::vector<std::pair<char, DriveSpec>> drives;
    while (!text.empty()) {
        std::size_t end = text.find(';');
        std::string_view entry = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (entry.empty()) continue;
        if (entry.size() < 2 || entry[1] != '=')
            throw ConfigError("drive entry " + Quoted(entry) + " is not LETTER=PATH[:removable|:fixed][:ro]");
        char letter;
        try {
            letter = DriveLetter(entry[0]);
        } catch (const ConfigError& error) {
            throw ConfigError("drive entry " + Quoted(entry) + ": " + error.what());
        }
        DriveSpec drive;
        std::string_view rest = entry.substr(2);
        for (std::size_t colon; (colon = rest.rfind(':')) != std::string_view::npos;) {
            std::string flag = Lower(rest.substr(colon + 1));
            if (flag == "removable") drive.kind = DriveKind::Removable;
            else if (flag == "fixed") drive.kind = DriveKind::Fixed;
            else if (flag == "ro") drive.readOnly = true;
            else break;
            rest = rest.substr(0, colon);
        }
        if (rest.empty()) throw ConfigError("drive entry " + Quoted(entry) + " names no path");
        drive.path = std::string(rest);
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
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        throw ConfigError("platform " + Quoted(text) + " is not nt, 95, 98 or PLATFORM:BUILD");
    return {ParseNumber(text.substr(0, colon), "platform id"), ParseNumber(text.substr(colon + 1), "build number")};
}

int ParseAnswer(std::string_view text) {
    std::string answer = Lower(text);
    if (answer == "yes") return IDYES;
    if (answer == "no") return IDNO;
    throw ConfigError("answer " + Quoted(text) + " is not yes or no");
}

} // namespace hosted

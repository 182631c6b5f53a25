#include "win32/hosted/paths.h"

#include <cctype>
#include <cstring>
#include <string_view>

namespace hosted {

namespace {
std::optional<char> Letter(char c) {
    char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper < 'A' || upper > 'Z') return std::nullopt;
    return upper;
}

constexpr std::string_view devicePrefix = "\\\\.\\";
} // namespace

bool EqualsFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

std::optional<char> RootPathLetter(const char* path) {
    if (!path) return std::nullopt;
    std::string_view text(path);
    if (text.size() == 3 && text[2] != '\\') return std::nullopt;
    if ((text.size() != 2 && text.size() != 3) || text[1] != ':') return std::nullopt;
    return Letter(text[0]);
}

std::optional<char> VolumePathLetter(std::string_view path) {
    if (path.size() != devicePrefix.size() + 2 || !path.starts_with(devicePrefix) || path.back() != ':')
        return std::nullopt;
    return Letter(path[devicePrefix.size()]);
}

bool IsVwin32Path(std::string_view path) {
    return path.starts_with(devicePrefix) && EqualsFolded(path.substr(devicePrefix.size()), "vwin32");
}

} // namespace hosted

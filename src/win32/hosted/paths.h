// The path forms the hosted PC understands.
#pragma once

#include <optional>
#include <string_view>

namespace hosted {

// Equal but for the case of ASCII letters, as Windows compares the names of
// devices and files.
bool EqualsFolded(std::string_view a, std::string_view b);

// A drive's root: "C:\" or "C:", either case. nullopt for anything else.
std::optional<char> RootPathLetter(const char* path);
// A volume device: "\\.\C:", either case.
std::optional<char> VolumePathLetter(std::string_view path);
// "\\.\vwin32", either case, as Windows 95 matches device names.
bool IsVwin32Path(std::string_view path);

} // namespace hosted

// Process-wide facts the runtime publishes.
#pragma once

#include <string_view>

namespace vcl {

// The platform identifier of the running Windows (1 = Windows 95/98,
// 2 = Windows NT), taken from GetVersionExA when the runtime starts.
extern int Win32Platform;

// Asks GetVersionExA again; the runtime does this once at start-up.
void InitPlatformId();

// Equal but for the case of ASCII letters.
bool SameText(std::string_view a, std::string_view b);

} // namespace vcl

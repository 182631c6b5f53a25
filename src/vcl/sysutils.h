// Process-wide facts the runtime publishes.
#pragma once

#include <string>
#include <string_view>

namespace vcl {

// The platform identifier of the running Windows (1 = Windows 95/98,
// 2 = Windows NT) and its build number (on Windows 95/98 the low word of
// dwBuildNumber, whose high word repeats the version), taken from one call
// of GetVersionExA when the runtime starts; both 0 when it fails.
extern int Win32Platform;
extern int Win32BuildNumber;

// Asks GetVersionExA again; the runtime does this once at start-up.
void InitPlatformId();

// Equal but for the case of ASCII letters.
bool SameText(std::string_view a, std::string_view b);
// The text with its ASCII letters in upper case: one spelling for all that
// SameText finds equal.
std::string UpperCase(std::string_view text);

} // namespace vcl

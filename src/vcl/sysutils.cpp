#include "vcl/sysutils.h"

#include <algorithm>
#include <cctype>

#include "win32/win32.h"

namespace vcl {

int Win32Platform = 0;
int Win32BuildNumber = 0;

void InitPlatformId() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info)) info = {};
    Win32Platform = static_cast<int>(info.dwPlatformId);
    Win32BuildNumber = static_cast<int>(Win32Platform == VER_PLATFORM_WIN32_WINDOWS ? info.dwBuildNumber & 0xFFFF
                                                                                      : info.dwBuildNumber);
}

namespace {
// The runtime's start-up.
[[maybe_unused]] const bool platformKnown = (InitPlatformId(), true);

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
} // namespace

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Upper(x) == Upper(y); });
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
    return upper;
}

} // namespace vcl

#include "vcl/sysutils.h"

#include <algorithm>
#include <cctype>

#include "win32/win32.h"

namespace vcl {

namespace {
int QueryPlatform() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExA(&info) ? static_cast<int>(info.dwPlatformId) : 0;
}
} // namespace

int Win32Platform = QueryPlatform();

void InitPlatformId() { Win32Platform = QueryPlatform(); }

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

} // namespace vcl

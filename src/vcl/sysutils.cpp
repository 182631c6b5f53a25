#include "vcl/sysutils.h"

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

} // namespace vcl

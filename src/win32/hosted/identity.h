// The Windows the hosted PC is: what GetVersionExA reports.
#pragma once

#include "win32/win32.h"

namespace hosted {

// The first build of Windows Vista (NT 6.0).
constexpr DWORD firstVistaBuild = 6000;

struct Identity {
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    DWORD buildNumber = 1381;
};

} // namespace hosted

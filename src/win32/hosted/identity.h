// The Windows the hosted PC is: what GetVersionExA reports.
#pragma once

#include "win32/win32.h"

namespace hosted {

struct Identity {
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    DWORD buildNumber = 1381;
};

} // namespace hosted

// What changed with a version of Windows, for the hosted PC, which behaves
// as that version does, and for the tools, which explain what it did.
#pragma once

#include "win32/win32.h"

namespace win32 {

// The first build of Windows Vista (NT 6.0).
constexpr DWORD firstVistaBuild = 6000;

// From Windows Vista on, a mounted file system keeps raw writes through a
// volume handle out of its space (ERROR_ACCESS_DENIED) unless the handle
// has locked or dismounted the volume. `dwBuildNumber` as GetVersionExA
// reports it.
constexpr bool GuardsMountedVolumes(DWORD dwPlatformId, DWORD dwBuildNumber) {
    return dwPlatformId == VER_PLATFORM_WIN32_NT && dwBuildNumber >= firstVistaBuild;
}

} // namespace win32

// SysInit, the start-up unit that every package contains a copy of. The
// package's entry point calls StartModule with DLL_PROCESS_ATTACH and
// EndModule with DLL_PROCESS_DETACH.
#pragma once

#include "vcl/units.h"
#include "win32/win32.h"

namespace SysInit {

// Records the module's instance, takes a localised resource module beside
// the package's file when the user's language has one (the package's own
// resources otherwise), and registers the module with the runtime.
void StartModule(HINSTANCE Instance);
// Unregisters the module and frees the resource module that StartModule took.
void EndModule();

// The unit's place in a package's unit table: it has no initialization or
// finalization of its own.
inline constexpr vcl::PackageUnitEntry UnitEntry{nullptr, nullptr};

} // namespace SysInit

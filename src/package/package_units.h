// The units of the package ZelvanPack beyond the component itself: the
// lifetime and the registration of unit Orvane, and the package unit
// ZelvanPack with the entry points that loaders and hosts call.
#pragma once

#include <cstdint>

#include "vcl/units.h"

namespace Orvane {

// The unit's initialization (it has no code of its own) and finalization,
// which releases the text AttentionText holds at that moment.
void Initialization();
void Finalization();

// Puts TZelvan on the palette page "Kesmet". The IDE calls it; nothing
// else in the system does.
void Register();

} // namespace Orvane

namespace ZelvanPack {

// The package unit's initialization, which is the module's entry point:
// the start-up unit's work on DLL_PROCESS_ATTACH and DLL_PROCESS_DETACH;
// every reason succeeds. Plain types, so that its decorated name is the
// same on every platform.
int Initialization(void* Instance, std::uint32_t Reason, void* Reserved);

// Initialize, Finalize and GetPackageInfoTable under the package unit's own names.
void PackageLoad();
void PackageUnload();
const vcl::PackageInfoTable* GetPackageInfoTable();

} // namespace ZelvanPack

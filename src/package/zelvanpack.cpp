// The package unit ZelvanPack: the module's entry point, the unit table,
// and the entry points through which the package loader starts and ends
// the units. The runtime's units are initialized before any of these, when
// the runtime package that this one requires is loaded.
#include <iterator>

#include "package/package_units.h"
#include "vcl/sysinit.h"
#include "win32/win32.h"

namespace {

// In dependency order: the start-up unit, the package unit (whose
// initialization is the entry point), then Orvane.
constexpr vcl::PackageUnitEntry Units[] = {
    SysInit::UnitEntry,
    {nullptr, nullptr},
    {&Orvane::Initialization, &Orvane::Finalization},
};
constexpr vcl::PackageInfoTable Table{static_cast<int>(std::size(Units)), Units};

} // namespace

extern "C" {

void Initialize() { vcl::InitializeUnits(Table); }
void Finalize() { vcl::FinalizeUnits(Table); }
const vcl::PackageInfoTable* GetPackageInfoTable() { return &Table; }

BOOL WINAPI DllMain(HINSTANCE Instance, DWORD Reason, LPVOID Reserved) {
    return ZelvanPack::Initialization(Instance, Reason, Reserved);
}

} // extern "C"

namespace ZelvanPack {

int Initialization(void* Instance, std::uint32_t Reason, void*) {
    if (Reason == DLL_PROCESS_ATTACH) SysInit::StartModule(static_cast<HINSTANCE>(Instance));
    if (Reason == DLL_PROCESS_DETACH) SysInit::EndModule();
    return TRUE;
}

// The same code under the package unit's names.
void PackageLoad() __attribute__((alias("Initialize")));
void PackageUnload() __attribute__((alias("Finalize")));
const vcl::PackageInfoTable* GetPackageInfoTable() __attribute__((alias("GetPackageInfoTable")));

} // namespace ZelvanPack

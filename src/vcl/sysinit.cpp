#include "vcl/sysinit.h"

#include "vcl/modules.h"

namespace SysInit {

namespace {
vcl::TLibModule Module{};
} // namespace

void StartModule(HINSTANCE Instance) {
    char file[1024];
    const DWORD length = GetModuleFileNameA(Instance, file, sizeof file);
    HINSTANCE resources = length > 0 && length < sizeof file ? vcl::LoadResourceModule(file) : nullptr;
    Module = {nullptr, Instance, Instance, Instance, resources ? resources : Instance};
    vcl::RegisterModule(&Module);
}

void EndModule() {
    vcl::UnregisterModule(&Module);
    if (Module.ResInstance != Module.Instance) FreeLibrary(Module.ResInstance);
    Module = {};
}

} // namespace SysInit

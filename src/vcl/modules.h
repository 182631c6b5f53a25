// The runtime's list of modules. Each package registers itself when it
// starts (its start-up unit SysInit does) and unregisters when it ends; the
// list says which module a package's resources come from, a localised
// resource module or the package itself, and finds resources through them.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "win32/win32.h"

namespace vcl {

struct TLibModule {
    TLibModule* Next;
    HINSTANCE Instance;
    HINSTANCE CodeInstance;
    HINSTANCE DataInstance;
    HINSTANCE ResInstance; // a localised resource module, or Instance itself
};

void RegisterModule(TLibModule* LibModule);
void UnregisterModule(TLibModule* LibModule);
// The modules registered now, the most recent first.
std::vector<TLibModule> RegisteredModules();

// The module that Instance takes its resources from: the ResInstance of the
// registered module it is, or Instance itself.
HINSTANCE FindResourceHInstance(HINSTANCE Instance);

// A localised resource module for the module file ModuleName: the file of
// the same name and folder whose extension is the user's language
// ("ZelvanPack.DEU"), else its first two letters ("ZelvanPack.DE"), mapped
// as data. 0 when the language is unknown or neither file is a module.
HINSTANCE LoadResourceModule(const char* ModuleName);

using TResourceBytes = std::span<const unsigned char>;
// The bytes of a resource of Module, or nullopt when it has none of that
// name and type.
std::optional<TResourceBytes> ResourceBytes(HMODULE Module, LPCSTR Name, LPCSTR Type);

struct TFoundResource {
    HINSTANCE Module; // the ResInstance it was found in
    TResourceBytes Bytes;
};
// A resource looked for through the module list, in each module's
// ResInstance, the most recently registered first.
std::optional<TFoundResource> FindResource(LPCSTR Name, LPCSTR Type);

// An export of Module as a function of type Function, or null.
template <typename Function> Function GetProcAs(HMODULE Module, LPCSTR Name) {
    // Through void (*)(), which converts to and from any function pointer.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(Module, Name)));
}

} // namespace vcl

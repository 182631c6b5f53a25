// The runtime's list of modules. Each package registers itself when it
// starts (its start-up unit SysInit does) and unregisters when it ends; the
// list says which module a package's resources come from, a localised
// resource module or the package itself, and finds resources through them.
#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
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

// The module whose image holds Address (a class's type information, say);
// 0 when none does.
HINSTANCE FindHInstance(const void* Address);

// The files a localised resource module for the module file ModuleName may
// be, in the order they are tried: the file of the same name and folder
// whose extension is the user's language ("ZelvanPack.DEU"), then its first
// two letters ("ZelvanPack.DE"). None when the language is unknown.
std::vector<std::string> ResourceModuleFiles(const char* ModuleName);
// The first of those files that is a module, mapped as data; 0 when none is.
HINSTANCE LoadResourceModule(const char* ModuleName);

// A resource that a module has, but that cannot be loaded.
class EResourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using TResourceBytes = std::span<const unsigned char>;
// The bytes of a resource of Module, or nullopt when it has none of that
// name and type. Throws EResourceError ("its resource DESCRIPTION cannot be
// loaded (error 6)") when it has one that cannot be loaded.
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
